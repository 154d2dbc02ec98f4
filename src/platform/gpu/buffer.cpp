#include "platform/gpu/buffer.h"

#include "platform/gpu/device.h"

namespace gpu {

Buffer::Buffer(Device* device, const BufferDesc& desc) : Resource(device), desc_(desc) {}

Buffer::~Buffer() {
    if (buffer_) device_->releaseGl(Device::GlKind::Buffer, buffer_);
}

}  // namespace gpu
