// The sample show's shaders: everything its manifest names compiles with both shader models, the quad matches
// the quad's vertex format and every pass reads the texture slots the effect binds for it.

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/process/system_path.h"
#include "platform/shader_compiler/hlsl_compiler.h"
#include "resources/resource_manifest.h"
#include "base/wide_text.h"

namespace {

const std::string kShowDir = std::string(DEMO_SOURCE_DIR) + "/show/";

gpu::Result compile(const std::u16string& manifestPath, const char* profile, gpu::ShaderBytecode* code,
                    std::string* messages) {
    return shader_compiler::compileFromFile(kShowDir + platform::systemPath(narrowToUtf8(manifestPath)), "main",
                                            profile, code, messages);
}

std::vector<std::uint32_t> textureSlots(const gpu::ShaderBytecode& code) {
    std::vector<std::uint32_t> slots;
    for (const gpu::TextureBinding& binding : code.Textures) slots.push_back(binding.TextureSlot);
    std::sort(slots.begin(), slots.end());
    slots.erase(std::unique(slots.begin(), slots.end()), slots.end());
    return slots;
}

TEST(ShowShadersTest, ManifestShadersCompileWithBothProfilesAndMatchTheirPasses) {
    const ResourceManifest manifest(kShowDir + "resources/resources.xml");
    ASSERT_EQ(manifest.loadError(), "");

    // Texture slots each pass reads, as the effects bind them.
    const struct {
        const char* key;
        std::vector<std::uint32_t> slots;
    } passes[] = {{"post_dof_p0", {0, 1}},  {"post_dof_p1", {0}},     {"post_dof_p2", {0}},
                  {"post_dof_p3", {0}},     {"post_dof_p4", {0}},     {"post_dof_p5", {0}},
                  {"post_dof_p6", {0}},     {"post_dof_p7", {0, 1, 2}}, {"post_lens_p0", {0}},
                  {"post_blur_p0", {0}},    {"post_blur_p1", {0}},    {"post_blur_p2", {0, 1}},
                  {"post_overlay_p0", {0, 1}}, {"post_color_p0", {0}}};
    for (const auto& pass : passes) {
        SCOPED_TRACE(pass.key);
        const std::u16string* path = manifest.findPixelShader(pass.key);
        ASSERT_NE(path, nullptr);
        gpu::ShaderBytecode code;
        std::string messages;
        ASSERT_EQ(compile(*path, "ps_5_0", &code, &messages), gpu::Result::Ok) << messages;
        EXPECT_EQ(messages, "");  // no warnings either
        EXPECT_EQ(textureSlots(code), pass.slots);
    }
    ASSERT_NE(manifest.findVertexShader("quad"), nullptr);

    // Everything the manifest names, with both shader models.
    const struct {
        const ResourceManifest::Table& table;
        const char* profiles[2];
    } tables[] = {{manifest.PixelShader, {"ps_5_0", "ps_4_0"}}, {manifest.VertexShader, {"vs_5_0", "vs_4_0"}}};
    for (const auto& table : tables) {
        for (const auto& [key, path] : table.table) {
            for (const char* profile : table.profiles) {
                SCOPED_TRACE(key + " " + profile);
                gpu::ShaderBytecode code;
                std::string messages;
                EXPECT_EQ(compile(path, profile, &code, &messages), gpu::Result::Ok) << messages;
            }
        }
    }

    // The quad's input layout is built from this signature: POSITION float4, then TEXCOORD float2.
    gpu::ShaderBytecode quad;
    std::string messages;
    ASSERT_EQ(compile(*manifest.findVertexShader("quad"), "vs_5_0", &quad, &messages), gpu::Result::Ok) << messages;
    ASSERT_EQ(quad.InputSignature.size(), 2u);
    EXPECT_EQ(quad.InputSignature[0].SemanticName, "POSITION");
    EXPECT_EQ(quad.InputSignature[0].SemanticIndex, 0u);
    EXPECT_EQ(quad.InputSignature[0].Mask, 0xF);
    EXPECT_EQ(quad.InputSignature[1].SemanticName, "TEXCOORD");
    EXPECT_EQ(quad.InputSignature[1].SemanticIndex, 0u);
    EXPECT_EQ(quad.InputSignature[1].Mask, 0x3);
}

}  // namespace
