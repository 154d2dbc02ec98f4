#pragma once

// What demo-import reads of a show's manifest and the one change it makes to it.

#include <filesystem>
#include <string>

struct ShowManifest {
    std::string textureFolder = "resources/textures";  // relative to the show folder, '/' between names
};

// Reads <show>/resources/resources.xml. False with `error` set when it is missing or is not a manifest.
bool readShowManifest(const std::filesystem::path& show, ShowManifest* manifest, std::string* error);

// Adds <Scene name="NAME" path="PATH"/> to the manifest's Scenes (or replaces the path of the Scene of that
// name), leaving the rest of the file as it was. The new file is written beside the old one, checked and then
// renamed over it, so a failure never leaves a broken manifest.
bool addSceneToManifest(const std::filesystem::path& show, const std::string& name, const std::string& path,
                        std::string* error);
