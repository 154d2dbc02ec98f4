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
struct VsIn {
    float3 position : POSITION; uint id : BLENDINDICES; float3 unread : NORMAL; int2 cell : TEXCOORD3;
    float4 colour : COLOR;
};
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
    // Every declared input, read or not: vertex buffers are laid out by the declaration.
    ASSERT_EQ(code_.InputSignature.size(), 5u);
    EXPECT_NE(code_.Glsl.find("layout(location = 3) in ivec2"), std::string::npos) << code_.Glsl;
    struct Expected {
        const char* name;
        std::uint32_t index;
        RegisterComponentType type;
        std::uint8_t mask;
    };
    const Expected expected[] = {{"POSITION", 0, RegisterComponentType::Float32, 7},
                                 {"BLENDINDICES", 0, RegisterComponentType::UInt32, 1},
                                 {"NORMAL", 0, RegisterComponentType::Float32, 7},
                                 {"TEXCOORD", 3, RegisterComponentType::SInt32, 3},
                                 {"COLOR", 0, RegisterComponentType::Float32, 15}};
    for (std::size_t i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(code_.InputSignature[i].SemanticName, expected[i].name);
        EXPECT_EQ(code_.InputSignature[i].SemanticIndex, expected[i].index);
        EXPECT_EQ(code_.InputSignature[i].ComponentType, expected[i].type);
        EXPECT_EQ(code_.InputSignature[i].Mask, expected[i].mask);
        EXPECT_EQ(code_.InputSignature[i].Location, i);
    }
}

TEST_F(HlslCompilerTest, WarningsComeBackWithFileAndLineAndTheShaderStillCompiles) {
    std::string path = write("warn.hlsl", "\n[unknownattribute]\nfloat4 main() : SV_Target { return 1; }\n");
    ASSERT_EQ(compile(path, "ps_4_0"), Result::Ok) << messages_;
    EXPECT_EQ(code_.Stage, gpu::ShaderStage::Pixel);
    EXPECT_FALSE(code_.Glsl.empty());
    EXPECT_NE(messages_.find(path + ":2: warning"), std::string::npos) << messages_;
    // A cached translation answers with its warnings too.
    messages_.clear();
    ASSERT_EQ(compile(path, "ps_4_0"), Result::Ok);
    EXPECT_NE(messages_.find("warning"), std::string::npos);
}

TEST_F(HlslCompilerTest, FailuresLeaveNoCodeAndSayWhere) {
    std::string include = write("lib/broken.hlsli", "float helper() {\n  return 1\n}\n");
    std::string path = write("uses_broken.hlsl", "#include \"lib/broken.hlsli\"\nfloat4 main() : SV_Target "
                                                 "{ return helper(); }\n");
    EXPECT_TRUE(gpu::failed(compile(path, "ps_5_0")));
    EXPECT_TRUE(code_.Glsl.empty());
    EXPECT_NE(messages_.find(include + ":3: error"), std::string::npos) << messages_;

    EXPECT_TRUE(gpu::failed(compile((dir_.path() / "absent.hlsl").string(), "vs_5_0")));
    EXPECT_NE(messages_.find("absent.hlsl"), std::string::npos);
    EXPECT_TRUE(code_.Glsl.empty());

    std::string fine = write("fine.hlsl", "float4 main() : SV_Target { return 1; }\n");
    EXPECT_TRUE(gpu::failed(compile(fine, "gs_5_0")));
    EXPECT_TRUE(gpu::failed(compile(fine, "ps_5_1")));
    EXPECT_TRUE(code_.Glsl.empty());
}

TEST_F(HlslCompilerTest, CachedTranslationsAreSharedByThreadsAndFollowTheIncludes) {
    write("colour.hlsli", "static const float4 kColour = float4(1, 0, 0, 1);\n");
    std::string path =
        write("cached.hlsl", "#include \"colour.hlsli\"\nfloat4 main() : SV_Target { return kColour; }\n");
    ShaderBytecode results[2];
    Result answers[2];
    std::thread other([&] { answers[1] = compileFromFile(path, "main", "ps_5_0", &results[1], nullptr); });
    answers[0] = compileFromFile(path, "main", "ps_5_0", &results[0], nullptr);
    other.join();
    ASSERT_EQ(answers[0], Result::Ok);
    ASSERT_EQ(answers[1], Result::Ok);
    EXPECT_EQ(results[0].Glsl, results[1].Glsl);
    ASSERT_EQ(compile(path, "ps_5_0"), Result::Ok);
    EXPECT_EQ(code_.Glsl, results[0].Glsl);

    // An edited include is a new translation, though the file itself is unchanged.
    write("colour.hlsli", "static const float4 kColour = float4(0, 0, 1, 1);\n");
    ASSERT_EQ(compile(path, "ps_5_0"), Result::Ok);
    EXPECT_NE(code_.Glsl, results[0].Glsl);
}

}  // namespace

#include "platform/shader_compiler/source_files.h"

namespace {

// What live reload asks when a file is saved: every file a shader pulls in, through includes of includes, in
// either spelling, each once; missing ones listed, and a cycle back to the shader not followed.
TEST(IncludedFiles, FollowsIncludesOfIncludesOnce) {
    testing_support::TempDir dir;
    dir.write("main.hlsl", "#include \"lib/a.hlsli\"\n  # include <b.hlsli>\n// #include \"in-a-comment-too.hlsli\"\n"
                           "float4 main() : SV_TARGET { return 0; }\n");
    dir.write("lib/a.hlsli", "#include \"../b.hlsli\"\n#include \"../missing.hlsli\"\n#include \"a.hlsli\"\n");
    dir.write("b.hlsli", "#include \"main.hlsl\"\nstatic const float b = 1;\n");
    const std::string root = dir.path().string();
    std::vector<std::string> found = shader_compiler::includedFiles(root + "/main.hlsl");
    std::sort(found.begin(), found.end());
    // A line commented out is no include.
    const std::vector<std::string> expected = {root + "/b.hlsli", root + "/lib/a.hlsli", root + "/missing.hlsli"};
    EXPECT_EQ(found, expected);
    EXPECT_TRUE(shader_compiler::includedFiles(root + "/nothing.hlsl").empty());
}

}  // namespace
