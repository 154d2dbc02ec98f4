// Constant blocks as D3D lays them out, and the constructs D3D's compiler takes that glslang alone does not: each
// case's values are drawn through the device and read back as the raw bits of every component, so a value at a
// wrong offset shows as the wrong word. Offsets follow D3D's packing rules (worked out in each case's comment).

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>
#include <vector>

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include "platform/shader_compiler/hlsl_compiler.h"
#include "support/gpu_test_support.h"
#include "support/test_support.h"

namespace {

using namespace gpu;

// Word i of the constant buffer holds kBase + i: a normal float near 1, so a float member's bits survive the
// round trip (denormals may be flushed), and each word tells its own index.
constexpr std::uint32_t kBase = 0x3F800000u;
constexpr std::uint32_t kWords = 64;

std::vector<std::uint32_t> words(std::initializer_list<std::uint32_t> indices) {
    std::vector<std::uint32_t> out;
    for (std::uint32_t i : indices) out.push_back(kBase + i);
    return out;
}

struct Case {
    const char* name;
    const char* declarations;                 // the block (and anything else the values read)
    const char* values;                       // uint expressions, comma-separated
    std::vector<std::uint32_t> expected;      // their bits
};

const Case kCases[] = {
    // A float3 at c0, then B and C in c1's first two components; D placed before F though declared after it.
    {"PackoffsetWithComponents",
     "cbuffer C : register(b0) { float3 A : packoffset(c0); float B : packoffset(c1.x); float C : packoffset(c1.y);"
     " float D : packoffset(c3.w); float4 F : packoffset(c2); };",
     "asuint(A.x), asuint(A.y), asuint(A.z), asuint(B), asuint(C), asuint(D), asuint(F.x), asuint(F.w)",
     words({0, 1, 2, 4, 5, 15, 8, 11})},
    // Variables without packoffset follow the last placed one.
    {"UnplacedAfterPlaced",
     "cbuffer C : register(b0) { float2 late; float4 first : packoffset(c1); float after; };",
     "asuint(first.x), asuint(late.x), asuint(late.y), asuint(after)", words({4, 8, 9, 10})},
    // An array's elements take a register each; the scalar after it sits in the last one's tail (word 13).
    {"ScalarAfterArray", "cbuffer C : register(b0) { uint IsPointLight[4]; uint ActiveLights; };",
     "IsPointLight[0], IsPointLight[1], IsPointLight[3], ActiveLights", words({0, 4, 12, 13})},
    // Light: position 0-2, kind 3, range 4-5, flags 6 (28 bytes, stride 32). lights at c1; after the array
    // (16 + 32 + 28 = 76) the next register: count at word 20, tail at 21-23.
    {"MixedTypesNestedStructArray",
     "struct Light { float3 position; int kind; float2 range; uint flags; };"
     "cbuffer C : register(b0) { float a; Light lights[2]; int count; float3 tail; };",
     "asuint(a), asuint(lights[0].position.z), asuint(lights[0].kind), asuint(lights[0].range.y),"
     " lights[0].flags, asuint(lights[1].position.x), asuint(lights[1].kind), lights[1].flags, asuint(count),"
     " asuint(tail.x), asuint(tail.z)",
     words({0, 6, 7, 9, 10, 12, 15, 18, 20, 21, 23})},
    // column_major float3x3: a column a register, 44 bytes, `after` in its tail (word 11); row_major float2x3:
    // a row a register from c3 (words 12-14, 16-18), `last` in its tail (word 19).
    {"MatricesBothMajors",
     "cbuffer C : register(b0) { float3x3 cm; float after; row_major float2x3 rm; float last; };",
     "asuint(cm[0][0]), asuint(cm[1][0]), asuint(cm[0][2]), asuint(cm[2][1]), asuint(after), asuint(rm[0][0]),"
     " asuint(rm[0][2]), asuint(rm[1][1]), asuint(last)",
     words({0, 1, 8, 6, 11, 12, 14, 17, 19})},
    // A mixed block whose float2 sits in a register's second half and whose int follows a matrix's tail.
    {"MixedAcrossTails", "cbuffer C : register(b0) { int i; float2 f2; float2x2 m; int j; uint2 u; };",
     "asuint(i), asuint(f2.x), asuint(f2.y), asuint(m[0][1]), asuint(m[1][1]), asuint(j), u.x, u.y",
     words({0, 1, 2, 8, 9, 10, 12, 13})},
    // Two-dimensional arrays: element [i][j] in register 3i + j (2i + j); the value after one in the last
    // element's tail. Mixed types read through raw bytes, one type through a vec4 array.
    {"TwoDimensionalArrays", "cbuffer C : register(b0) { float a[2][3]; int b; };",
     "asuint(a[0][1]), asuint(a[1][0]), asuint(a[1][2]), asuint(b)", words({4, 12, 20, 21})},
    {"TwoDimensionalArraysOfOneType", "cbuffer C : register(b0) { float m[2][2]; float after; };",
     "asuint(m[0][1]), asuint(m[1][0]), asuint(m[1][1]), asuint(after)", words({4, 8, 12, 13})},
    // Brace elision: the struct braces left out, as D3D's compiler reads it.
    {"BraceElidedStructArray",
     "struct S { float4 p; float2 t; };"
     "static const S table[2] = { {1, 2, 3, 4}, {5, 6}, {7, 8, 9, 10}, {11, 12} };"
     "static const float2 flat[2] = { 13, 14, float(15), 16 };"
     "struct L { float3 a; float b; }; static const L lights[2] = { 17, 18, 19, 20, float2(21, 22), 23, 24 };",
     "asuint(table[0].p.w), asuint(table[0].t.y), asuint(table[1].p.x), asuint(table[1].t.x), asuint(flat[1].x),"
     " asuint(lights[0].b), asuint(lights[1].a.y), asuint(lights[1].b)",
     {std::bit_cast<std::uint32_t>(4.0f), std::bit_cast<std::uint32_t>(6.0f), std::bit_cast<std::uint32_t>(7.0f),
      std::bit_cast<std::uint32_t>(11.0f), std::bit_cast<std::uint32_t>(15.0f), std::bit_cast<std::uint32_t>(20.0f),
      std::bit_cast<std::uint32_t>(22.0f), std::bit_cast<std::uint32_t>(24.0f)}},
};

class HlslLayoutTest : public testing_support::HeadlessGpuTest {
protected:
    // The case's values, drawn into one RGBA32_UINT pixel each four.
    std::vector<std::uint32_t> draw(const Case& c, const char* profile, std::string* glsl) {
        std::string values = c.values;
        const std::size_t count = std::count(values.begin(), values.end(), ',') + 1;
        const std::size_t pixels = (count + 3) / 4;
        const std::string source = std::string(c.declarations) + "\nuint4 main(float4 position : SV_Position) : "
                                   "SV_Target {\n    uint v[" + std::to_string(pixels * 4) + "] = { " + values +
                                   padding(pixels * 4 - count) + " };\n    int x = int(position.x) * 4;\n"
                                   "    return uint4(v[x], v[x + 1], v[x + 2], v[x + 3]);\n}\n";
        ShaderBytecode vsCode, psCode;
        std::string messages;
        EXPECT_EQ(shader_compiler::compileFromFile(dir_.write("quad.hlsl", kQuad).string(), "main",
                                                   profile[0] == 'p' && profile[3] == '4' ? "vs_4_0" : "vs_5_0",
                                                   &vsCode, &messages),
                  Result::Ok)
            << messages;
        shader_compiler::ShaderReflection reflection;
        EXPECT_EQ(shader_compiler::compileFromFile(dir_.write("ps.hlsl", source).string(), "main", profile, {},
                                                   &psCode, &reflection, &messages),
                  Result::Ok)
            << messages;
        *glsl = psCode.Glsl;
        Ref<VertexShader> vs;
        Ref<PixelShader> ps;
        if (device_->CreateVertexShader(vsCode, &vs) != Result::Ok || device_->CreatePixelShader(psCode, &ps) != Result::Ok)
            return {};
        expectGlBlocksHoldTheLayout(psCode.Glsl, reflection);
        std::vector<std::uint32_t> bits(kWords);
        for (std::uint32_t i = 0; i < kWords; ++i) bits[i] = kBase + i;
        Ref<Buffer> block = testing_support::makeBuffer(*device_, BIND_CONSTANT_BUFFER, bits.data(), kWords * 4,
                                                        Usage::Dynamic);
        Ref<Texture2D> texture;
        EXPECT_EQ(device_->CreateTexture2D(testing_support::textureDesc(std::uint32_t(pixels), 1,
                                                                        Format::R32G32B32A32_UINT, BIND_RENDER_TARGET),
                                           nullptr, &texture),
                  Result::Ok);
        Ref<RenderTargetView> rtv;
        EXPECT_EQ(device_->CreateRenderTargetView(texture.get(), nullptr, &rtv), Result::Ok);
        RenderTargetView* views[] = {rtv.get()};
        context_->OMSetRenderTargets(1, views, nullptr);
        Viewport viewport{0, 0, float(pixels), 1, 0, 1};
        context_->RSSetViewports(1, &viewport);
        context_->IASetPrimitiveTopology(PrimitiveTopology::TriangleStrip);
        context_->VSSetShader(vs.get());
        context_->PSSetShader(ps.get());
        Buffer* buffers[] = {block.get()};
        context_->PSSetConstantBuffers(0, 1, buffers);
        context_->Draw(4, 0);
        std::vector<std::uint8_t> bytes = testing_support::readBack(*device_, *context_, texture.get());
        std::vector<std::uint32_t> read(count);
        if (bytes.size() >= count * 4) std::memcpy(read.data(), bytes.data(), count * 4);
        return read;
    }

    static std::string padding(std::size_t n) {
        std::string out;
        for (std::size_t i = 0; i < n; ++i) out += ", 0";
        return out;
    }

    // GL's own reflection of the program agrees with the D3D layout: a block GLSL states member by member has
    // each member at its D3D offset; a block read as an array is at least the D3D size.
    void expectGlBlocksHoldTheLayout(const std::string& glsl, const shader_compiler::ShaderReflection& reflection) {
        const char* text = glsl.c_str();
        const GLuint program = glCreateShaderProgramv(GL_FRAGMENT_SHADER, 1, &text);
        for (std::size_t b = 0; b < reflection.constantBuffers.size(); ++b) {
            const shader_compiler::ConstantBufferLayout& layout = reflection.constantBuffers[b];
            const std::string block = "PS_b" + std::to_string(layout.slot);
            const GLuint index = glGetProgramResourceIndex(program, GL_UNIFORM_BLOCK, block.c_str());
            ASSERT_NE(index, GL_INVALID_INDEX) << block << "\n" << glsl;
            const GLenum sizeProperty = GL_BUFFER_DATA_SIZE;
            GLint size = 0;
            glGetProgramResourceiv(program, GL_UNIFORM_BLOCK, index, 1, &sizeProperty, 1, nullptr, &size);
            EXPECT_GE(std::uint32_t(size), layout.size - 16 + 4) << block;
            for (const shader_compiler::ConstantVariable& variable : layout.variables) {
                const std::string member = block + ".m_" + variable.name;
                GLuint uniform = glGetProgramResourceIndex(program, GL_UNIFORM, member.c_str());
                if (uniform == GL_INVALID_INDEX)
                    uniform = glGetProgramResourceIndex(program, GL_UNIFORM, (member + "[0]").c_str());
                if (uniform == GL_INVALID_INDEX) continue;  // read as an array of registers, or unused
                const GLenum offsetProperty = GL_OFFSET;
                GLint offset = -1;
                glGetProgramResourceiv(program, GL_UNIFORM, uniform, 1, &offsetProperty, 1, nullptr, &offset);
                EXPECT_EQ(std::uint32_t(offset), variable.offset) << member;
            }
        }
        glDeleteProgram(program);
    }

    static constexpr const char* kQuad = R"(
float4 main(uint id : SV_VertexID) : SV_Position {
    float2 p = float2((id & 1) * 2.0 - 1.0, 1.0 - (id >> 1) * 2.0);
    return float4(p, 0.5, 1.0);
}
)";
    testing_support::TempDir dir_;
};

TEST_F(HlslLayoutTest, EveryCaseReadsTheWordsD3DPacksItsValuesAtOnEveryPixelProfile) {
    for (const Case& c : kCases) {
        for (const char* profile : {"ps_4_0", "ps_5_0"}) {
            std::string glsl;
            EXPECT_EQ(draw(c, profile, &glsl), c.expected) << c.name << " " << profile << "\n" << glsl;
        }
    }
}

// What the front end cannot place or bind is an error that says where and why, never a silent move.
TEST_F(HlslLayoutTest, PlacementsAgainstD3DsRulesAndUnbindableResourcesAreErrorsWithTheirPlace) {
    const struct {
        const char* source;
        const char* message;
    } kErrors[] = {
        {"cbuffer C { float2 X : packoffset(c0.w); };\nfloat4 main() : SV_Target { return X.xyxy; }",
         "ps.hlsl:1: error: packoffset(c0.w) makes 'X' cross a register boundary"},
        {"cbuffer C {\n float4 A : packoffset(c0);\n float B : packoffset(c0.z); };\n"
         "float4 main() : SV_Target { return A + B; }",
         "ps.hlsl:2: error: 'A' at packoffset(c0) overlaps 'B'"},
        {"#include \"inc/block.hlsli\"\nfloat4 main() : SV_Target { return Y; }",
         "inc/block.hlsli:3: error: 'Y' at packoffset(c2.y) overlaps 'Z'"},
        {"cbuffer C { float A[2] : packoffset(c1.y); };\nfloat4 main() : SV_Target { return A[1]; }",
         "error: an array, matrix or struct must start a register (packoffset(c1.y))"},
        {"StructuredBuffer<float4> sb : register(t3);\nfloat4 main() : SV_Target { return sb[0]; }",
         "'sb' (t3): structured and byte-address buffers cannot be bound on this device"},
        {"RWTexture2D<float4> uav : register(u1);\nfloat4 main() : SV_Target { uav[uint2(0, 0)] = 1; return 0; }",
         "'uav' (u1): unordered access views cannot be bound on this device"},
        {"TextureCube<float> d : register(t0); SamplerComparisonState s : register(s0);\n"
         "float4 main(float3 uv : TEXCOORD) : SV_Target { return d.GatherCmpRed(s, uv, 0.5); }",
         "ps.hlsl: error: this comparison gather (GatherCmp, GatherCmpRed, ...) is not supported"},
    };
    dir_.write("inc/block.hlsli", "// a block in an include\ncbuffer D {\n float Y : packoffset(c2.y);\n"
                                  " float2 Z : packoffset(c2.x);\n};\n");
    for (const auto& error : kErrors) {
        ShaderBytecode code;
        std::string messages;
        EXPECT_NE(shader_compiler::compileFromFile(dir_.write("ps.hlsl", error.source).string(), "main", "ps_5_0",
                                                   &code, &messages),
                  Result::Ok)
            << error.source;
        EXPECT_NE(messages.find(error.message), std::string::npos) << error.source << "\n" << messages;
        EXPECT_TRUE(code.Glsl.empty());
    }
}

}  // namespace
