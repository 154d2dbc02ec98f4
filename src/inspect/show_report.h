#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "post/effect_parameters.h"
#include "resources/demo_timeline.h"
#include "resources/resource_manifest.h"

// One scene of the timeline as the player imports it.
struct SceneReport {
    using Vector3 = std::array<float, 3>;
    using Colour = std::array<float, 4>;
    using Matrix = std::array<float, 16>;  // row by row, as scene_math stores it

    struct Mesh {
        std::uint32_t vertices = 0, faces = 0, indices = 0, material = 0;
        Vector3 low{}, high{};  // bounds of the vertex positions
    };
    struct Material {
        std::string name;
        Colour diffuse{}, ambient{}, specular{};
        float shininess = 0.0f, emissive = 0.0f, normalMap = 0.0f;
        std::vector<std::pair<std::string, std::optional<std::string>>> textures;  // slot name, file when present
    };
    struct Light {
        std::string name;
        Colour colour{};
        Vector3 attenuation{};  // constant, linear, quadratic
        bool point = true;
        std::optional<std::int32_t> node;
    };
    struct Camera {
        std::string name;
        float fieldOfView = 0.0f, nearClip = 0.0f, farClip = 0.0f, aspect = 0.0f;
        std::int32_t channel = -1;
    };
    struct Node {
        std::int32_t index = 0;
        std::string name;
        std::int32_t parent = -1, channel = -1;
        std::vector<std::uint32_t> meshes;
    };
    struct Channel {
        std::int32_t index = 0;
        std::string node;
        std::size_t positions = 0, rotations = 0, scalings = 0;
    };
    // The scene step of one frame: animation time, camera and node matrices.
    struct Step {
        std::string name;
        double time = 0.0;
        std::string camera;
        bool cameraFound = false;
        Matrix cameraWorld{}, view{}, projection{};
        std::vector<Matrix> world;
    };

    std::string name;
    std::string path;
    bool loaded = false;
    double animationStart = 0.0, animationEnd = 1.0;
    std::vector<Mesh> meshes;
    std::vector<Material> materials;
    std::vector<Light> lights;
    std::vector<Camera> cameras;
    std::vector<Node> nodes;
    std::vector<Channel> channels;
};

// What the show inspector prints: the manifest and the timeline as the engine reads them, plus warnings about
// what will go wrong when the show plays.
struct ShowReport {
    // One position asked about with --at.
    struct Probe {
        double seconds = 0.0;
        uint64_t position = 0;
        std::optional<size_t> marker;  // index into the timeline's markers
        double progress = 0.0;
        // The effect parameter blocks that the frame at this position uploads (keyed parameters at the frame's
        // time in the marker); the writers print them knob by knob through the effect table.
        struct Parameters {
            EffectParameterBlocks blocks;
            std::string overlayTexture;  // "preload", "logo1" or "logo2"
        };
        std::optional<Parameters> parameters;
        // With --scenes: the frame's scene step; without one, the scene the marker names that is not loaded
        // (empty: the frame draws no scene).
        bool sceneRequested = false;
        std::optional<SceneReport::Step> scene;
        std::string unloadedScene;
    };
    struct Music {
        std::string path;
        uint64_t bytes = 0;
        double seconds = 0.0;
    };

    ResourceManifest manifest;
    std::string timelinePath;
    std::vector<TimelineMarker> markers;
    std::vector<Probe> probes;          // printed only when asked for
    bool musicRequested = false;        // print "music" (null when `music` is empty)
    std::optional<Music> music;
    // With --scenes: every scene of the timeline as the player imports it, by name.
    bool scenesRequested = false;
    std::vector<SceneReport> scenes;
    std::vector<std::string> warnings;
};

// The manifest's tables in the order they are printed.
extern const std::pair<const char*, const ResourceManifest::Table ResourceManifest::*> kManifestTables[4];

// Any text as valid UTF-8: bytes that are not UTF-8 are read as Latin-1.
std::string validUtf8(const std::string& text);
// How warnings name a marker: "marker 3 'label'".
std::string markerName(size_t index, const TimelineMarker& marker);

// Reads the show in the working directory through the engine's own readers. Fills `error` and answers false
// when the manifest or the timeline cannot be read.
bool readShow(ShowReport& report, std::string& error);

// The warnings about the manifest and the timeline (the music, when known, bounds the gap check).
std::vector<std::string> showWarnings(const ResourceManifest& manifest, const std::vector<TimelineMarker>& markers,
                                      std::optional<uint64_t> musicBytes);

// Puts the warnings about the manifest and the timeline before those the probes added.
void addShowWarnings(ShowReport& report);
