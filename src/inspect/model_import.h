#pragma once

// demo-import: any scene file the importer reads, turned into a scene that the player draws as its author meant
// it, with its textures, added to the show in the working directory.
//
// The player's rules for scenes stay as they are (they are the show format's); the file written follows them:
//  - every drawn mesh sits on a node of its own directly under an identity root, its vertices baked into world
//    space where nothing moves them, or into the node's rest shape where an animation does (the node then
//    carries the world placement as keys, sampled at the original's key times), so that the player's
//    composition rules (parent on the left, rotate-scale-translate keys) give the file's world positions;
//  - every camera is a node of its own name placed by keys (the player ignores a camera's node otherwise), with
//    the vertical field of view the player expects and no aspect ratio, so the window's is used;
//  - every light is a node of its own name, placed where the file places it;
//  - cameras and lights the file lacks, and a backdrop when asked for, are made (model_framing.h);
//  - values are written in the glTF file's own space, undoing what the importer's left-handed conversion and the
//    player's vertex conversion do to them (see show/generators/make_scenes.py for the same rules).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct ModelImportOptions {
    std::string modelPath;
    std::string name;  // empty: the model's file name without its extension
    enum class Camera { Auto, Orbit, File, None } camera = Camera::Auto;
    enum class Light { Auto, None } light = Light::Auto;
    bool backdrop = false;              // a soft backdrop around the model, instead of the player's white
    std::optional<double> poseSeconds;  // skinned meshes posed at this time of the animation, else their bind pose
    std::string showFolder = ".";       // the folder holding resources/
};

struct ModelImportReport {
    std::string name;
    std::string sceneFile;                  // relative to the show folder
    std::vector<std::string> textureFiles;  // written, relative to the show folder
    std::vector<std::string> warnings;      // what the player cannot show, one line each
    std::vector<std::string> cameras;       // the cameras the scene has, by name
    std::string timelineTrack;              // a TimelineTrack ready to paste
    std::size_t meshes = 0, vertices = 0, triangles = 0, lights = 0;
    double animationSeconds = 0.0;
    std::uint64_t bytes = 0;  // of the scene's files
};

// Reads the model, writes resources/scenes/NAME.gltf (+ .bin) and its textures into the manifest's texture
// folder, and adds <Scene name="NAME" .../> to resources/resources.xml (written aside and renamed). False with
// `error` set when the model cannot be read or the folder has no manifest; the show is then left as it was.
bool importModel(const ModelImportOptions& options, ModelImportReport* report, std::string* error);

// A name that is safe as a file name and an XML attribute: letters, digits, '_' and '-'; "Model" when nothing
// is left.
std::string sceneNameFor(const std::string& text);
