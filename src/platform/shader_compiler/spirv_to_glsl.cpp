#include "platform/shader_compiler/spirv_to_glsl.h"

#include <algorithm>
#include <cctype>

#include "platform/shader_compiler/d3d_packing.h"
#include "platform/shader_compiler/device_glsl.h"
#include "platform/shader_compiler/input_signature.h"
#include "platform/shader_compiler/varying_locations.h"

namespace shader_compiler {
namespace {

// An error that names its own file and line.
struct LocatedError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

using spirv_cross::CompilerGLSL;
using spirv_cross::Resource;
using spirv_cross::SPIRType;

std::uint32_t locationCount(const SPIRType& type) {
    std::uint32_t count = type.columns;
    for (std::uint32_t size : type.array) count *= std::max<std::uint32_t>(size, 1);
    return count;
}

class Translation {
public:
    Translation(const std::vector<std::uint32_t>& words, gpu::ShaderStage stage,
                const std::vector<Placement>& placements, ShaderReflection* reflection)
        : glsl_(words), stage_(stage), placements_(placements), reflection_(reflection), prefix_(stage == gpu::ShaderStage::Vertex ? "VS" : "PS"),
          instancePrefix_(stage == gpu::ShaderStage::Vertex ? "vs_b" : "ps_b") {}

    // Throws spirv_cross::CompilerError, or std::runtime_error for what this system cannot map (a LocatedError
    // where the source has a place for it).
    std::string run(gpu::ShaderBytecode* code) {
        CompilerGLSL::Options options;
        options.version = 450;
        options.es = false;
        options.vulkan_semantics = false;
        options.separate_shader_objects = true;  // gl_PerVertex redeclared, as separable programs need
        glsl_.set_common_options(options);
        spirv_cross::ShaderResources resources = glsl_.get_shader_resources();
        code->Stage = stage_;
        refuseUnboundResources(resources);
        mapConstantBuffers(resources, code);
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

    // Resources the device has no binding for: a clear error instead of a shader that reads nothing.
    void refuseUnboundResources(const spirv_cross::ShaderResources& resources) {
        for (const Resource& buffer : resources.storage_buffers) {
            throw std::runtime_error("'" + buffer.name + "' (t" +
                                     std::to_string(glsl_.get_decoration(buffer.id, spv::DecorationBinding)) +
                                     "): structured and byte-address buffers cannot be bound on this device");
        }
        for (const Resource& image : resources.storage_images) {
            throw std::runtime_error("'" + image.name + "' (u" +
                                     std::to_string(glsl_.get_decoration(image.id, spv::DecorationBinding)) +
                                     "): unordered access views cannot be bound on this device");
        }
    }

    void mapConstantBuffers(const spirv_cross::ShaderResources& resources, gpu::ShaderBytecode* code) {
        for (const Resource& block : resources.uniform_buffers) {
            std::uint32_t slot = glsl_.get_decoration(block.id, spv::DecorationBinding);
            std::string name = prefix_ + "_b" + std::to_string(slot);
            unbind(block.id);
            ConstantBufferLayout layout;
            layout.name = glsl_.get_name(block.id).empty() ? block.name : glsl_.get_name(block.id);
            if (layout.name.empty()) layout.name = glsl_.get_name(block.base_type_id);
            layout.slot = slot;
            std::string error;
            if (!applyD3DPacking(glsl_, block.base_type_id, placements_, &layout, &error)) throw LocatedError(error);
            const SPIRType& type = glsl_.get_type(block.base_type_id);
            // Whether GLSL can state the offsets, and if not, whether one vec4-like array can hold every member.
            const bool stateable = std140CanState(glsl_, block.base_type_id);
            SPIRType::BaseType common = SPIRType::Unknown;
            const bool oneType = stateable || glsl_.commonBasicType(type, common);
            // Members start with "m_", blocks with a stage prefix: Mesa corrupts its heap when a block name of
            // one stage equals a member name of the other.
            for (std::uint32_t i = 0; i < type.member_types.size(); ++i) {
                const std::string& member = glsl_.get_member_name(block.base_type_id, i);
                glsl_.set_member_name(block.base_type_id, i, "m_" + (member.empty() ? std::to_string(i) : member));
            }
            if (stateable) {
                glsl_.set_name(block.base_type_id, name);
                glsl_.set_name(block.id, instancePrefix_ + std::to_string(slot));
            } else if (oneType) {
                glsl_.set_name(block.base_type_id, name + "_v");
                glsl_.set_name(block.id, name);
                glsl_.flatten_buffer_block(block.id);
            } else {
                glsl_.set_name(block.base_type_id, name + "_t");
                glsl_.set_name(block.id, instancePrefix_ + std::to_string(slot));
                glsl_.readThroughRawBytes(block.id, name, layout.size);
            }
            gpu::ConstantBufferBinding binding{name, slot, {}, layout.size};
            if (stateable) {
                for (std::uint32_t i = 0; i < layout.variables.size(); ++i)
                    binding.Members.push_back({name + ".m_" + layout.variables[i].name, layout.variables[i].offset});
            }
            code->ConstantBuffers.push_back(std::move(binding));
            if (reflection_) {
                reflection_->resources.push_back({layout.name, "cbuffer", slot});
                reflection_->constantBuffers.push_back(std::move(layout));
            }
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
            if (reflection_) noteTextureAndSampler(c, noSampler);
            unbind(c.combined_id);
            code->Textures.push_back(t);
        }
    }

    void noteTextureAndSampler(const spirv_cross::CombinedImageSampler& c, bool noSampler) {
        auto note = [&](spirv_cross::ID id, const char* kind) {
            BoundResource resource{glsl_.get_name(id), kind, glsl_.get_decoration(id, spv::DecorationBinding)};
            for (const BoundResource& known : reflection_->resources)
                if (known.kind == resource.kind && known.slot == resource.slot) return;
            reflection_->resources.push_back(resource);
        };
        note(c.image_id, "texture");
        if (!noSampler) note(c.sampler_id, "sampler");
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
    const std::vector<Placement>& placements_;
    ShaderReflection* reflection_;
    std::string prefix_;
    std::string instancePrefix_;
};

}  // namespace

bool spirvToGlsl(const std::vector<std::uint32_t>& words, gpu::ShaderStage stage,
                 const std::vector<Placement>& placements, gpu::ShaderBytecode* code, ShaderReflection* reflection,
                 std::string* error) {
    try {
        ShaderReflection found;
        gpu::ShaderBytecode made;
        made.Glsl = Translation(words, stage, placements, &found).run(&made);
        std::sort(found.resources.begin(), found.resources.end(), [](const BoundResource& a, const BoundResource& b) {
            return a.kind != b.kind ? a.kind < b.kind : a.slot < b.slot;
        });
        *code = std::move(made);
        if (reflection) *reflection = std::move(found);
        return true;
    } catch (const LocatedError& e) {
        *error = e.what();
    } catch (const std::exception& e) {
        *error = std::string("error: ") + e.what();
    }
    return false;
}

}  // namespace shader_compiler
