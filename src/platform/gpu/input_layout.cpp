#include "platform/gpu/input_layout.h"

#include "platform/gpu/device.h"

namespace gpu {

InputLayout::~InputLayout() {
    if (vao) device_->releaseGl(Device::GlKind::VertexArray, vao);
}

}  // namespace gpu
