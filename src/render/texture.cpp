#include "render/texture.h"

#include <memory>
#include <stdexcept>
#include <vector>

#include <stb/stb_image.h>

#include "platform/process/system_path.h"
#include "resources/resource_manifest.h"
#include "base/wide_text.h"

namespace {

struct StbiFree {
    void operator()(stbi_uc* pixels) const { stbi_image_free(pixels); }
};

}  // namespace

std::string Texture::directoryFromManifest(const ResourceManifest& manifest) {
    const std::u16string* path = manifest.findPath("textures");
    std::string directory = path ? platform::systemPath(*path) : std::string();
    // File names are appended as they are; an empty directory stays the working directory.
    if (!directory.empty() && directory.back() != '/') directory += '/';
    return directory;
}

Texture::Texture() : directory(directoryFromManifest(ResourceManifest::instance())) {}

void Texture::load(gpu::Device* device, const std::string& fileName, bool srgb) {
    const std::string fullPath = platform::systemPath(directory + fileName);

    int width = 0;
    int height = 0;
    int components = 0;
    std::unique_ptr<stbi_uc, StbiFree> decoded(stbi_load(fullPath.c_str(), &width, &height, &components, 0));
    if (!decoded) throw std::runtime_error("Unable to load texture file: " + fullPath);

    const stbi_uc* pixels = decoded.get();
    std::vector<stbi_uc> expanded;
    if (components == 3) {
        const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
        expanded.resize(count * 4);
        for (std::size_t i = 0; i < count; ++i) {
            expanded[i * 4 + 0] = pixels[i * 3 + 0];
            expanded[i * 4 + 1] = pixels[i * 3 + 1];
            expanded[i * 4 + 2] = pixels[i * 3 + 2];
            expanded[i * 4 + 3] = 255;
        }
        pixels = expanded.data();
        components = 4;
    }

    gpu::Format format = gpu::Format::UNKNOWN;
    switch (components) {
        case 1: format = gpu::Format::R8_UNORM; break;
        case 2: format = gpu::Format::R8G8_UNORM; break;
        default: format = srgb ? gpu::Format::R8G8B8A8_UNORM_SRGB : gpu::Format::R8G8B8A8_UNORM; break;
    }
    if (!device) return;

    gpu::Texture2DDesc desc;
    desc.Width = static_cast<std::uint32_t>(width);
    desc.Height = static_cast<std::uint32_t>(height);
    desc.Format = format;
    desc.BindFlags = gpu::BIND_SHADER_RESOURCE;
    gpu::SubresourceData initial;
    initial.pSysMem = pixels;
    initial.SysMemPitch = static_cast<std::uint32_t>(width * components);
    initial.SysMemSlicePitch = 0;

    gpu::Ref<gpu::Texture2D> texture;
    device->CreateTexture2D(desc, &initial, &texture);
    if (!texture) return;

    gpu::ShaderResourceViewDesc viewDesc;
    viewDesc.Format = format;
    viewDesc.Texture2D.MipLevels = 1;
    device->CreateShaderResourceView(texture.get(), &viewDesc, &shaderResourceView);
}
