#include "platform/gpu/texture2d.h"

#include "platform/gpu/device.h"

namespace gpu {

Texture2D::Texture2D(Device* device, const Texture2DDesc& desc) : Resource(device), desc_(desc) {}

Texture2D::~Texture2D() {
    if (texture_) device_->releaseGl(Device::GlKind::Texture, texture_);
}

void Texture2D::setGl(GLuint name, GLenum target, GLenum internalFormat, bool depthStorage) {
    texture_ = name;
    target_ = target;
    internalFormat_ = internalFormat;
    depthStorage_ = depthStorage;
}

void Texture2D::allocateStaging() {
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
}

std::uint8_t* Texture2D::stagingData(std::uint32_t subresource, std::uint32_t* rowPitch) {
    if (subresource >= stagingOffsets_.size()) return nullptr;
    std::uint32_t mip = subresource % desc_.MipLevels;
    *rowPitch = mipWidth(mip) * formatInfo(desc_.Format)->bytesPerPixel;
    return staging_.data() + stagingOffsets_[subresource];
}

}  // namespace gpu
