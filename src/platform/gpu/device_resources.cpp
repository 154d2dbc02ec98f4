// Buffers and 2D textures.

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/gpu/device.h"
#include "platform/gpu/device_context.h"
#include "platform/gpu/gl_errors.h"

namespace gpu {
namespace {

constexpr std::uint32_t kMaxTextureSize = 16384;
constexpr std::uint32_t kMaxArraySize = 2048;
constexpr std::uint32_t kMaxConstantBufferBytes = 65536;
constexpr std::uint32_t kKnownBufferBinds =
    BIND_VERTEX_BUFFER | BIND_INDEX_BUFFER | BIND_CONSTANT_BUFFER | BIND_SHADER_RESOURCE;
constexpr std::uint32_t kKnownTextureBinds =
    BIND_SHADER_RESOURCE | BIND_RENDER_TARGET | BIND_DEPTH_STENCIL | BIND_UNORDERED_ACCESS;

Result invalid(const std::string& why) { return reportFailure(Result::InvalidArg, why); }

std::string checkUsage(Usage usage, std::uint32_t cpuAccess, std::uint32_t binds, bool hasInitialData) {
    switch (usage) {
        case Usage::Default: return cpuAccess == 0 ? "" : "default usage takes no CPU access";
        case Usage::Immutable:
            if (cpuAccess != 0) return "immutable usage takes no CPU access";
            return hasInitialData ? "" : "immutable resources need initial data";
        case Usage::Dynamic: return cpuAccess == CPU_ACCESS_WRITE ? "" : "dynamic usage needs CPU write access only";
        case Usage::Staging:
            if (binds != 0) return "staging resources take no bind flags";
            return cpuAccess != 0 && (cpuAccess & ~(CPU_ACCESS_READ | CPU_ACCESS_WRITE)) == 0
                       ? ""
                       : "staging resources need CPU access";
    }
    return "unknown usage";
}

// Texture uploads run on the immediate context (through its cache) or on the resource thread.
void setUnpackRowLength(Device& device, GLint pixels) {
    if (device.onOwnerThread()) {
        device.GetImmediateContext()->cache().setUnpackRowLength(pixels);
    } else {
        glPixelStorei(GL_UNPACK_ROW_LENGTH, pixels);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    }
}

}  // namespace

Result Device::CreateBuffer(const BufferDesc& desc, const SubresourceData* initialData, Ref<Buffer>* out) {
    if (out) *out = nullptr;
    bool hasData = initialData && initialData->pSysMem;
    if (desc.ByteWidth == 0) return invalid("buffer of zero bytes");
    if (desc.BindFlags & ~kKnownBufferBinds) return invalid("unsupported buffer bind flags");
    if (desc.BindFlags & BIND_CONSTANT_BUFFER) {
        if (desc.ByteWidth % 16 != 0 || desc.ByteWidth > kMaxConstantBufferBytes) {
            return invalid("constant buffer size must be a multiple of 16 up to 65536");
        }
    }
    if (std::string why = checkUsage(desc.Usage, desc.CPUAccessFlags, desc.BindFlags, hasData); !why.empty()) {
        return invalid(why);
    }
    if (!out) return Result::SFalse;

    Ref<Buffer> buffer = Ref<Buffer>::adopt(new Buffer(this, desc));
    const void* data = hasData ? initialData->pSysMem : nullptr;
    if (desc.Usage == Usage::Dynamic || desc.Usage == Usage::Staging) {
        buffer->cpuCopy().assign(desc.ByteWidth, 0);
        if (data) std::memcpy(buffer->cpuCopy().data(), data, desc.ByteWidth);
        data = buffer->cpuCopy().data();
    }
    if (desc.Usage != Usage::Staging) {
        Result result = onGlThread([&] {
            clearGlErrors();
            GLuint name = 0;
            glCreateBuffers(1, &name);
            buffer->setGlName(name);
            if (desc.Usage == Usage::Dynamic) {
                // Mutable storage, so each discard can orphan it.
                glNamedBufferData(name, desc.ByteWidth, data, GL_DYNAMIC_DRAW);
            } else {
                glNamedBufferStorage(name, desc.ByteWidth, data,
                                     desc.Usage == Usage::Default ? GL_DYNAMIC_STORAGE_BIT : 0);
            }
            return takeGlErrors();
        });
        if (failed(result)) return reportFailure(result, "buffer creation failed");
    }
    *out = std::move(buffer);
    return Result::Ok;
}

Result Device::CreateTexture2D(const Texture2DDesc& descIn, const SubresourceData* initialData, Ref<Texture2D>* out) {
    if (out) *out = nullptr;
    Texture2DDesc desc = descIn;
    const FormatInfo* info = formatInfo(desc.Format);
    if (!info) return invalid("unknown texture format");
    if (desc.Width == 0 || desc.Height == 0 || desc.Width > kMaxTextureSize || desc.Height > kMaxTextureSize) {
        return invalid("texture size out of range");
    }
    if (desc.ArraySize == 0 || desc.ArraySize > kMaxArraySize) return invalid("array size out of range");
    std::uint32_t fullChain = std::bit_width(std::max(desc.Width, desc.Height));
    if (desc.MipLevels == 0) desc.MipLevels = fullChain;
    if (desc.MipLevels > fullChain) return invalid("more mip levels than the size allows");

    std::uint32_t samples = desc.SampleDesc.Count;
    if (samples == 0 || !std::has_single_bit(samples) || samples > static_cast<std::uint32_t>(maxSamples_)) {
        return invalid("unsupported sample count");
    }
    if (desc.SampleDesc.Quality != 0) return invalid("only sample quality 0 exists");
    bool multisampled = samples > 1;
    if (multisampled && (desc.MipLevels != 1 || desc.Usage != Usage::Default || initialData)) {
        return invalid("multisampled textures have one mip, default usage and no initial data");
    }
    bool hasData = initialData != nullptr;
    if (desc.Usage == Usage::Dynamic) return invalid("dynamic textures are not supported by this layer");
    if (std::string why = checkUsage(desc.Usage, desc.CPUAccessFlags, desc.BindFlags, hasData); !why.empty()) {
        return invalid(why);
    }
    if (desc.BindFlags & ~kKnownTextureBinds) return invalid("unsupported texture bind flags");
    if (desc.MiscFlags & ~RESOURCE_MISC_GENERATE_MIPS) return invalid("unsupported misc flags");

    bool depthBind = desc.BindFlags & BIND_DEPTH_STENCIL;
    bool depthFormat = info->kind == FormatKind::Depth;
    if (depthFormat && (desc.BindFlags & (BIND_SHADER_RESOURCE | BIND_RENDER_TARGET | BIND_UNORDERED_ACCESS))) {
        return invalid("a depth format is only bound as depth; use its typeless format to read it");
    }
    if (depthBind && (desc.BindFlags & (BIND_RENDER_TARGET | BIND_UNORDERED_ACCESS))) {
        return invalid("depth-stencil textures cannot be render targets or UAVs");
    }
    if (depthBind && !info->depthInternalFormat) return invalid("format cannot hold depth");
    if ((desc.BindFlags & BIND_RENDER_TARGET) && (info->components == 3 && info->bytesPerPixel == 12)) {
        return invalid("three-channel 32-bit formats are not renderable");
    }
    if ((desc.BindFlags & BIND_UNORDERED_ACCESS) && info->srgb) return invalid("sRGB formats have no UAVs");
    if ((desc.MiscFlags & RESOURCE_MISC_GENERATE_MIPS) &&
        (desc.BindFlags & (BIND_RENDER_TARGET | BIND_SHADER_RESOURCE)) != (BIND_RENDER_TARGET | BIND_SHADER_RESOURCE)) {
        return invalid("mip generation needs render-target and shader-resource binding");
    }
    GLenum internal = storageInternalFormat(desc.Format, depthBind);
    if (desc.Usage != Usage::Staging && internal == 0) return invalid("format cannot be stored here");
    if (hasData && (depthFormat || depthBind || info->transferFormat == 0)) {
        return invalid("depth textures take no initial data");
    }
    std::uint32_t subresources = desc.MipLevels * desc.ArraySize;
    for (std::uint32_t i = 0; hasData && i < subresources; ++i) {
        std::uint32_t width = std::max(1u, desc.Width >> (i % desc.MipLevels));
        if (!initialData[i].pSysMem || initialData[i].SysMemPitch < width * info->bytesPerPixel) {
            return invalid("initial data missing or with too small a row pitch");
        }
    }
    if (!out) return Result::SFalse;

    Ref<Texture2D> texture = Ref<Texture2D>::adopt(new Texture2D(this, desc));
    if (desc.Usage == Usage::Staging) {
        texture->allocateStaging();
        for (std::uint32_t i = 0; hasData && i < subresources; ++i) {
            std::uint32_t pitch = 0;
            std::uint8_t* target = texture->stagingData(i, &pitch);
            std::uint32_t rows = texture->mipHeight(i % desc.MipLevels);
            for (std::uint32_t y = 0; y < rows; ++y) {
                std::memcpy(target + std::size_t(y) * pitch,
                            static_cast<const std::uint8_t*>(initialData[i].pSysMem) +
                                std::size_t(y) * initialData[i].SysMemPitch,
                            pitch);
            }
        }
        *out = std::move(texture);
        return Result::Ok;
    }

    bool array = desc.ArraySize > 1;
    GLenum target = multisampled ? (array ? GL_TEXTURE_2D_MULTISAMPLE_ARRAY : GL_TEXTURE_2D_MULTISAMPLE)
                                 : (array ? GL_TEXTURE_2D_ARRAY : GL_TEXTURE_2D);
    Result result = onGlThread([&] {
        clearGlErrors();
        GLuint name = 0;
        glCreateTextures(target, 1, &name);
        texture->setGl(name, target, internal, depthBind || depthFormat);
        switch (target) {
            case GL_TEXTURE_2D: glTextureStorage2D(name, desc.MipLevels, internal, desc.Width, desc.Height); break;
            case GL_TEXTURE_2D_ARRAY:
                glTextureStorage3D(name, desc.MipLevels, internal, desc.Width, desc.Height, desc.ArraySize);
                break;
            case GL_TEXTURE_2D_MULTISAMPLE:
                glTextureStorage2DMultisample(name, samples, internal, desc.Width, desc.Height, GL_TRUE);
                break;
            default:
                glTextureStorage3DMultisample(name, samples, internal, desc.Width, desc.Height, desc.ArraySize,
                                              GL_TRUE);
                break;
        }
        for (std::uint32_t i = 0; hasData && i < subresources; ++i) {
            std::uint32_t mip = i % desc.MipLevels, slice = i / desc.MipLevels;
            setUnpackRowLength(*this, static_cast<GLint>(initialData[i].SysMemPitch / info->bytesPerPixel));
            GLsizei w = texture->mipWidth(mip), h = texture->mipHeight(mip);
            if (array) {
                glTextureSubImage3D(name, mip, 0, 0, slice, w, h, 1, info->transferFormat, info->transferType,
                                    initialData[i].pSysMem);
            } else {
                glTextureSubImage2D(name, mip, 0, 0, w, h, info->transferFormat, info->transferType,
                                    initialData[i].pSysMem);
            }
        }
        return takeGlErrors();
    });
    if (failed(result)) return reportFailure(result, "texture creation failed");
    *out = std::move(texture);
    return Result::Ok;
}

Result Device::CheckMultisampleQualityLevels(Format format, std::uint32_t sampleCount, std::uint32_t* qualityLevels) {
    if (!qualityLevels) return invalid("no output for quality levels");
    *qualityLevels = 0;
    if (!formatInfo(format) || sampleCount == 0) return invalid("unknown format or zero samples");
    if (std::has_single_bit(sampleCount) && sampleCount <= static_cast<std::uint32_t>(maxSamples_)) *qualityLevels = 1;
    return Result::Ok;
}

}  // namespace gpu
