#include "platform/shader_compiler/input_signature.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace shader_compiler {
namespace {

using spirv_cross::SPIRType;

// Mask of the declared width, as D3D reflection reports it: float -> 1, float2 -> 3, float3 -> 7, float4 -> 15.
std::uint8_t widthMask(const SPIRType& type) {
    return static_cast<std::uint8_t>((1u << std::min(type.vecsize, 4u)) - 1);
}

gpu::RegisterComponentType componentType(const SPIRType& type) {
    switch (type.basetype) {
        case SPIRType::Float: return gpu::RegisterComponentType::Float32;
        case SPIRType::Int: return gpu::RegisterComponentType::SInt32;
        case SPIRType::UInt:
        case SPIRType::Boolean: return gpu::RegisterComponentType::UInt32;
        default: return gpu::RegisterComponentType::Unknown;
    }
}

}  // namespace

void splitSemantic(const std::string& semantic, std::string* name, std::uint32_t* index) {
    std::size_t end = semantic.size();
    while (end > 0 && std::isdigit(static_cast<unsigned char>(semantic[end - 1]))) --end;
    *name = semantic.substr(0, end);
    *index = 0;
    for (std::size_t i = end; i < semantic.size(); ++i) *index = *index * 10 + std::uint32_t(semantic[i] - '0');
}

std::string semanticOf(const spirv_cross::Compiler& compiler, spirv_cross::ID id) {
    std::string text = compiler.get_decoration_string(id, spv::DecorationUserSemantic);
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::vector<gpu::SignatureParameter> vertexInputSignature(const spirv_cross::Compiler& compiler) {
    std::vector<gpu::SignatureParameter> inputs;
    for (const spirv_cross::Resource& input : compiler.get_shader_resources().stage_inputs) {
        const SPIRType& type = compiler.get_type(input.type_id);
        gpu::SignatureParameter p;
        splitSemantic(semanticOf(compiler, input.id), &p.SemanticName, &p.SemanticIndex);
        if (p.SemanticName.empty()) throw std::runtime_error("vertex input " + input.name + " has no semantic");
        p.ComponentType = componentType(type);
        p.Mask = widthMask(type);
        p.Location = compiler.get_decoration(input.id, spv::DecorationLocation);
        inputs.push_back(std::move(p));
    }
    std::stable_sort(inputs.begin(), inputs.end(), [](const gpu::SignatureParameter& a,
                                                      const gpu::SignatureParameter& b) {
        return a.Location < b.Location;
    });
    return inputs;
}

}  // namespace shader_compiler
