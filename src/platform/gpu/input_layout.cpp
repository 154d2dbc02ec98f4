#include "platform/gpu/input_layout.h"

#include "platform/gpu/device.h"

namespace gpu {

InputLayout::~InputLayout() {
    device_->forgetLayout(this);
    if (vao) device_->releaseGl(Device::GlKind::VertexArray, vao);
}

}  // namespace gpu
