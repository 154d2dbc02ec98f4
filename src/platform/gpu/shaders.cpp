#include "platform/gpu/shaders.h"

#include "platform/gpu/device.h"

namespace gpu {

Shader::~Shader() {
    if (program_) device_->releaseGl(Device::GlKind::Program, program_);
}

}  // namespace gpu
