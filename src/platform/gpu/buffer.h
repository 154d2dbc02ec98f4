#pragma once

#include <cstdint>
#include <vector>

#include <epoxy/gl.h>

#include "platform/gpu/constant_ring.h"
#include "platform/gpu/descs.h"
#include "platform/gpu/device_child.h"

namespace gpu {

class Buffer final : public Resource {
public:
    ResourceDimension GetType() const override { return ResourceDimension::Buffer; }
    const BufferDesc& GetDesc() const { return desc_; }

    // Why the device refuses the desc ("" when it does not).
    static std::string checkDesc(const BufferDesc& desc, bool hasInitialData);

    // Layer internals.
    Buffer(Device* device, const BufferDesc& desc);
    ~Buffer() override;
    GLuint glName() const { return buffer_; }
    void setGlName(GLuint name) { buffer_ = name; }
    // Dynamic, staging and ring-backed buffers: for ring-backed ones, the latest contents.
    std::vector<std::uint8_t>& cpuCopy() { return cpu_; }
    bool mapped = false;
    MapType mapType = MapType::WriteDiscard;
    // Small constant buffers whose updates go to the immediate context's constant ring (constant_ring.h).
    bool ringBacked() const { return ringBacked_; }
    // Where the ring holds the latest contents; while `inRing` is false the buffer's own storage holds them.
    bool inRing = false;
    ConstantRing::Slice ringSlice;

private:
    BufferDesc desc_;
    GLuint buffer_ = 0;
    std::vector<std::uint8_t> cpu_;
    bool ringBacked_ = false;
};

}  // namespace gpu
