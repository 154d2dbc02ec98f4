#pragma once

// One image file from the manifest's texture directory, decoded with stb_image and uploaded as a 2D texture
// with one mip level and a shader-resource view.

#include <string>

#include "platform/gpu/device.h"

class ResourceManifest;

class Texture {
public:
    // Reads the texture directory from the manifest ("textures"), with a separator added when it lacks one.
    Texture();

    // Throws std::runtime_error("Unable to load texture file: " + full path) when the file cannot be decoded.
    void load(gpu::Device* device, const std::string& fileName, bool srgb);

    gpu::ShaderResourceView* view() const { return shaderResourceView.get(); }

    // The manifest's "textures" path as this file system names it, ending with a separator (empty stays empty).
    static std::string directoryFromManifest(const ResourceManifest& manifest);

    std::string directory;
    gpu::Ref<gpu::ShaderResourceView> shaderResourceView;
};
