#pragma once

#include <cstdint>
#include <vector>

#include <epoxy/gl.h>

#include "platform/gpu/descs.h"
#include "platform/gpu/device_child.h"

namespace gpu {

class Texture2D final : public Resource {
public:
    ResourceDimension GetType() const override { return ResourceDimension::Texture2D; }
    // MipLevels holds the resolved count (never 0).
    const Texture2DDesc& GetDesc() const { return desc_; }

    // Layer internals.
    Texture2D(Device* device, const Texture2DDesc& desc);
    ~Texture2D() override;
    GLuint glName() const { return texture_; }
    GLenum glTarget() const { return target_; }
    GLenum glInternalFormat() const { return internalFormat_; }
    bool depthStorage() const { return depthStorage_; }
    void setGl(GLuint name, GLenum target, GLenum internalFormat, bool depthStorage);

    // Staging textures live in CPU memory, one tightly packed block per subresource.
    std::uint32_t subresourceCount() const { return desc_.MipLevels * desc_.ArraySize; }
    std::uint32_t mipWidth(std::uint32_t mip) const { return desc_.Width >> mip ? desc_.Width >> mip : 1; }
    std::uint32_t mipHeight(std::uint32_t mip) const { return desc_.Height >> mip ? desc_.Height >> mip : 1; }
    std::uint8_t* stagingData(std::uint32_t subresource, std::uint32_t* rowPitch);
    void allocateStaging();
    bool mapped = false;

private:
    Texture2DDesc desc_;
    GLuint texture_ = 0;
    GLenum target_ = 0;
    GLenum internalFormat_ = 0;
    bool depthStorage_ = false;
    std::vector<std::uint8_t> staging_;
    std::vector<std::size_t> stagingOffsets_;
};

}  // namespace gpu
