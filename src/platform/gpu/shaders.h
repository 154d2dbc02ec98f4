#pragma once

#include <cstdint>
#include <vector>

#include <epoxy/gl.h>

#include "platform/gpu/device_child.h"
#include "platform/gpu/shader_bytecode.h"

namespace gpu {

// Per-stage binding ranges, so that b#, t# and s# stay per stage as in D3D.
constexpr std::uint32_t kConstantBufferSlots = 14;
constexpr std::uint32_t kShaderResourceSlots = 16;
constexpr std::uint32_t kSamplerSlots = 16;
constexpr std::uint32_t kTextureUnitsPerStage = 16;

constexpr std::uint32_t uniformBindingBase(ShaderStage stage) { return stage == ShaderStage::Pixel ? 0 : 14; }
constexpr std::uint32_t textureUnitBase(ShaderStage stage) { return stage == ShaderStage::Pixel ? 0 : 16; }

// One texture unit of a program: which SRV slot and sampler slot feed it at draw time.
struct TextureUnitBinding {
    std::uint32_t unit = 0;
    std::uint32_t textureSlot = 0;
    std::int32_t samplerSlot = -1;
};

// A separable GL program for one stage.
class Shader : public DeviceChild {
public:
    ~Shader() override;
    GLuint glProgram() const { return program_; }
    ShaderStage stage() const { return stage_; }
    const std::vector<TextureUnitBinding>& textureUnits() const { return units_; }

protected:
    Shader(Device* device, ShaderStage stage, GLuint program, std::vector<TextureUnitBinding> units)
        : DeviceChild(device), stage_(stage), program_(program), units_(std::move(units)) {}

private:
    ShaderStage stage_;
    GLuint program_;
    std::vector<TextureUnitBinding> units_;
};

class VertexShader final : public Shader {
public:
    VertexShader(Device* device, GLuint program, std::vector<TextureUnitBinding> units)
        : Shader(device, ShaderStage::Vertex, program, std::move(units)) {}
};

class PixelShader final : public Shader {
public:
    PixelShader(Device* device, GLuint program, std::vector<TextureUnitBinding> units)
        : Shader(device, ShaderStage::Pixel, program, std::move(units)) {}
};

// Stages this layer does not build; binding null to them is accepted so callers can unbind as in D3D.
class GeometryShader;
class HullShader;
class DomainShader;

}  // namespace gpu
