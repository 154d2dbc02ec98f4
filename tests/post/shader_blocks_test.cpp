// The constant blocks that the sample show's pass shaders declare match what the effects upload: the parameter
// block at b1 field by field, and the pass constants at b0.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <spirv_cross/spirv_cross.hpp>

#include "platform/shader_compiler/hlsl_to_spirv.h"
#include "post/effect_parameters.h"
#include "post/post_processor_base.h"
#include "support/test_support.h"

namespace {

struct Member {
    std::string name;
    std::uint32_t offset;
    std::uint32_t components;  // floats
};

// Members of the block at register b<slot> as the shader lays it out; empty when it has none.
std::vector<Member> blockAt(const std::string& file, std::uint32_t slot, std::uint32_t* declaredSize) {
    const std::string source = testing_support::readFile(file);
    shader_compiler::SpirvModule module =
        shader_compiler::hlslToSpirv(file, source, "main", gpu::ShaderStage::Pixel, 5);
    EXPECT_TRUE(module.ok) << module.messages;
    if (!module.ok) return {};
    spirv_cross::Compiler compiler(module.words);
    std::vector<Member> members;
    for (const spirv_cross::Resource& block : compiler.get_shader_resources().uniform_buffers) {
        if (compiler.get_decoration(block.id, spv::DecorationBinding) != slot) continue;
        const spirv_cross::SPIRType& type = compiler.get_type(block.base_type_id);
        *declaredSize = static_cast<std::uint32_t>(compiler.get_declared_struct_size(type));
        for (std::uint32_t i = 0; i < type.member_types.size(); ++i) {
            const spirv_cross::SPIRType& memberType = compiler.get_type(type.member_types[i]);
            EXPECT_EQ(memberType.basetype, spirv_cross::SPIRType::Float) << compiler.get_member_name(type.self, i);
            EXPECT_EQ(memberType.columns, 1u);
            EXPECT_TRUE(memberType.array.empty());
            members.push_back({compiler.get_member_name(type.self, i), compiler.type_struct_member_offset(type, i),
                               memberType.vecsize});
        }
    }
    return members;
}

TEST(ShaderBlocksTest, ParameterBlocksMatchTheEffectsStructs) {
    // The timeline's names in block order, from the effect table.
    const auto namesOf = [](std::string_view type) {
        std::vector<std::string> names;
        for (const EffectKnob& knob : findEffectType(type)->knobs) names.emplace_back(knob.name);
        return names;
    };
    const std::vector<std::string> dof = namesOf("DOF"), lens = namesOf("LensDistort"),
                                   colour = namesOf("ColorCorrection"), bloom = namesOf("Bloom");
    const std::vector<std::string> overlay = {"amount"};  // set by the renderer, not in the table
    const struct {
        const char* key;
        const std::vector<std::string>& names;  // the timeline's names in block order
        std::uint32_t size;                      // of the C++ block
    } passes[] = {
        {"post_dof_p0", dof, sizeof(DepthOfFieldParameters)},      {"post_dof_p1", dof, sizeof(DepthOfFieldParameters)},
        {"post_dof_p2", dof, sizeof(DepthOfFieldParameters)},      {"post_dof_p3", dof, sizeof(DepthOfFieldParameters)},
        {"post_dof_p4", dof, sizeof(DepthOfFieldParameters)},      {"post_dof_p5", dof, sizeof(DepthOfFieldParameters)},
        {"post_dof_p6", dof, sizeof(DepthOfFieldParameters)},      {"post_dof_p7", dof, sizeof(DepthOfFieldParameters)},
        {"post_lens_p0", lens, sizeof(LensDistortParameters)},     {"post_color_p0", colour, sizeof(ColorCorrectParameters)},
        {"post_overlay_p0", overlay, sizeof(OverlayParameters)},   {"post_blur_p0", bloom, sizeof(BloomParameters)},
        {"post_blur_p1", bloom, sizeof(BloomParameters)},          {"post_blur_p2", bloom, sizeof(BloomParameters)},
    };
    const std::string show = std::string(DEMO_SOURCE_DIR) + "/show/resources/shaders/";
    for (const auto& pass : passes) {
        SCOPED_TRACE(pass.key);
        std::uint32_t declared = 0;
        const std::vector<Member> members = blockAt(show + pass.key + ".hlsl", 1, &declared);
        // A pass may leave out b1, or declare it whole: every float at 4 x its place, the named ones in the
        // timeline's order, and nothing beyond the C++ block.
        if (!members.empty()) {
            EXPECT_EQ(declared, pass.size);
        }
        for (std::uint32_t i = 0; i < members.size(); ++i) {
            EXPECT_EQ(members[i].offset, 4 * i) << members[i].name;
            EXPECT_EQ(members[i].components, 1u) << members[i].name;
            if (i < pass.names.size()) {
                EXPECT_EQ(members[i].name, pass.names[i]);
            }
        }

        // The pass constants, where a pass reads them: float2 sizes of inputs 0 to 3 and the output, within the
        // 48-byte buffer.
        std::uint32_t constantsSize = 0;
        const std::vector<Member> constants = blockAt(show + pass.key + ".hlsl", 0, &constantsSize);
        for (std::uint32_t i = 0; i < constants.size() && i < 5; ++i) {
            EXPECT_EQ(constants[i].offset, 8 * i);
            EXPECT_EQ(constants[i].components, 2u);
        }
        EXPECT_LE(constantsSize, PostProcessorBase::kPassConstantsByteWidth);
    }
}

}  // namespace
