#pragma once

// One image file from the manifest's texture directory, decoded with stb_image and uploaded as a 2D texture
// with one mip level and a shader-resource view.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gpu/device.h"

class ResourceManifest;

class Texture {
public:
    // Reads the texture directory from the manifest ("textures"), with a separator added when it lacks one.
    Texture();

    // Throws std::runtime_error("Unable to load texture file: " + full path) when the file cannot be decoded or
    // its image is larger than a texture can be (16384 a side) or than its bytes can hold, found before decoding.
    // When the directory + fileName does not exist but the file's base name does in the directory (a path from
    // another machine, "D:\\projects\\wood.png"), that file is read instead.
    void load(gpu::Device* device, const std::string& fileName, bool srgb);
    // An image the scene file holds (glb, FBX): `height` 0 means `bytes` are an image file of `size` bytes;
    // otherwise `bytes` are width x height texels as the importer stores them (b, g, r, a). Throws like load,
    // naming `name`, when the image cannot be decoded.
    void loadEmbedded(gpu::Device* device, const std::uint8_t* bytes, std::size_t size, std::uint32_t width,
                      std::uint32_t height, const std::string& name, bool srgb);

    gpu::ShaderResourceView* view() const { return shaderResourceView.get(); }

    // The manifest's "textures" path as this file system names it, ending with a separator (empty stays empty).
    static std::string directoryFromManifest(const ResourceManifest& manifest);

    // Images are decoded in the file helper (platform/process/file_helper.h) and the pixels come back: an image that
    // crashes or stops the decoder there cannot be decoded. The helper's job: words are the job's name, then
    // "file" and the path, or "memory" with the file's bytes as the input.
    static constexpr const char* kDecodeJob = "image";
    static std::string runDecodeJob(const std::vector<std::string>& words, std::string_view input);

    std::string directory;
    std::string decodeFailure;  // why the last load failed (the decoder's reason)
    gpu::Ref<gpu::ShaderResourceView> shaderResourceView;

private:
    void upload(gpu::Device* device, const std::uint8_t* pixels, int width, int height, int components, bool srgb);
};
