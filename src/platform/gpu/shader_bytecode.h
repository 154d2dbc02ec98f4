#pragma once

// What the device builds shader objects from: GLSL 4.50 for a separable program plus the reflection that D3D
// would read from bytecode. A HLSL front end fills this; tests write it by hand.
//
// The GLSL must declare vertex inputs with explicit locations (given again in the input signature), and name its
// uniform blocks and combined samplers as listed here. It does not choose GL binding points: the device assigns
// each stage its own ranges, so D3D slot numbers stay per stage.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace gpu {

enum class ShaderStage : std::uint8_t { Vertex, Pixel };

// D3D_REGISTER_COMPONENT_TYPE values.
enum class RegisterComponentType : std::uint32_t { Unknown = 0, UInt32 = 1, SInt32 = 2, Float32 = 3 };

// One vertex shader input, as D3D11_SIGNATURE_PARAMETER_DESC, plus the GL attribute location.
struct SignatureParameter {
    std::string SemanticName;
    std::uint32_t SemanticIndex = 0;
    RegisterComponentType ComponentType = RegisterComponentType::Float32;
    std::uint8_t Mask = 0xF;
    std::uint32_t Location = 0;
};

// A member of a uniform block as GL names it ("PS_b0.m_colour"), at the byte offset D3D's packing gives it.
struct BlockMember {
    std::string UniformName;
    std::uint32_t Offset = 0;
};

// A uniform block standing for constant buffer register b<Slot>. Members: the offsets the block's GLSL states,
// which debug builds check against GL's own reflection of the program (none when the block is an array of
// registers); Size: the bytes D3D lays the buffer out in.
struct ConstantBufferBinding {
    ConstantBufferBinding(std::string blockName = {}, std::uint32_t slot = 0, std::vector<BlockMember> members = {},
                          std::uint32_t size = 0)
        : BlockName(std::move(blockName)), Slot(slot), Members(std::move(members)), Size(size) {}
    std::string BlockName;
    std::uint32_t Slot = 0;
    std::vector<BlockMember> Members;
    std::uint32_t Size = 0;
};

// A combined sampler uniform reading texture register t<TextureSlot> with sampler register s<SamplerSlot>;
// SamplerSlot -1 for fetches without a sampler.
struct TextureBinding {
    std::string UniformName;
    std::uint32_t TextureSlot = 0;
    std::int32_t SamplerSlot = -1;
};

struct ShaderBytecode {
    ShaderStage Stage = ShaderStage::Vertex;
    std::string Glsl;
    std::vector<SignatureParameter> InputSignature;
    std::vector<ConstantBufferBinding> ConstantBuffers;
    std::vector<TextureBinding> Textures;
};

}  // namespace gpu
