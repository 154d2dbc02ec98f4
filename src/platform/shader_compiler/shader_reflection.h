#pragma once

// What D3D's reflection reports of a compiled shader beyond the bindings the device needs: every constant
// buffer's variables with their HLSL types, byte offsets and packed sizes, and every bound resource. demo-inspect
// prints it; the tests compare it with D3D's packing rules.

#include <cstdint>
#include <string>
#include <vector>

namespace shader_compiler {

// A constant-buffer variable (or a struct's member: offsets are then from the struct's start).
struct ConstantVariable {
    std::string name;
    std::string type;  // as HLSL spells it: "float3", "row_major float4x4", "uint[4]", "Light[2]"
    std::uint32_t offset = 0;
    std::uint32_t size = 0;  // bytes it occupies, the unused tail of its last register excluded
    std::vector<ConstantVariable> members;  // a struct's, or an array of structs' element
};

struct ConstantBufferLayout {
    std::string name;  // the cbuffer's own name ("$Global" for loose uniforms)
    std::uint32_t slot = 0;
    std::uint32_t size = 0;  // whole registers, as D3D rounds a constant buffer
    std::vector<ConstantVariable> variables;
};

struct BoundResource {
    std::string name;
    std::string kind;  // "cbuffer", "texture", "sampler"
    std::uint32_t slot = 0;
};

struct ShaderReflection {
    std::vector<ConstantBufferLayout> constantBuffers;
    std::vector<BoundResource> resources;  // by kind, then slot
};

}  // namespace shader_compiler
