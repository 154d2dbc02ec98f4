#pragma once

// The scene demo-import writes: a glTF 2.0 file with its binary buffer beside it, written over nlohmann-json. The
// model is given in the player's space (left-handed, y up, cameras looking along +z, row-vector rotations as the
// player applies them); every value is mapped back into the glTF file's own space here, so that the importer's
// left-handed conversion and the player's vertex conversion bring it back:
//  - positions and normals (x, y, z) are written (x, -z, -y), triangles reversed (the importer reverses them
//    again), texture coordinates (u, 1 - v) (the importer flips v);
//  - node translations (x, y, z) are written (x, y, -z) and rotations (x, y, z, w) as (-x, -y, z, w);
//  - a camera's yfov is the vertical angle the player should use, with no aspect ratio, so the window's is used.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "inspect/model_space.h"

namespace model_gltf {

using model_space::Quat;
using model_space::Vec3;

struct Material {
    std::string name;
    std::array<double, 4> diffuse{0.5, 0.5, 0.5, 1.0};
    Vec3 specular{1, 1, 1};
    Vec3 emissive{0, 0, 0};
    double shininess = 1.0;
    // File names in the texture folder; empty for none.
    std::string diffuseTexture, normalTexture, specularTexture, emissiveTexture;
};

struct Mesh {
    std::string name;
    int material = 0;
    std::vector<Vec3> positions, normals;
    std::vector<std::array<double, 2>> uvs;
    std::vector<std::array<std::uint32_t, 3>> triangles;  // front faces wound as the importer leaves them
    bool mirrored = false;                                // baked with a mirror: the winding turns over
};

// Keys of a node's placement, all three lists as long as the times (seconds).
struct Keys {
    std::vector<double> seconds;
    std::vector<Vec3> translations;
    std::vector<Quat> rotations;
    std::vector<double> scales;  // uniform
};

// Every node hangs directly under the identity root.
struct Node {
    std::string name;
    int mesh = -1, camera = -1, light = -1;
    Vec3 translation;
    Quat rotation;
    Keys keys;  // empty: placed by translation and rotation alone
};

struct Camera {
    std::string name;
    double verticalFov = 0.8, near = 0.1, far = 100.0;
};

struct Light {
    std::string name;
    bool directional = false;  // else a point light
    Vec3 colour{1, 1, 1};
    double intensity = 1.0;
};

struct Image {
    std::string fileName;  // in the texture folder
    std::vector<std::uint8_t> bytes;
};

struct Model {
    std::vector<Mesh> meshes;
    std::vector<Material> materials;
    std::vector<Node> nodes;
    std::vector<Camera> cameras;
    std::vector<Light> lights;
    std::vector<Image> images;
    double animationStart = 0.0, animationEnd = 0.0;  // seconds
    Vec3 boundsMin, boundsMax;
};

// Writes `file` (.gltf) and the .bin beside it; images are referred to as textureUri + "/" + their file name.
// `bytes` gets the two files' size.
bool writeGltf(const Model& model, const std::filesystem::path& file, const std::string& textureUri,
               std::uint64_t* bytes, std::string* error);

}  // namespace model_gltf
