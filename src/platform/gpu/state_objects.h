#pragma once

#include <string>

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

// Each kind's checkDesc answers why the device refuses a desc ("" when it does not).
class DepthStencilState final : public StateObject<DepthStencilDesc> {
public:
    using StateObject::StateObject;
    static std::string checkDesc(const DepthStencilDesc& desc);
};
class BlendState final : public StateObject<BlendDesc> {
public:
    using StateObject::StateObject;
    static std::string checkDesc(const BlendDesc& desc);
};
class RasterizerState final : public StateObject<RasterizerDesc> {
public:
    using StateObject::StateObject;
    static std::string checkDesc(const RasterizerDesc& desc);
};

// A GL sampler object (shared between contexts).
class SamplerState final : public StateObject<SamplerDesc> {
public:
    SamplerState(Device* device, const SamplerDesc& desc, GLuint sampler)
        : StateObject(device, desc), sampler_(sampler) {}
    ~SamplerState() override;
    GLuint glName() const { return sampler_; }
    static std::string checkDesc(const SamplerDesc& desc);

private:
    GLuint sampler_;
};

}  // namespace gpu
