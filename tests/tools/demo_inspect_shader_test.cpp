// demo-inspect --shader: the reflection a show maker reads when a value arrives in the wrong place.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "support/test_support.h"

namespace {

using testing_support::CommandResult;
using testing_support::TempDir;

CommandResult inspectShader(const TempDir& dir, const std::string& arguments) {
    return testing_support::runCommand("cd " + testing_support::shellQuote(dir.path().string()) + " && " +
                                       testing_support::shellQuote(DEMO_BINARY_DIR "/demo-inspect") + " " + arguments +
                                       " 2>&1");
}

const char* kShader = R"(
struct Light { float3 position; int kind; };
cbuffer Frame : register(b1) { row_major float4x4 world; Light lights[2]; uint count; float3 tint; };
cbuffer Placed : register(b3) { float a : packoffset(c1.z); float4 b : packoffset(c0); };
Texture2D tex : register(t2);
SamplerState smp : register(s1);
struct VsIn { float3 p : POSITION; float2 uv : TEXCOORD1; uint id : BLENDINDICES; };
float4 main(VsIn i) : SV_Position {
    return mul(float4(i.p, 1), world) * SCALE + lights[1].kind + count + tint.x + a + b + tex.SampleLevel(smp, i.uv, 0);
}
)";

TEST(DemoInspectShader, PrintsEachVariablesOffsetTheBoundResourcesAndTheInputs) {
    TempDir dir;
    dir.write("shaders/frame.hlsl", kShader);
    const CommandResult run =
        inspectShader(dir, "--shader shaders/frame.hlsl --entry main --profile vs_5_0 --define SCALE=2 --json");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const nlohmann::json doc = nlohmann::json::parse(run.output);
    EXPECT_EQ(doc["defines"]["SCALE"], "2");
    // world c0-c3; lights[0] c4, lights[1] c5 (16 bytes each: float3 and int); count c6.x; tint c6.yzw.
    const struct {
        std::size_t buffer, variable;
        const char* name;
        const char* type;
        unsigned offset, size;
    } kVariables[] = {
        {0, 0, "world", "row_major float4x4", 0, 64}, {0, 1, "lights", "Light[2]", 64, 32},
        {0, 2, "count", "uint", 96, 4},               {0, 3, "tint", "float3", 100, 12},
        {1, 0, "a", "float", 24, 4},                  {1, 1, "b", "float4", 0, 16},
    };
    for (const auto& v : kVariables) {
        const nlohmann::json& variable = doc["constantBuffers"][v.buffer]["variables"][v.variable];
        EXPECT_EQ(variable["name"], v.name);
        EXPECT_EQ(variable["type"], v.type) << v.name;
        EXPECT_EQ(variable["offset"], v.offset) << v.name;
        EXPECT_EQ(variable["size"], v.size) << v.name;
    }
    EXPECT_EQ(doc["constantBuffers"][0]["variables"][1]["members"][1]["offset"], 12);  // Light::kind
    EXPECT_EQ(doc["constantBuffers"][0]["size"], 112);
    EXPECT_EQ(doc["constantBuffers"][1]["slot"], 3);
    const nlohmann::json expectedResources = nlohmann::json::parse(
        R"([{"name": "Frame", "kind": "cbuffer", "slot": 1}, {"name": "Placed", "kind": "cbuffer", "slot": 3},
            {"name": "smp", "kind": "sampler", "slot": 1}, {"name": "tex", "kind": "texture", "slot": 2}])");
    EXPECT_EQ(doc["resources"], expectedResources);
    ASSERT_EQ(doc["inputs"].size(), 3u);
    EXPECT_EQ(doc["inputs"][1]["semantic"], "TEXCOORD");
    EXPECT_EQ(doc["inputs"][1]["index"], 1);
    EXPECT_EQ(doc["inputs"][2]["type"], "uint");

    const CommandResult text = inspectShader(dir, "--shader shaders/frame.hlsl --entry main --profile vs_4_0 "
                                                  "--define SCALE");
    EXPECT_EQ(text.exitCode, 0) << text.output;
    EXPECT_NE(text.output.find("Frame (b1), 112 bytes"), std::string::npos) << text.output;
}

TEST(DemoInspectShader, AShaderThatDoesNotCompileOrAMissingArgumentEndsWithExitCodeOne) {
    TempDir dir;
    dir.write("frame.hlsl", kShader);
    const CommandResult undefined = inspectShader(dir, "--shader frame.hlsl --entry main --profile vs_5_0");
    EXPECT_EQ(undefined.exitCode, 1);
    EXPECT_NE(undefined.output.find("frame.hlsl:9: error: 'SCALE' : unknown variable"), std::string::npos)
        << undefined.output;
    for (const char* bad : {"--shader frame.hlsl --profile vs_5_0", "--shader frame.hlsl --entry main",
                            "--shader frame.hlsl --entry main --profile gs_5_0 --define SCALE",
                            "--shader missing.hlsl --entry main --profile ps_5_0", "--shader"}) {
        EXPECT_EQ(inspectShader(dir, bad).exitCode, 1) << bad;
    }
}

}  // namespace
