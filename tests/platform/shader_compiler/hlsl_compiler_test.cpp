// The HLSL front end: profiles, includes, messages and the reflection a vertex input layout is built from.

#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "platform/shader_compiler/hlsl_compiler.h"
#include "support/test_support.h"

namespace {

using gpu::RegisterComponentType;
using gpu::Result;
using gpu::ShaderBytecode;
using shader_compiler::compileFromFile;

const char* kVertex = R"(
#include "include/common.hlsli"
struct VsIn { float3 position : POSITION; uint id : BLENDINDICES; int2 cell : TEXCOORD3; float4 colour : COLOR; };
struct VsOut { float4 position : SV_Position; float4 colour : COLOR; };
VsOut main(VsIn input) {
    VsOut output;
    output.position = float4(input.position * kScale, 1.0);
    output.colour = input.colour + float4(input.id, input.cell, 0);
    return output;
}
)";

class HlslCompilerTest : public ::testing::Test {
protected:
    std::string write(const std::string& relative, const std::string& content) {
        return dir_.write(relative, content).string();
    }
    Result compile(const std::string& path, const char* profile) {
        return compileFromFile(path, "main", profile, &code_, &messages_);
    }

    testing_support::TempDir dir_;
    ShaderBytecode code_;
    std::string messages_;
};

TEST_F(HlslCompilerTest, IncludesResolveAgainstTheIncludingFileAndInputsAreReflected) {
    write("shaders/include/common.hlsli", "#include \"../../shared/scale.hlsli\"\n");
    write("shared/scale.hlsli", "static const float kScale = 0.5;\n");
    std::string path = write("shaders/vertex.hlsl", kVertex);
    ASSERT_EQ(compile(path, "vs_5_0"), Result::Ok) << messages_;
    EXPECT_EQ(code_.Stage, gpu::ShaderStage::Vertex);
    ASSERT_EQ(code_.InputSignature.size(), 4u);
    struct Expected {
        const char* name;
        std::uint32_t index;
        RegisterComponentType type;
        std::uint8_t mask;
    };
    const Expected expected[] = {{"POSITION", 0, RegisterComponentType::Float32, 7},
                                 {"BLENDINDICES", 0, RegisterComponentType::UInt32, 1},
                                 {"TEXCOORD", 3, RegisterComponentType::SInt32, 3},
                                 {"COLOR", 0, RegisterComponentType::Float32, 15}};
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(code_.InputSignature[i].SemanticName, expected[i].name);
        EXPECT_EQ(code_.InputSignature[i].SemanticIndex, expected[i].index);
        EXPECT_EQ(code_.InputSignature[i].ComponentType, expected[i].type);
        EXPECT_EQ(code_.InputSignature[i].Mask, expected[i].mask);
    }
}

}  // namespace
