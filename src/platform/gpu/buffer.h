#pragma once

#include <cstdint>
#include <vector>

#include <epoxy/gl.h>

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
    std::vector<std::uint8_t>& cpuCopy() { return cpu_; }  // dynamic and staging buffers
    bool mapped = false;
    MapType mapType = MapType::WriteDiscard;

private:
    BufferDesc desc_;
    GLuint buffer_ = 0;
    std::vector<std::uint8_t> cpu_;
};

}  // namespace gpu
