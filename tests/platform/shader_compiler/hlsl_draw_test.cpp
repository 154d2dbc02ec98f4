// HLSL compiled by the front end and drawn on the headless device: constant buffers per stage, a texture with a
// sampler of another register, varyings read in part, D3D packing of awkward constant blocks.

#include <algorithm>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "platform/shader_compiler/hlsl_compiler.h"
#include "support/gpu_test_support.h"
#include "support/test_support.h"

namespace {

using namespace gpu;
using testing_support::readBack;

constexpr std::uint32_t kSize = 8;

class HlslDrawTest : public testing_support::HeadlessGpuTest {
protected:
    ShaderBytecode compile(const std::string& name, const std::string& source, const char* profile) {
        ShaderBytecode code;
        std::string messages;
        EXPECT_EQ(shader_compiler::compileFromFile(dir_.write(name, source).string(), "main", profile, &code,
                                                   &messages),
                  Result::Ok)
            << messages;
        return code;
    }

    Ref<Buffer> constants(const void* data, std::uint32_t size) {
        return testing_support::makeBuffer(*device_, BIND_CONSTANT_BUFFER, data, size, Usage::Dynamic);
    }

    Ref<RenderTargetView> target(Format format, std::uint32_t width, std::uint32_t height, Ref<Texture2D>* texture) {
        EXPECT_EQ(device_->CreateTexture2D(testing_support::textureDesc(width, height, format, BIND_RENDER_TARGET),
                                           nullptr, texture),
                  Result::Ok);
        Ref<RenderTargetView> rtv;
        EXPECT_EQ(device_->CreateRenderTargetView(texture->get(), nullptr, &rtv), Result::Ok);
        RenderTargetView* views[] = {rtv.get()};
        context_->OMSetRenderTargets(1, views, nullptr);
        Viewport viewport{0, 0, float(width), float(height), 0, 1};
        context_->RSSetViewports(1, &viewport);
        return rtv;
    }

    testing_support::TempDir dir_;
};

// Full-screen triangle strip from SV_VertexID; the pixel shader's output depends on the constants it reads.
const char* kQuadVertex = R"(
float4 main(uint id : SV_VertexID) : SV_Position {
    float2 p = float2((id & 1) * 2.0 - 1.0, 1.0 - (id >> 1) * 2.0);
    return float4(p, 0.5, 1.0);
}
)";

TEST_F(HlslDrawTest, TexturedQuadWithConstantsOfBothStages) {
    ShaderBytecode vsCode = compile("quad_vs.hlsl", R"(
cbuffer Transform : register(b0) { row_major float4x4 world; };
cbuffer Shift : register(b1) { float2 shift; };
struct VsIn { float2 position : POSITION; float2 uv : TEXCOORD0; };
struct VsOut { float4 colour : COLOR0; float2 uv : TEXCOORD0; float4 position : SV_Position; };
VsOut main(VsIn input) {
    VsOut output;
    output.position = mul(float4(input.position, 0.5, 1.0), world) + float4(shift, 0, 0);
    output.uv = input.uv;
    output.colour = float4(1, 0, 1, 1);
    return output;
}
)",
                                  "vs_5_0");
    // Reads only the second of the vertex outputs.
    ShaderBytecode psCode = compile("quad_ps.hlsl", R"(
Texture2D image : register(t0);
SamplerState nearest : register(s1);
cbuffer Tint : register(b1) { float4 tint; };
float4 main(float2 uv : TEXCOORD0) : SV_Target { return image.Sample(nearest, uv) * tint; }
)",
                                    "ps_5_0");
    Ref<VertexShader> vs;
    Ref<PixelShader> ps;
    Ref<InputLayout> layout;
    ASSERT_EQ(device_->CreateVertexShader(vsCode, &vs), Result::Ok) << vsCode.Glsl;
    ASSERT_EQ(device_->CreatePixelShader(psCode, &ps), Result::Ok) << psCode.Glsl;
    const InputElementDesc elements[] = {{"POSITION", 0, Format::R32G32_FLOAT}, {"TEXCOORD", 0, Format::R32G32_FLOAT}};
    ASSERT_EQ(device_->CreateInputLayout(elements, 2, vsCode, &layout), Result::Ok);

    // Row-major bytes as the C++ side holds them: a translation by +1 in x that b1 takes back.
    const float world[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 0, 0, 1};
    const float shift[4] = {-1, 0, 0, 0};
    const float tint[4] = {1, 1, 0.5f, 1};
    Ref<Buffer> worldBuffer = constants(world, sizeof(world)), shiftBuffer = constants(shift, sizeof(shift)),
                tintBuffer = constants(tint, sizeof(tint));

    // 2 x 2 texels: red, green / blue, white.
    const std::uint8_t texels[16] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
    Ref<Texture2D> image;
    SubresourceData init{texels, 8, 0};
    ASSERT_EQ(device_->CreateTexture2D(testing_support::textureDesc(2, 2, Format::R8G8B8A8_UNORM,
                                                                    BIND_SHADER_RESOURCE),
                                       &init, &image),
              Result::Ok);
    Ref<ShaderResourceView> srv;
    ASSERT_EQ(device_->CreateShaderResourceView(image.get(), nullptr, &srv), Result::Ok);
    SamplerDesc pointDesc;
    pointDesc.Filter = Filter::MinMagMipPoint;
    Ref<SamplerState> point;
    ASSERT_EQ(device_->CreateSamplerState(pointDesc, &point), Result::Ok);

    Ref<Texture2D> colour;
    Ref<RenderTargetView> rtv = target(Format::R8G8B8A8_UNORM, kSize, kSize, &colour);
    const std::vector<float> quad = {-1, 1, 0, 0, 1, 1, 1, 0, -1, -1, 0, 1, 1, -1, 1, 1};
    Ref<Buffer> vb = testing_support::vertexBuffer(*device_, quad);
    Buffer* vbs[] = {vb.get()};
    std::uint32_t stride = 16, offset = 0;
    context_->IASetVertexBuffers(0, 1, vbs, &stride, &offset);
    context_->IASetInputLayout(layout.get());
    context_->IASetPrimitiveTopology(PrimitiveTopology::TriangleStrip);
    context_->VSSetShader(vs.get());
    context_->PSSetShader(ps.get());
    Buffer* vsBuffers[] = {worldBuffer.get(), shiftBuffer.get()};
    context_->VSSetConstantBuffers(0, 2, vsBuffers);
    Buffer* psBuffers[] = {tintBuffer.get()};
    context_->PSSetConstantBuffers(1, 1, psBuffers);
    ShaderResourceView* views[] = {srv.get()};
    context_->PSSetShaderResources(0, 1, views);
    SamplerState* samplers[] = {point.get()};
    context_->PSSetSamplers(1, 1, samplers);
    context_->Draw(4, 0);

    std::vector<std::uint8_t> pixels = readBack(*device_, *context_, colour.get());
    ASSERT_EQ(pixels.size(), kSize * kSize * 4);
    auto at = [&](std::uint32_t x, std::uint32_t y) {
        const std::uint8_t* p = &pixels[(y * kSize + x) * 4];
        return std::vector<int>{p[0], p[1], p[2]};
    };
    // Next to the middle, where a linear filter (the wrong sampler slot) would blend.
    EXPECT_EQ(at(3, 3), (std::vector<int>{255, 0, 0}));
    EXPECT_EQ(at(4, 3), (std::vector<int>{0, 255, 0}));
    EXPECT_EQ(at(3, 4), (std::vector<int>{0, 0, 128}));
    EXPECT_EQ(at(4, 4), (std::vector<int>{255, 255, 128}));
}

TEST_F(HlslDrawTest, PixelPositionCountsFromTheTopLeftPixelCentre) {
    ShaderBytecode vsCode = compile("vs.hlsl", kQuadVertex, "vs_4_0");
    ShaderBytecode psCode = compile("ps.hlsl", R"(
float4 main(float4 position : SV_Position) : SV_Target { return float4(position.xy, 0, 1); }
)",
                                    "ps_4_0");
    Ref<VertexShader> vs;
    Ref<PixelShader> ps;
    ASSERT_EQ(device_->CreateVertexShader(vsCode, &vs), Result::Ok) << vsCode.Glsl;
    ASSERT_EQ(device_->CreatePixelShader(psCode, &ps), Result::Ok) << psCode.Glsl;
    Ref<Texture2D> texture;
    Ref<RenderTargetView> rtv = target(Format::R32G32B32A32_FLOAT, 4, 2, &texture);
    context_->IASetPrimitiveTopology(PrimitiveTopology::TriangleStrip);
    context_->VSSetShader(vs.get());
    context_->PSSetShader(ps.get());
    context_->Draw(4, 0);
    std::vector<float> texels = testing_support::readBackFloats(*device_, *context_, texture.get());
    ASSERT_EQ(texels.size(), 4u * 2u * 4u);
    EXPECT_FLOAT_EQ(texels[0], 0.5f);
    EXPECT_FLOAT_EQ(texels[1], 0.5f);
    EXPECT_FLOAT_EQ(texels[(1 * 4 + 3) * 4 + 0], 3.5f);
    EXPECT_FLOAT_EQ(texels[(1 * 4 + 3) * 4 + 1], 1.5f);
}

// D3D packing: float2 inside the first register, array elements one register each with the next value in the
// last one's free space, a column-major matrix, a value after it.
TEST_F(HlslDrawTest, ConstantBlocksReadTheBytesD3DPacksThemAt) {
    ShaderBytecode vsCode = compile("vs.hlsl", kQuadVertex, "vs_5_0");
    ShaderBytecode psCode = compile("ps.hlsl", R"(
cbuffer Awkward : register(b2) {
    float a;       // 0
    float2 b;      // 4
    float c[2];    // 16, 32
    float d;       // 36
    float4x4 m;    // 48, one column per register
    float e;       // 112
};
float4 main(float4 position : SV_Position) : SV_Target {
    int x = int(position.x);
    if (x == 0) return float4(a, b, c[0]);
    if (x == 1) return float4(c[1], d, m[1][2], e);
    return float4(m[0][3], m[3][0], 0, 0);
}
)",
                                    "ps_5_0");
    Ref<VertexShader> vs;
    Ref<PixelShader> ps;
    ASSERT_EQ(device_->CreateVertexShader(vsCode, &vs), Result::Ok) << vsCode.Glsl;
    ASSERT_EQ(device_->CreatePixelShader(psCode, &ps), Result::Ok) << psCode.Glsl;
    float words[32];
    for (int i = 0; i < 32; ++i) words[i] = float(i);  // each float holds its own byte offset / 4
    Ref<Buffer> block = constants(words, sizeof(words));
    Ref<Texture2D> texture;
    Ref<RenderTargetView> rtv = target(Format::R32G32B32A32_FLOAT, 3, 1, &texture);
    context_->IASetPrimitiveTopology(PrimitiveTopology::TriangleStrip);
    context_->VSSetShader(vs.get());
    context_->PSSetShader(ps.get());
    Buffer* buffers[] = {block.get()};
    context_->PSSetConstantBuffers(2, 1, buffers);
    context_->Draw(4, 0);
    std::vector<float> texels = testing_support::readBackFloats(*device_, *context_, texture.get());
    EXPECT_EQ(texels, (std::vector<float>{0, 1, 2, 4, 8, 9, 21, 28, 24, 15, 0, 0})) << psCode.Glsl;
}

// Comparison gathers against the four point comparisons they stand for: over a 4 x 4 depth map, each pixel
// gathers the 2 x 2 texels from its own to the right and below (edges clamped), in D3D's order (x: left below,
// y: right below, z: right above, w: left above), each 1 where the reference is at most the texel's depth.
TEST_F(HlslDrawTest, ComparisonGathersCompareFourTexelsWithTheReference) {
    ShaderBytecode vsCode = compile("vs.hlsl", kQuadVertex, "vs_5_0");
    Ref<VertexShader> vs;
    ASSERT_EQ(device_->CreateVertexShader(vsCode, &vs), Result::Ok) << vsCode.Glsl;
    constexpr int kMap = 4;
    float depths[kMap * kMap];
    for (int i = 0; i < kMap * kMap; ++i) depths[i] = float((i * 5) % 8) / 8.0f + 1.0f / 16.0f;
    // The depths drawn into the map (a depth-stencil texture takes no initial data).
    Ref<Texture2D> map;
    ASSERT_EQ(device_->CreateTexture2D(testing_support::textureDesc(kMap, kMap, Format::R32_TYPELESS,
                                                                    BIND_DEPTH_STENCIL | BIND_SHADER_RESOURCE),
                                       nullptr, &map),
              Result::Ok);
    DepthStencilViewDesc asDepth;
    asDepth.Format = Format::D32_FLOAT;
    Ref<DepthStencilView> dsv;
    ASSERT_EQ(device_->CreateDepthStencilView(map.get(), &asDepth, &dsv), Result::Ok);
    ShaderBytecode depthCode = compile("depth.hlsl", R"(
void main(float4 position : SV_Position, out float depth : SV_Depth) {
    uint i = uint(position.y) * 4 + uint(position.x);
    depth = float((i * 5) % 8) / 8.0 + 1.0 / 16.0;
}
)",
                                       "ps_5_0");
    Ref<PixelShader> depthPs;
    ASSERT_EQ(device_->CreatePixelShader(depthCode, &depthPs), Result::Ok) << depthCode.Glsl;
    context_->ClearDepthStencilView(dsv.get(), CLEAR_DEPTH, 1.0f, 0);
    context_->OMSetRenderTargets(0, nullptr, dsv.get());
    Viewport viewport{0, 0, float(kMap), float(kMap), 0, 1};
    context_->RSSetViewports(1, &viewport);
    context_->IASetPrimitiveTopology(PrimitiveTopology::TriangleStrip);
    context_->VSSetShader(vs.get());
    context_->PSSetShader(depthPs.get());
    context_->Draw(4, 0);
    context_->OMSetRenderTargets(0, nullptr, nullptr);
    ShaderResourceViewDesc asFloat;
    asFloat.Format = Format::R32_FLOAT;
    Ref<ShaderResourceView> srv;
    ASSERT_EQ(device_->CreateShaderResourceView(map.get(), &asFloat, &srv), Result::Ok);
    SamplerDesc compareDesc;
    compareDesc.Filter = Filter::ComparisonMinMagMipPoint;
    compareDesc.ComparisonFunc = ComparisonFunc::LessEqual;
    Ref<SamplerState> compare;
    ASSERT_EQ(device_->CreateSamplerState(compareDesc, &compare), Result::Ok);
    const float reference[4] = {0.5f, 0, 0, 0};
    Ref<Buffer> block = constants(reference, sizeof(reference));

    for (const char* method : {"GatherCmp", "GatherCmpRed"}) {
        SCOPED_TRACE(method);
        ShaderBytecode psCode = compile(std::string(method) + ".hlsl", std::string(R"(
Texture2D<float> depthMap : register(t0);
SamplerComparisonState compareSampler : register(s0);
cbuffer Reference : register(b0) { float reference; };
float4 main(float4 position : SV_Position) : SV_Target {
    // A quarter texel past the pixel's own centre: the footprint starts at the pixel's texel, with no tie.
    return depthMap.)") + method + R"((compareSampler, (position.xy + 0.25) / 4.0, reference);
}
)",
                                        "ps_5_0");
        Ref<PixelShader> ps;
        ASSERT_EQ(device_->CreatePixelShader(psCode, &ps), Result::Ok) << psCode.Glsl;
        Ref<Texture2D> colour;
        Ref<RenderTargetView> rtv = target(Format::R8G8B8A8_UNORM, kMap, kMap, &colour);
        context_->IASetPrimitiveTopology(PrimitiveTopology::TriangleStrip);
        context_->VSSetShader(vs.get());
        context_->PSSetShader(ps.get());
        Buffer* buffers[] = {block.get()};
        context_->PSSetConstantBuffers(0, 1, buffers);
        ShaderResourceView* views[] = {srv.get()};
        context_->PSSetShaderResources(0, 1, views);
        SamplerState* samplers[] = {compare.get()};
        context_->PSSetSamplers(0, 1, samplers);
        context_->Draw(4, 0);
        std::vector<std::uint8_t> pixels = readBack(*device_, *context_, colour.get());
        ASSERT_EQ(pixels.size(), std::size_t(kMap * kMap * 4));
        auto passes = [&](int x, int y) {
            x = std::min(x, kMap - 1), y = std::min(y, kMap - 1);
            return reference[0] <= depths[y * kMap + x] ? 255 : 0;
        };
        int mixed = 0;
        for (int y = 0; y < kMap; ++y)
            for (int x = 0; x < kMap; ++x) {
                const std::uint8_t* p = &pixels[(y * kMap + x) * 4];
                const std::vector<int> got = {p[0], p[1], p[2], p[3]};
                const std::vector<int> expected = {passes(x, y + 1), passes(x + 1, y + 1), passes(x + 1, y), passes(x, y)};
                EXPECT_EQ(got, expected) << "pixel " << x << ", " << y;
                mixed += got != std::vector<int>{0, 0, 0, 0} && got != std::vector<int>{255, 255, 255, 255};
            }
        EXPECT_GT(mixed, 4);  // the depths are such that most footprints have both answers
    }
}

}  // namespace
