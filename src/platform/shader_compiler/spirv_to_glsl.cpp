#include "platform/shader_compiler/spirv_to_glsl.h"

#include <algorithm>
#include <cctype>

#include <spirv_cross/spirv_glsl.hpp>

#include "platform/shader_compiler/d3d_packing.h"
#include "platform/shader_compiler/input_signature.h"
#include "platform/shader_compiler/varying_locations.h"

namespace shader_compiler {
namespace {

using spirv_cross::CompilerGLSL;
using spirv_cross::Resource;
using spirv_cross::SPIRType;

std::uint32_t locationCount(const SPIRType& type) {
    std::uint32_t count = type.columns;
    for (std::uint32_t size : type.array) count *= std::max<std::uint32_t>(size, 1);
    return count;
}

// CompilerGLSL writes a flattened block as a plain uniform array; the device binds uniform blocks, so here the
// array goes into a std140 block of the variable's name (an array of vec4 there is the D3D bytes exactly).
class DeviceGlsl final : public CompilerGLSL {
public:
    using CompilerGLSL::CompilerGLSL;

protected:
    void emit_buffer_block(const spirv_cross::SPIRVariable& var) override {
        if (!flattened_buffer_blocks.count(var.self)) {
            CompilerGLSL::emit_buffer_block(var);
            return;
        }
        const SPIRType& type = get<SPIRType>(var.basetype);
        SPIRType::BaseType basic = SPIRType::Unknown;
        if (!get_common_basic_type(type, basic)) throw spirv_cross::CompilerError("mixed types in a flattened block");
        const char* element = basic == SPIRType::Float ? "vec4"
                              : basic == SPIRType::Int ? "ivec4"
                              : basic == SPIRType::UInt ? "uvec4"
                                                        : nullptr;
        if (!element) throw spirv_cross::CompilerError("a flattened block must hold float, int or uint");
        statement("layout(std140) uniform ", to_name(var.self), " { ", element, " ", to_name(type.self, false), "[",
                  (get_declared_struct_size(type) + 15) / 16, "]; };");
    }
};

class Translation {
public:
    Translation(const std::vector<std::uint32_t>& words, gpu::ShaderStage stage)
        : glsl_(words), stage_(stage), prefix_(stage == gpu::ShaderStage::Vertex ? "VS" : "PS"),
          instancePrefix_(stage == gpu::ShaderStage::Vertex ? "vs_b" : "ps_b") {}

    // Throws spirv_cross::CompilerError, or std::runtime_error for what this system cannot map.
    std::string run(bool flattenBlocks, gpu::ShaderBytecode* code) {
        CompilerGLSL::Options options;
        options.version = 450;
        options.es = false;
        options.vulkan_semantics = false;
        options.separate_shader_objects = true;  // gl_PerVertex redeclared, as separable programs need
        glsl_.set_common_options(options);
        spirv_cross::ShaderResources resources = glsl_.get_shader_resources();
        code->Stage = stage_;
        mapConstantBuffers(resources, flattenBlocks, code);
        mapTextures(code);
        if (stage_ == gpu::ShaderStage::Vertex) {
            code->InputSignature = vertexInputSignature(glsl_);
            mapVaryings(resources.stage_outputs);
        } else {
            mapVaryings(resources.stage_inputs);
            mapTargets(resources.stage_outputs);
        }
        return glsl_.compile();
    }

private:
    void unbind(spirv_cross::ID id) {
        glsl_.unset_decoration(id, spv::DecorationBinding);
        glsl_.unset_decoration(id, spv::DecorationDescriptorSet);
    }

    void mapConstantBuffers(const spirv_cross::ShaderResources& resources, bool flatten, gpu::ShaderBytecode* code) {
        for (const Resource& block : resources.uniform_buffers) {
            std::uint32_t slot = glsl_.get_decoration(block.id, spv::DecorationBinding);
            std::string name = prefix_ + "_b" + std::to_string(slot);
            unbind(block.id);
            applyD3DPacking(glsl_, block.base_type_id);
            // Members start with "m_", blocks with a stage prefix: Mesa corrupts its heap when a block name of
            // one stage equals a member name of the other.
            const SPIRType& type = glsl_.get_type(block.base_type_id);
            for (std::uint32_t i = 0; i < type.member_types.size(); ++i) {
                const std::string& member = glsl_.get_member_name(block.base_type_id, i);
                glsl_.set_member_name(block.base_type_id, i, "m_" + (member.empty() ? std::to_string(i) : member));
            }
            if (flatten) {
                glsl_.set_name(block.base_type_id, name + "_v");
                glsl_.set_name(block.id, name);
                glsl_.flatten_buffer_block(block.id);
            } else {
                glsl_.set_name(block.base_type_id, name);
                glsl_.set_name(block.id, instancePrefix_ + std::to_string(slot));
            }
            code->ConstantBuffers.push_back({name, slot});
        }
    }

    void mapTextures(gpu::ShaderBytecode* code) {
        spirv_cross::VariableID dummy = glsl_.build_dummy_sampler_for_combined_images();
        glsl_.build_combined_image_samplers();
        for (const spirv_cross::CombinedImageSampler& c : glsl_.get_combined_image_samplers()) {
            gpu::TextureBinding t;
            t.TextureSlot = glsl_.get_decoration(c.image_id, spv::DecorationBinding);
            bool noSampler = dummy != 0 && c.sampler_id == dummy;
            t.SamplerSlot = noSampler ? -1 : static_cast<std::int32_t>(glsl_.get_decoration(c.sampler_id,
                                                                                              spv::DecorationBinding));
            t.UniformName = prefix_ + "_t" + std::to_string(t.TextureSlot);
            if (!noSampler) t.UniformName += "_s" + std::to_string(t.SamplerSlot);
            glsl_.set_name(c.combined_id, t.UniformName);
            unbind(c.combined_id);
            code->Textures.push_back(t);
        }
    }

    void mapVaryings(const spirv_cross::SmallVector<Resource>& varyings) {
        for (const Resource& v : varyings) {
            std::string semantic = semanticOf(glsl_, v.id);
            if (semantic.empty()) throw std::runtime_error("stage value " + v.name + " has no semantic");
            std::int32_t location = varyingLocation(semantic, locationCount(glsl_.get_type(v.type_id)));
            if (location < 0) throw std::runtime_error("too many distinct semantics between stages: " + semantic);
            glsl_.set_decoration(v.id, spv::DecorationLocation, static_cast<std::uint32_t>(location));
        }
    }

    void mapTargets(const spirv_cross::SmallVector<Resource>& outputs) {
        for (const Resource& out : outputs) {
            std::string name;
            std::uint32_t index = 0;
            splitSemantic(semanticOf(glsl_, out.id), &name, &index);
            if (name != "SV_TARGET") throw std::runtime_error("pixel output " + out.name + " is not SV_Target");
            glsl_.set_decoration(out.id, spv::DecorationLocation, index);
        }
    }

    DeviceGlsl glsl_;
    gpu::ShaderStage stage_;
    std::string prefix_;
    std::string instancePrefix_;
};

bool cannotExpressLayout(const std::string& what) { return what.find("cannot be expressed") != std::string::npos; }

}  // namespace

bool spirvToGlsl(const std::vector<std::uint32_t>& words, gpu::ShaderStage stage, gpu::ShaderBytecode* code,
                 std::string* error) {
    try {
        try {
            gpu::ShaderBytecode plain;
            plain.Glsl = Translation(words, stage).run(false, &plain);
            *code = std::move(plain);
            return true;
        } catch (const std::exception& e) {
            if (!cannotExpressLayout(e.what())) throw;
        }
        // Offsets GLSL cannot state (a float2 at byte 4, a float after an array): blocks as vec4 arrays.
        gpu::ShaderBytecode flat;
        flat.Glsl = Translation(words, stage).run(true, &flat);
        *code = std::move(flat);
        return true;
    } catch (const std::exception& e) {
        *error = e.what();
        return false;
    }
}

}  // namespace shader_compiler
