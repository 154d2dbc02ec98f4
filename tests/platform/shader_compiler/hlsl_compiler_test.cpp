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

// A shared file whose vertex function, which the pixel shaders never call, holds an initializer D3D reads as
// flat scalars and glslang refuses (six values a corner for a struct of seven): the pixel shaders compile as D3D
// builds them, an error in code the entry point reaches still fails with its file and line. Around it, what the
// reachability must keep: overloads, calls through other functions, a function used by a global, a cbuffer
// block without ';', an attribute.
TEST_F(HlslCompilerTest, FunctionsTheEntryPointDoesNotReachDoNotStopIt) {
    write("fullscreen.hlsli", R"(struct Corner { float4 position; float2 uv; uint index; };
struct Varyings { float4 position : SV_Position; float2 uv : TEXCOORD0; };
Varyings FullscreenVS(uint id : SV_VertexID)
{
    const Corner corners[3] = {
        {-1, -1, 1, 1}, {0, 1},
        { 3, -1, 1, 1}, {2, 1},
        {-1,  3, 1, 1}, {0, -1},
    };
    Varyings output;
    output.position = corners[id].position;
    output.uv = corners[id].uv;
    return output;
}
)");
    const std::string filter = write("filter.hlsl", R"(#include "fullscreen.hlsli"
Texture2D<float> depthMap : register(t0);
SamplerState nearest : register(s0);
cbuffer Filter : register(b0) { float2 texel; float reference; }
float weight(float x) { return x; }
float weight(float2 x) { return x.x * x.y; }
float tap(float2 uv) { return depthMap.Sample(nearest, uv) >= reference ? weight(1.0) : 0.0; }
static const float kScale = weight(float2(0.5, 2.0));
float unused(float x) { return FullscreenVS(0).uv.x * x; }
[earlydepthstencil]
float4 FilterPS(Varyings input) : SV_Target
{
    float lit = 0;
    [unroll] for (int i = 0; i < TAPS; ++i) lit += tap(input.uv + texel * i);
    return lit / TAPS * kScale;
}
)");
    const std::string reached = write("reached.hlsl", R"(#include "fullscreen.hlsli"
float2 cornerUv(uint id)
{
    const Corner corners[1] = { {-1, -1, 1, 1}, {0, 1} };
    return corners[id].uv;
}
float4 ReachedPS(Varyings input) : SV_Target { return float4(cornerUv(0), 0, 1); }
)");
    const std::string include = (dir_.path() / "fullscreen.hlsli").string();
    const struct {
        const std::string* path;
        const char* entry;
        const char* profile;
        const char* taps;
        std::string error;  // empty: compiles
    } kCases[] = {
        {&filter, "FilterPS", "ps_5_0", "1", ""},
        {&filter, "FilterPS", "ps_4_0", "4", ""},
        {&filter, "FilterPS", "ps_5_0", "9", ""},
        {&filter, "FullscreenVS", "vs_5_0", "1", include + ":5: error: 'initializer list' : wrong number of structure members"},
        {&reached, "ReachedPS", "ps_5_0", "1", reached + ":4: error: 'initializer list' : wrong number of structure members"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::string(c.entry) + " " + c.profile + " TAPS=" + c.taps);
        messages_.clear();
        const Result result = compileFromFile(*c.path, c.entry, c.profile, {{"TAPS", c.taps}}, &code_, nullptr, &messages_);
        if (c.error.empty()) {
            ASSERT_EQ(result, Result::Ok) << messages_;
            EXPECT_NE(code_.Glsl.find("main("), std::string::npos);
        } else {
            EXPECT_TRUE(gpu::failed(result));
            EXPECT_TRUE(code_.Glsl.empty());
            EXPECT_NE(messages_.find(c.error), std::string::npos) << messages_;
            // Only what the entry point reaches is reported.
            EXPECT_EQ(messages_.find("error", messages_.find("error") + 1), std::string::npos) << messages_;
        }
    }
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
