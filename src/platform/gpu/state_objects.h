#pragma once

#include <epoxy/gl.h>

#include "platform/gpu/descs.h"
#include "platform/gpu/device_child.h"

namespace gpu {

// Immutable descriptions applied through the immediate context's state cache at draw time.
template <typename Desc>
class StateObject : public DeviceChild {
public:
    StateObject(Device* device, const Desc& desc) : DeviceChild(device), desc_(desc) {}
    const Desc& GetDesc() const { return desc_; }

private:
    Desc desc_;
};

class DepthStencilState final : public StateObject<DepthStencilDesc> {
    using StateObject::StateObject;
};
class BlendState final : public StateObject<BlendDesc> {
    using StateObject::StateObject;
};
class RasterizerState final : public StateObject<RasterizerDesc> {
    using StateObject::StateObject;
};

// A GL sampler object (shared between contexts).
class SamplerState final : public StateObject<SamplerDesc> {
public:
    SamplerState(Device* device, const SamplerDesc& desc, GLuint sampler)
        : StateObject(device, desc), sampler_(sampler) {}
    ~SamplerState() override;
    GLuint glName() const { return sampler_; }

private:
    GLuint sampler_;
};

}  // namespace gpu
