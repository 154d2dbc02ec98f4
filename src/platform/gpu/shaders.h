#pragma once

#include <cstdint>
#include <memory>
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

// Register b<s> of the two stages are neighbouring GL bindings, so that a draw binds the pair in one call.
constexpr std::uint32_t uniformBinding(ShaderStage stage, std::uint32_t slot) {
    return 2 * slot + (stage == ShaderStage::Pixel ? 1 : 0);
}
constexpr std::uint32_t textureUnitBase(ShaderStage stage) { return stage == ShaderStage::Pixel ? 0 : 16; }

// One texture unit of a program: which SRV slot and sampler slot feed it at draw time, and the all-zero
// texture of the sampler's kind that an empty SRV slot reads (D3D gives 0, 0, 0, 0 there; GL 0, 0, 0, 1).
struct TextureUnitBinding {
    std::uint32_t unit = 0;
    std::uint32_t textureSlot = 0;
    std::int32_t samplerSlot = -1;
    GLuint emptyTexture = 0;
};

// A separable GL program for one stage, shared by every shader made from the same bytecode.
struct ShaderProgramObject {
    GLuint program = 0;
    std::vector<TextureUnitBinding> units;
    std::uint32_t constantBufferSlots = 0;  // bit b: the program reads constant buffer register b<b>
    std::uint32_t constantBufferCount = 0;  // bits set in constantBufferSlots
    // A vertex program that reads the vertex index: draws must not move their base vertex for it.
    bool readsVertexId = false;
};

class Shader : public DeviceChild {
public:
    GLuint glProgram() const { return program_->program; }
    ShaderStage stage() const { return stage_; }
    const std::vector<TextureUnitBinding>& textureUnits() const { return program_->units; }
    std::uint32_t constantBufferSlots() const { return program_->constantBufferSlots; }
    std::uint32_t constantBufferCount() const { return program_->constantBufferCount; }
    bool readsVertexId() const { return program_->readsVertexId; }
    const ShaderProgramObject* programObject() const { return program_.get(); }

protected:
    Shader(Device* device, ShaderStage stage, std::shared_ptr<const ShaderProgramObject> program)
        : DeviceChild(device), stage_(stage), program_(std::move(program)) {}
    ~Shader() override;

private:
    ShaderStage stage_;
    // Released before the device reference this child holds (members go before the base).
    std::shared_ptr<const ShaderProgramObject> program_;
};

class VertexShader final : public Shader {
public:
    VertexShader(Device* device, std::shared_ptr<const ShaderProgramObject> program)
        : Shader(device, ShaderStage::Vertex, std::move(program)) {}
};

class PixelShader final : public Shader {
public:
    PixelShader(Device* device, std::shared_ptr<const ShaderProgramObject> program)
        : Shader(device, ShaderStage::Pixel, std::move(program)) {}
};

// Stages this layer does not build; binding null to them is accepted so callers can unbind as in D3D.
class GeometryShader;
class HullShader;
class DomainShader;

}  // namespace gpu
