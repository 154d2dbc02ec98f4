#include "platform/gpu/state_objects.h"

#include "platform/gpu/device.h"

namespace gpu {

SamplerState::~SamplerState() {
    if (sampler_) device_->releaseGl(Device::GlKind::Sampler, sampler_);
}

}  // namespace gpu
