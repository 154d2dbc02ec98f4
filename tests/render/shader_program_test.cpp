// Shader programs compiled from HLSL files: input layouts from the vertex signature, and failures.

#include <gtest/gtest.h>

#include "render/shader_program.h"
#include "support/gpu_test_support.h"
#include "support/test_support.h"

namespace {

using gpu::Format;
using gpu::RegisterComponentType;

constexpr const char* kVertexSource = R"(
struct Input {
    float3 position : POSITION;
    uint id : BLENDINDICES;
    int2 offset : TEXCOORD1;
    float4 colour : COLOR;
};
float4 main(Input input) : SV_POSITION {
    return float4(input.position + float3(input.offset, input.id), 1.0) * input.colour;
}
)";

constexpr const char* kPixelSource = R"(
float4 main(float4 position : SV_POSITION) : SV_TARGET { return float4(1.0, 0.0, 0.0, 1.0); }
)";

std::u16string widePath(const std::filesystem::path& path) { return path.u16string(); }

class ShaderProgramTest : public testing_support::HeadlessGpuTest {
protected:
    testing_support::TempDir dir_;
};

TEST_F(ShaderProgramTest, InputLayoutFollowsTheVertexSignaturePackedInSlotZero) {
    const std::u16string path = widePath(dir_.write("inputs.hlsl", kVertexSource));
    ShaderProgram program(device_);
    ASSERT_EQ(program.loadVertexShader(path.c_str(), "VertexMain"), gpu::Result::Ok);
    EXPECT_EQ(program.stageNames[0], "VertexMain");
    EXPECT_EQ(program.sourcePath, path);
    ASSERT_TRUE(program.vertexShader());
    ASSERT_TRUE(program.inputLayout());
    EXPECT_FALSE(program.pixelShader());

    // float3, uint, int2, float4 in declaration order, tightly packed.
    const auto& attributes = program.inputLayout()->attributes();
    ASSERT_EQ(attributes.size(), 4u);
    const GLint sizes[4] = {3, 1, 2, 4};
    const GLenum types[4] = {GL_FLOAT, GL_UNSIGNED_INT, GL_INT, GL_FLOAT};
    const std::uint32_t offsets[4] = {0, 12, 16, 24};
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(attributes[i].size, sizes[i]);
        EXPECT_EQ(attributes[i].type, types[i]);
        EXPECT_EQ(attributes[i].integer, types[i] != GL_FLOAT);
        EXPECT_EQ(attributes[i].offset, offsets[i]);
        EXPECT_EQ(attributes[i].slot, 0u);
    }

    // A second program of the same file (a scene's next mesh) shares the bytecode and the objects.
    ShaderProgram again(device_);
    ASSERT_EQ(again.loadVertexShader(path.c_str(), "VertexMain"), gpu::Result::Ok);
    EXPECT_EQ(again.code, program.code);
    EXPECT_EQ(again.vertexShader(), program.vertexShader());
    EXPECT_EQ(again.inputLayout(), program.inputLayout());
}

TEST_F(ShaderProgramTest, FailedCompilesLeaveTheStageEmpty) {
    const std::u16string missing = widePath(dir_.path() / "missing.hlsl");
    ShaderProgram program(device_);
    EXPECT_TRUE(gpu::failed(program.loadVertexShader(missing.c_str(), "VertexMain")));
    EXPECT_FALSE(program.vertexShader());
    EXPECT_FALSE(program.inputLayout());
    EXPECT_EQ(program.sourcePath, missing);

    const std::u16string broken = widePath(dir_.write("broken.hlsl", "float4 main( : SV_TARGET {"));
    EXPECT_TRUE(gpu::failed(program.loadPixelShader(broken.c_str(), "PixelMain")));
    EXPECT_FALSE(program.pixelShader());
    EXPECT_EQ(program.stageNames[1], "PixelMain");

    // An empty path (a key the manifest lacks) fails the same way.
    EXPECT_TRUE(gpu::failed(program.loadPixelShader(u"", "p")));

    // A pixel stage compiled later leaves the vertex stage's layout alone.
    const std::u16string vertex = widePath(dir_.write("inputs.hlsl", kVertexSource));
    const std::u16string pixel = widePath(dir_.write("pixel.hlsl", kPixelSource));
    ASSERT_EQ(program.loadVertexShader(vertex.c_str(), "VertexMain"), gpu::Result::Ok);
    gpu::InputLayout* layout = program.inputLayout();
    ASSERT_EQ(program.loadPixelShader(pixel.c_str(), "PixelMain"), gpu::Result::Ok);
    EXPECT_TRUE(program.pixelShader());
    EXPECT_EQ(program.inputLayout(), layout);
    EXPECT_EQ(program.sourcePath, pixel);
}

TEST(ShaderProgramFormatTest, MaskIsTakenAsANumber) {
    struct Case {
        std::uint8_t mask;
        Format uint, sint, real;
    };
    for (Case c : {Case{1, Format::R32_UINT, Format::R32_SINT, Format::R32_FLOAT},
                   Case{3, Format::R32G32_UINT, Format::R32G32_SINT, Format::R32G32_FLOAT},
                   Case{4, Format::R32G32B32_UINT, Format::R32G32B32_SINT, Format::R32G32B32_FLOAT},
                   Case{7, Format::R32G32B32_UINT, Format::R32G32B32_SINT, Format::R32G32B32_FLOAT},
                   Case{8, Format::R32G32B32A32_UINT, Format::R32G32B32A32_SINT, Format::R32G32B32A32_FLOAT},
                   Case{15, Format::R32G32B32A32_UINT, Format::R32G32B32A32_SINT, Format::R32G32B32A32_FLOAT}}) {
        SCOPED_TRACE(int(c.mask));
        EXPECT_EQ(ShaderProgram::inputElementFormat(c.mask, RegisterComponentType::UInt32), c.uint);
        EXPECT_EQ(ShaderProgram::inputElementFormat(c.mask, RegisterComponentType::SInt32), c.sint);
        EXPECT_EQ(ShaderProgram::inputElementFormat(c.mask, RegisterComponentType::Float32), c.real);
    }
}

}  // namespace
