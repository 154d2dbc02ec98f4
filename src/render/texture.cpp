#include "render/texture.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <vector>

#include <stb/stb_image.h>

#include "base/utf8_files.h"
#include "platform/process/file_helper.h"
#include "platform/process/system_path.h"
#include "render/image_checks.h"
#include "resources/resource_manifest.h"
#include "base/wide_text.h"

namespace {

struct StbiFree {
    void operator()(stbi_uc* pixels) const { stbi_image_free(pixels); }
};

// The largest side a texture may have (D3D11's, which the device layer enforces too). An image file asks for its
// size in a few header bytes: one larger is refused before decoding, which would allocate up to 4 bytes a pixel
// of it for a texture that cannot be made.
constexpr int kLargestSide = 16384;

bool sizeFits(int width, int height) { return width > 0 && height > 0 && width <= kLargestSide && height <= kLargestSide; }

// A file can only hold so many pixels for its size: no format the decoder is given for textures packs more than
// about 11000 bytes of pixels into one byte of file (a GIF's longest code, or a one-bit PNG of one colour). Past
// 16384 to one, and past 16 MiB (a 2048 x 2048 texture), the header lies, and decoding would fill that memory from
// nothing (a 118-byte TGA asks for 45 MB).
bool sizeFitsFile(int width, int height, int components, std::size_t fileBytes) {
    if (!sizeFits(width, height)) return false;
    const std::uint64_t pixelBytes = std::uint64_t(width) * std::uint64_t(height) * std::uint64_t(components);
    return pixelBytes <= (std::uint64_t{16} << 20) || pixelBytes / 16384 <= fileBytes;
}

// A decoded image as the file helper sends it back: the pixels are a view of the answer it holds.
struct DecodedImage {
    int width = 0, height = 0, components = 0;
    std::string_view pixels;
    platform::HelperAnswer helped;
    std::string decodedHere;  // the answer when there is no helper
};

// Decodes in the file helper (in place where there is none): false with `failure` set when the image cannot be
// decoded there, or crashed or stopped the decoder.
bool decodeInHelper(const std::vector<std::string>& words, std::string_view bytes, const std::string& name,
                    DecodedImage& image, std::string& failure) {
    image.helped =
        platform::runInFileHelper(words, bytes, platform::fileJobLimit(words[1] == "file" ? words[2] : std::string()));
    std::string_view in;
    if (image.helped.outcome == platform::HelperOutcome::NoHelper) {
        image.decodedHere = Texture::runDecodeJob(words, bytes);
        in = image.decodedHere;
    } else if (image.helped.outcome != platform::HelperOutcome::Done) {
        platform::reportContainedFailure(name, "image decoder", image.helped.failure);
        failure = "the image decoder " + image.helped.failure;
        return false;
    } else {
        in = image.helped.output();
    }
    uint32_t decoded = 0, width = 0, height = 0, components = 0;
    if (!platform::readU32(in, &decoded) || !decoded) {
        failure = std::string(in);
        return false;
    }
    if (!platform::readU32(in, &width) || !platform::readU32(in, &height) || !platform::readU32(in, &components) ||
        in.size() != uint64_t(width) * height * components) {
        failure = "a damaged answer";
        return false;
    }
    image.width = int(width);
    image.height = int(height);
    image.components = int(components);
    image.pixels = in;
    return true;
}

}  // namespace

std::string Texture::runDecodeJob(const std::vector<std::string>& words, std::string_view input) {
    // Read whole and decoded from memory, so that what the decoder is given can be checked first.
    std::vector<std::uint8_t> read;
    if (words.size() == 3 && words[1] == "file") {
        if (std::FILE* file = openUtf8File(words[2], "rb")) {
            std::uint8_t chunk[65536];
            for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
                read.insert(read.end(), chunk, chunk + got);
            std::fclose(file);
        }
        input = std::string_view(reinterpret_cast<const char*>(read.data()), read.size());
    }
    const auto* data = reinterpret_cast<const stbi_uc*>(input.data());
    int width = 0, height = 0, components = 0;
    std::unique_ptr<stbi_uc, StbiFree> decoded;
    const char* refusal = nullptr;
    if (input.empty() || input.size() > std::size_t(INT32_MAX))
        refusal = "cannot be read";
    else if (!decoderTakesImage(data, input.size()))
        refusal = "has a Huffman table the decoder cannot take";
    else if (stbi_info_from_memory(data, int(input.size()), &width, &height, &components) &&
             !sizeFitsFile(width, height, components, input.size()))
        refusal = "claims more pixels than a texture may have or its bytes can hold";
    else
        decoded.reset(stbi_load_from_memory(data, int(input.size()), &width, &height, &components, 0));
    std::string answer;
    platform::appendU32(answer, decoded ? 1 : 0);
    if (!decoded) {
        const char* reason = refusal ? refusal : stbi_failure_reason();
        return answer + (reason ? reason : "cannot be decoded");
    }
    for (int value : {width, height, components}) platform::appendU32(answer, uint32_t(value));
    answer.append(reinterpret_cast<const char*>(decoded.get()), std::size_t(width) * height * components);
    return answer;
}

std::string Texture::directoryFromManifest(const ResourceManifest& manifest) {
    const std::u16string* path = manifest.findPath("textures");
    std::string directory = path ? platform::systemPath(*path) : std::string();
    // File names are appended as they are; an empty directory stays the working directory.
    if (!directory.empty() && directory.back() != '/') directory += '/';
    return directory;
}

Texture::Texture() : directory(directoryFromManifest(ResourceManifest::instance())) {}

namespace {

// The file's own name: what is left after the last separator of either system.
std::string baseName(const std::string& path) {
    const std::size_t separator = path.find_last_of("/\\");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

}  // namespace

void Texture::load(gpu::Device* device, const std::string& fileName, bool srgb) {
    const std::string fullPath = platform::systemPath(directory + fileName);
    std::string readPath = fullPath;
    std::error_code error;
    if (!std::filesystem::exists(fullPath, error)) {
        const std::string beside = platform::systemPath(directory + baseName(fileName));
        if (!baseName(fileName).empty() && std::filesystem::is_regular_file(beside, error)) readPath = beside;
    }

    DecodedImage image;
    if (!decodeInHelper({kDecodeJob, "file", readPath}, {}, readPath, image, decodeFailure))
        throw std::runtime_error("Unable to load texture file: " + fullPath);
    upload(device, reinterpret_cast<const std::uint8_t*>(image.pixels.data()), image.width, image.height,
           image.components, srgb);
}

void Texture::loadEmbedded(gpu::Device* device, const std::uint8_t* bytes, std::size_t size, std::uint32_t width,
                           std::uint32_t height, const std::string& name, bool srgb) {
    if (height == 0) {
        DecodedImage image;
        if (!decodeInHelper({kDecodeJob, "memory"}, std::string_view(reinterpret_cast<const char*>(bytes), size), name,
                            image, decodeFailure))
            throw std::runtime_error("Unable to load texture file: " + name);
        upload(device, reinterpret_cast<const std::uint8_t*>(image.pixels.data()), image.width, image.height,
               image.components, srgb);
        return;
    }
    if (!sizeFits(int(std::min<std::uint32_t>(width, INT32_MAX)), int(std::min<std::uint32_t>(height, INT32_MAX))))
        throw std::runtime_error("Unable to load texture file: " + name);
    std::vector<std::uint8_t> rgba(std::size_t(width) * height * 4);
    for (std::size_t i = 0; i < std::size_t(width) * height; ++i) {
        rgba[i * 4 + 0] = bytes[i * 4 + 2];
        rgba[i * 4 + 1] = bytes[i * 4 + 1];
        rgba[i * 4 + 2] = bytes[i * 4 + 0];
        rgba[i * 4 + 3] = bytes[i * 4 + 3];
    }
    upload(device, rgba.data(), int(width), int(height), 4, srgb);
}

void Texture::upload(gpu::Device* device, const std::uint8_t* source, int width, int height, int components,
                     bool srgb) {
    const stbi_uc* pixels = source;
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
