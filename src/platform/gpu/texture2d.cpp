#include "platform/gpu/texture2d.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/gpu/device.h"

namespace gpu {
namespace {

constexpr std::uint32_t kMaxTextureSize = 16384;
constexpr std::uint32_t kMaxArraySize = 2048;
constexpr std::uint32_t kKnownTextureBinds =
    BIND_SHADER_RESOURCE | BIND_RENDER_TARGET | BIND_DEPTH_STENCIL | BIND_UNORDERED_ACCESS;

std::uint32_t fullChain(const Texture2DDesc& desc) { return std::bit_width(std::max(desc.Width, desc.Height)); }

}  // namespace

Texture2D::Texture2D(Device* device, const Texture2DDesc& desc) : Resource(device), desc_(desc) {}

Texture2D::~Texture2D() {
    if (texture_) device_->releaseGl(Device::GlKind::Texture, texture_);
    if (packBuffer_) device_->releaseGl(Device::GlKind::Buffer, packBuffer_);
}

Texture2DDesc Texture2D::readBackDesc(const Texture2DDesc& desc) {
    Texture2DDesc copy = desc;
    copy.Usage = Usage::Staging;
    copy.BindFlags = 0;
    copy.CPUAccessFlags = CPU_ACCESS_READ;
    copy.MiscFlags = 0;
    return copy;
}

void Texture2D::normaliseDesc(Texture2DDesc* desc) {
    if (desc->MipLevels == 0) desc->MipLevels = fullChain(*desc);
}

std::string Texture2D::checkDesc(const Texture2DDesc& desc, const SubresourceData* initialData,
                                 std::int32_t maxSamples) {
    const FormatInfo* info = formatInfo(desc.Format);
    if (!info) return "unknown texture format";
    if (desc.Width == 0 || desc.Height == 0 || desc.Width > kMaxTextureSize || desc.Height > kMaxTextureSize) {
        return "texture size out of range";
    }
    if (desc.ArraySize == 0 || desc.ArraySize > kMaxArraySize) return "array size out of range";
    if (desc.MipLevels > fullChain(desc)) return "more mip levels than the size allows";

    std::uint32_t samples = desc.SampleDesc.Count;
    if (samples == 0 || !std::has_single_bit(samples) || samples > static_cast<std::uint32_t>(maxSamples)) {
        return "unsupported sample count";
    }
    if (desc.SampleDesc.Quality != 0) return "only sample quality 0 exists";
    if (samples > 1 && (desc.MipLevels != 1 || desc.Usage != Usage::Default || initialData)) {
        return "multisampled textures have one mip, default usage and no initial data";
    }
    bool hasData = initialData != nullptr;
    if (desc.Usage == Usage::Dynamic) return "dynamic textures are not supported by this layer";
    if (std::string why = checkUsage(desc.Usage, desc.CPUAccessFlags, desc.BindFlags, hasData); !why.empty()) {
        return why;
    }
    if (desc.BindFlags & ~kKnownTextureBinds) return "unsupported texture bind flags";
    if (desc.MiscFlags & ~RESOURCE_MISC_GENERATE_MIPS) return "unsupported misc flags";

    bool depthBind = desc.BindFlags & BIND_DEPTH_STENCIL;
    bool depthFormat = info->kind == FormatKind::Depth;
    if (depthFormat && (desc.BindFlags & (BIND_SHADER_RESOURCE | BIND_RENDER_TARGET | BIND_UNORDERED_ACCESS))) {
        return "a depth format is only bound as depth; use its typeless format to read it";
    }
    if (depthBind && (desc.BindFlags & (BIND_RENDER_TARGET | BIND_UNORDERED_ACCESS))) {
        return "depth-stencil textures cannot be render targets or UAVs";
    }
    if (depthBind && !info->depthInternalFormat) return "format cannot hold depth";
    if ((desc.BindFlags & BIND_RENDER_TARGET) && (info->components == 3 && info->bytesPerPixel == 12)) {
        return "three-channel 32-bit formats are not renderable";
    }
    if ((desc.BindFlags & BIND_UNORDERED_ACCESS) && info->srgb) return "sRGB formats have no UAVs";
    if ((desc.MiscFlags & RESOURCE_MISC_GENERATE_MIPS) &&
        (desc.BindFlags & (BIND_RENDER_TARGET | BIND_SHADER_RESOURCE)) != (BIND_RENDER_TARGET | BIND_SHADER_RESOURCE)) {
        return "mip generation needs render-target and shader-resource binding";
    }
    if (desc.Usage != Usage::Staging && glStorageFormatFor(desc) == 0) return "format cannot be stored here";
    if (hasData && (depthFormat || depthBind || info->transferFormat == 0)) return "depth textures take no initial data";
    std::uint32_t subresources = desc.MipLevels * desc.ArraySize;
    for (std::uint32_t i = 0; hasData && i < subresources; ++i) {
        std::uint32_t width = std::max(1u, desc.Width >> (i % desc.MipLevels));
        if (!initialData[i].pSysMem || initialData[i].SysMemPitch < width * info->bytesPerPixel) {
            return "initial data missing or with too small a row pitch";
        }
    }
    return "";
}

GLenum Texture2D::glTargetFor(const Texture2DDesc& desc) {
    bool array = desc.ArraySize > 1;
    if (desc.SampleDesc.Count > 1) return array ? GL_TEXTURE_2D_MULTISAMPLE_ARRAY : GL_TEXTURE_2D_MULTISAMPLE;
    return array ? GL_TEXTURE_2D_ARRAY : GL_TEXTURE_2D;
}

GLenum Texture2D::glStorageFormatFor(const Texture2DDesc& desc) {
    return storageInternalFormat(desc.Format, desc.BindFlags & BIND_DEPTH_STENCIL);
}

void Texture2D::setGl(GLuint name, GLenum target, GLenum internalFormat, bool depthStorage) {
    texture_ = name;
    target_ = target;
    internalFormat_ = internalFormat;
    depthStorage_ = depthStorage;
}

void Texture2D::allocateStaging(const SubresourceData* initialData) {
    const FormatInfo* info = formatInfo(desc_.Format);
    std::size_t total = 0;
    stagingOffsets_.clear();
    for (std::uint32_t slice = 0; slice < desc_.ArraySize; ++slice) {
        for (std::uint32_t mip = 0; mip < desc_.MipLevels; ++mip) {
            stagingOffsets_.push_back(total);
            total += std::size_t(mipWidth(mip)) * mipHeight(mip) * info->bytesPerPixel;
        }
    }
    staging_.assign(total, 0);
    for (std::uint32_t i = 0; initialData && i < subresourceCount(); ++i) {
        std::uint32_t pitch = 0;
        std::uint8_t* target = stagingData(i, &pitch);
        const auto* source = static_cast<const std::uint8_t*>(initialData[i].pSysMem);
        for (std::uint32_t y = 0; y < mipHeight(i % desc_.MipLevels); ++y) {
            std::memcpy(target + std::size_t(y) * pitch, source + std::size_t(y) * initialData[i].SysMemPitch, pitch);
        }
    }
}

GLuint Texture2D::packBuffer() {
    if (!packBuffer_) {
        glCreateBuffers(1, &packBuffer_);
        glNamedBufferData(packBuffer_, static_cast<GLsizeiptr>(staging_.size()), nullptr, GL_STREAM_READ);
    }
    return packBuffer_;
}

const std::uint8_t* Texture2D::mapPackBuffer() {
    if (!readBackPending_) return nullptr;
    void* bytes = glMapNamedBufferRange(packBuffer_, 0, static_cast<GLsizeiptr>(staging_.size()), GL_MAP_READ_BIT);
    packBufferMapped_ = bytes != nullptr;
    return static_cast<const std::uint8_t*>(bytes);
}

bool Texture2D::unmapPackBuffer() {
    if (!packBufferMapped_) return false;
    packBufferMapped_ = false;
    glUnmapNamedBuffer(packBuffer_);
    return true;
}

std::uint8_t* Texture2D::stagingData(std::uint32_t subresource, std::uint32_t* rowPitch) {
    if (subresource >= stagingOffsets_.size()) return nullptr;
    if (readBackPending_) {
        // Waits for the copy, then one memcpy out of the buffer.
        readBackPending_ = false;
        glGetNamedBufferSubData(packBuffer_, 0, static_cast<GLsizeiptr>(staging_.size()), staging_.data());
    }
    *rowPitch = this->rowPitch(subresource);
    return staging_.data() + stagingOffsets_[subresource];
}

}  // namespace gpu
