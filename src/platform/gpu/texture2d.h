#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <epoxy/gl.h>

#include "platform/gpu/descs.h"
#include "platform/gpu/device_child.h"
#include "platform/gpu/formats.h"

namespace gpu {

class Texture2D final : public Resource {
public:
    ResourceDimension GetType() const override { return ResourceDimension::Texture2D; }
    // MipLevels holds the resolved count (never 0).
    const Texture2DDesc& GetDesc() const { return desc_; }

    // Desc rules: MipLevels 0 becomes the full chain; then why the device, which has up to `maxSamples`
    // samples, refuses the desc with this initial data ("" when it does not).
    static void normaliseDesc(Texture2DDesc* desc);
    static std::string checkDesc(const Texture2DDesc& desc, const SubresourceData* initialData,
                                 std::int32_t maxSamples);
    // The desc of a texture that CopyResource from one made with `desc` fills and the CPU can map for reading.
    static Texture2DDesc readBackDesc(const Texture2DDesc& desc);
    // Where the texture's GL storage goes, and in which format (0 when there is none).
    static GLenum glTargetFor(const Texture2DDesc& desc);
    static GLenum glStorageFormatFor(const Texture2DDesc& desc);

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
    // The CPU copy of a subresource; a copy from the GPU still on its way is waited for first, as D3D's Map waits.
    std::uint8_t* stagingData(std::uint32_t subresource, std::uint32_t* rowPitch);
    std::uint32_t rowPitch(std::uint32_t subresource) const {
        return mipWidth(subresource % desc_.MipLevels) * formatInfo(desc_.Format)->bytesPerPixel;
    }
    // Byte offset of a subresource in the CPU copy (and in the pack buffer).
    std::size_t stagingOffset(std::uint32_t subresource) const { return stagingOffsets_[subresource]; }
    std::size_t stagingBytes() const { return staging_.size(); }
    // The pixel-pack buffer a GPU-to-CPU copy lands in without stalling (made at its first use), and the mark
    // that such a copy was issued: the bytes move to the CPU copy at the next CPU access.
    GLuint packBuffer();
    void readBackIssued() { readBackPending_ = true; }
    // Map for reading right after a read-back: the pack buffer itself, mapped, without a copy (null when the bytes
    // are in the CPU copy already). unmapPackBuffer ends it.
    const std::uint8_t* mapPackBuffer();
    bool unmapPackBuffer();
    // Allocates the CPU copy of a staging texture, filled from the initial data when there is some.
    void allocateStaging(const SubresourceData* initialData);
    bool mapped = false;

private:
    Texture2DDesc desc_;
    GLuint texture_ = 0;
    GLenum target_ = 0;
    GLenum internalFormat_ = 0;
    bool depthStorage_ = false;
    std::vector<std::uint8_t> staging_;
    std::vector<std::size_t> stagingOffsets_;
    GLuint packBuffer_ = 0;
    bool readBackPending_ = false;
    bool packBufferMapped_ = false;
};

}  // namespace gpu
