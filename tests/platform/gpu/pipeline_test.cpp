// Input layouts from a vertex shader's signature, per-stage slots, depth states and shader objects.

#include <gtest/gtest.h>

#include "support/gpu_test_support.h"

namespace {

using namespace gpu;
using testing_support::glslShader;
using testing_support::textureDesc;

// A screen-covering triangle: POSITION float3, then an unsigned byte colour, interleaved with padding.
struct Vertex {
    float position[3];
    std::uint8_t colour[4];
    float unused;
};

class PipelineTest : public testing_support::HeadlessGpuTest {
protected:
    void SetUp() override {
        HeadlessGpuTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(
            device_->CreateTexture2D(textureDesc(4, 4, Format::R8G8B8A8_UNORM, BIND_RENDER_TARGET), nullptr, &target_),
            Result::Ok);
        ASSERT_EQ(device_->CreateRenderTargetView(target_.get(), nullptr, &rtv_), Result::Ok);
        const float black[4] = {0, 0, 0, 0};
        context_->ClearRenderTargetView(rtv_.get(), black);
        Viewport viewport{0, 0, 4, 4, 0, 1};
        context_->RSSetViewports(1, &viewport);
        context_->IASetPrimitiveTopology(PrimitiveTopology::TriangleList);
    }

    std::vector<std::uint8_t> firstPixel() {
        std::vector<std::uint8_t> bytes = testing_support::readBack(*device_, *context_, target_.get());
        return bytes.size() >= 4 ? std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 4) : bytes;
    }

    Ref<Buffer> buffer(std::uint32_t bind, const void* data, std::uint32_t size) {
        return testing_support::makeBuffer(*device_, bind, data, size);
    }

    // Draws the screen-covering triangle in one colour into the target through `layout` and the shaders.
    void drawTriangle(std::uint8_t r, std::uint8_t g, std::uint8_t b, InputLayout* layout, VertexShader* vs,
                      PixelShader* ps) {
        const Vertex vertices[3] = {{{-1, 1, 0.5f}, {r, g, b, 255}, 0},
                                    {{3, 1, 0.5f}, {r, g, b, 255}, 0},
                                    {{-1, -3, 0.5f}, {r, g, b, 255}, 0}};
        const std::uint16_t indices[3] = {0, 1, 2};
        Ref<Buffer> vb = buffer(BIND_VERTEX_BUFFER, vertices, sizeof(vertices));
        Ref<Buffer> ib = buffer(BIND_INDEX_BUFFER, indices, sizeof(indices));
        RenderTargetView* rtv = rtv_.get();
        context_->OMSetRenderTargets(1, &rtv, nullptr);
        Buffer* vbs[1] = {vb.get()};
        std::uint32_t stride = sizeof(Vertex), offset = 0;
        context_->IASetVertexBuffers(0, 1, vbs, &stride, &offset);
        context_->IASetIndexBuffer(ib.get(), Format::R16_UINT, 0);
        context_->IASetInputLayout(layout);
        context_->VSSetShader(vs);
        context_->PSSetShader(ps);
        context_->DrawIndexed(3, 0, 0);
    }

    Ref<Texture2D> target_;
    Ref<RenderTargetView> rtv_;
};

ShaderBytecode positionColourShader() {
    ShaderBytecode code = glslShader(ShaderStage::Vertex, R"(
layout(location = 0) in vec3 POSITION;
layout(location = 3) in vec4 COLOR;
out gl_PerVertex { vec4 gl_Position; };
layout(location = 0) out vec4 vColour;
void main() { gl_Position = vec4(POSITION, 1.0); vColour = COLOR; }
)");
    code.InputSignature = {{"POSITION", 0, RegisterComponentType::Float32, 0x7, 0},
                           {"COLOR", 0, RegisterComponentType::Float32, 0xF, 3}};
    return code;
}

ShaderBytecode passThroughPixelShader() {
    return glslShader(ShaderStage::Pixel, R"(
layout(location = 0) in vec4 vColour;
layout(location = 0) out vec4 result;
void main() { result = vColour; }
)");
}

TEST_F(PipelineTest, InputLayoutMatchesElementsToTheSignatureBySemantic) {
    ShaderBytecode vsCode = positionColourShader();
    Ref<VertexShader> vs;
    Ref<PixelShader> ps;
    ASSERT_EQ(device_->CreateVertexShader(vsCode, &vs), Result::Ok);
    ASSERT_EQ(device_->CreatePixelShader(passThroughPixelShader(), &ps), Result::Ok);
    // Declared out of signature order, with case-insensitive names and an element the shader does not read.
    const InputElementDesc elements[] = {{"TEXCOORD", 0, Format::R32_FLOAT, 0, 16},
                                         {"color", 0, Format::R8G8B8A8_UNORM, 0, 12},
                                         {"POSITION", 0, Format::R32G32B32_FLOAT, 0, 0}};
    Ref<InputLayout> layout;
    ASSERT_EQ(device_->CreateInputLayout(elements, 3, vsCode, &layout), Result::Ok);

    drawTriangle(255, 128, 0, layout.get(), vs.get(), ps.get());
    EXPECT_EQ(firstPixel(), (std::vector<std::uint8_t>{255, 128, 0, 255}));

    // A signature input without an element, or with an element of the wrong kind, makes no layout.
    EXPECT_EQ(device_->CreateInputLayout(elements + 2, 1, vsCode, &layout), Result::InvalidArg);
    EXPECT_FALSE(layout);
    const InputElementDesc integerColour[] = {{"POSITION", 0, Format::R32G32B32_FLOAT},
                                              {"COLOR", 0, Format::R8G8B8A8_UINT}};
    EXPECT_EQ(device_->CreateInputLayout(integerColour, 2, vsCode, &layout), Result::InvalidArg);
    const InputElementDesc depthFormat[] = {{"POSITION", 0, Format::D32_FLOAT}, {"COLOR", 0, Format::R8G8B8A8_UNORM}};
    EXPECT_EQ(device_->CreateInputLayout(depthFormat, 2, vsCode, &layout), Result::InvalidArg);
}

TEST_F(PipelineTest, EqualShadersAndLayoutsAreOneObjectWhileOneLives) {
    const ShaderBytecode vsCode = positionColourShader();
    const InputElementDesc elements[] = {{"POSITION", 0, Format::R32G32B32_FLOAT, 0, 0},
                                         {"COLOR", 0, Format::R8G8B8A8_UNORM, 0, 12}};
    const InputElementDesc otherOffsets[] = {{"POSITION", 0, Format::R32G32B32_FLOAT, 0, 4},
                                             {"COLOR", 0, Format::R8G8B8A8_UNORM, 0, 16}};
    Ref<VertexShader> vs[2];
    Ref<PixelShader> ps[2];
    Ref<InputLayout> layouts[3];
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(device_->CreateVertexShader(vsCode, &vs[i]), Result::Ok);
        ASSERT_EQ(device_->CreatePixelShader(passThroughPixelShader(), &ps[i]), Result::Ok);
        ASSERT_EQ(device_->CreateInputLayout(elements, 2, vsCode, &layouts[i]), Result::Ok);
    }
    ASSERT_EQ(device_->CreateInputLayout(otherOffsets, 2, vsCode, &layouts[2]), Result::Ok);
    EXPECT_EQ(vs[0], vs[1]);
    EXPECT_EQ(ps[0], ps[1]);
    EXPECT_EQ(layouts[0], layouts[1]);
    EXPECT_NE(layouts[0], layouts[2]);
    EXPECT_EQ(vs[0]->refCount(), 2u);

    // Once all are gone the next creation makes a new object, which draws.
    for (int i = 0; i < 2; ++i) vs[i] = nullptr, ps[i] = nullptr, layouts[i] = nullptr;
    const std::int64_t live = DeviceChild::liveCount();
    ASSERT_EQ(device_->CreateVertexShader(vsCode, &vs[0]), Result::Ok);
    ASSERT_EQ(device_->CreatePixelShader(passThroughPixelShader(), &ps[0]), Result::Ok);
    ASSERT_EQ(device_->CreateInputLayout(elements, 2, vsCode, &layouts[0]), Result::Ok);
    EXPECT_EQ(DeviceChild::liveCount(), live + 3);
    drawTriangle(0, 255, 0, layouts[0].get(), vs[0].get(), ps[0].get());
    EXPECT_EQ(firstPixel(), (std::vector<std::uint8_t>{0, 255, 0, 255}));
}

TEST_F(PipelineTest, ConstantBufferAndTextureSlotsArePerStage) {
    ShaderBytecode vsCode = glslShader(ShaderStage::Vertex, R"(
out gl_PerVertex { vec4 gl_Position; };
layout(location = 0) out vec4 vValue;
layout(std140) uniform VS_b0 { vec4 vsConstant; };
uniform sampler2D VS_t0;
void main() {
    vec2 p = vec2((gl_VertexID << 1) & 2, gl_VertexID & 2);
    gl_Position = vec4(p * vec2(2.0, -2.0) + vec2(-1.0, 1.0), 0.5, 1.0);
    vValue = vsConstant + texelFetch(VS_t0, ivec2(0), 0);
}
)");
    vsCode.ConstantBuffers = {{"VS_b0", 0}};
    vsCode.Textures = {{"VS_t0", 0, -1}};
    ShaderBytecode psCode = glslShader(ShaderStage::Pixel, R"(
layout(location = 0) in vec4 vValue;
layout(location = 0) out vec4 result;
layout(std140) uniform PS_b0 { vec4 psConstant; };
uniform sampler2D PS_t0;
void main() { result = vValue + psConstant + texture(PS_t0, vec2(0.5)); }
)");
    psCode.ConstantBuffers = {{"PS_b0", 0}};
    psCode.Textures = {{"PS_t0", 0, 0}};
    Ref<VertexShader> vs;
    Ref<PixelShader> ps;
    ASSERT_EQ(device_->CreateVertexShader(vsCode, &vs), Result::Ok);
    ASSERT_EQ(device_->CreatePixelShader(psCode, &ps), Result::Ok);

    const float vsValue[4] = {0.25f, 0, 0, 0}, psValue[4] = {0, 0.25f, 0, 0};
    Ref<Buffer> vsBuffer = buffer(BIND_CONSTANT_BUFFER, vsValue, 16);
    Ref<Buffer> psBuffer = buffer(BIND_CONSTANT_BUFFER, psValue, 16);
    auto texel = [&](std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
        const std::uint8_t bytes[4] = {r, g, b, a};
        SubresourceData data{bytes, 4, 0};
        Texture2DDesc desc = textureDesc(1, 1, Format::R8G8B8A8_UNORM, BIND_SHADER_RESOURCE);
        desc.Usage = Usage::Immutable;
        Ref<Texture2D> texture;
        Ref<ShaderResourceView> view;
        EXPECT_EQ(device_->CreateTexture2D(desc, &data, &texture), Result::Ok);
        EXPECT_EQ(device_->CreateShaderResourceView(texture.get(), nullptr, &view), Result::Ok);
        return view;
    };
    Ref<ShaderResourceView> vsTexture = texel(0, 0, 64, 0), psTexture = texel(0, 0, 0, 128);

    RenderTargetView* rtv = rtv_.get();
    context_->OMSetRenderTargets(1, &rtv, nullptr);
    context_->VSSetShader(vs.get());
    context_->PSSetShader(ps.get());
    Buffer* b = vsBuffer.get();
    context_->VSSetConstantBuffers(0, 1, &b);
    b = psBuffer.get();
    context_->PSSetConstantBuffers(0, 1, &b);
    ShaderResourceView* v = vsTexture.get();
    context_->VSSetShaderResources(0, 1, &v);
    v = psTexture.get();
    context_->PSSetShaderResources(0, 1, &v);
    context_->Draw(3, 0);
    std::vector<std::uint8_t> pixel = firstPixel();
    ASSERT_EQ(pixel.size(), 4u);
    EXPECT_NEAR(pixel[0], 64, 1);
    EXPECT_NEAR(pixel[1], 64, 1);
    EXPECT_NEAR(pixel[2], 64, 1);
    EXPECT_NEAR(pixel[3], 128, 1);
}

TEST_F(PipelineTest, DepthStatesDecideWhichDrawsLand) {
    Ref<Texture2D> depth;
    ASSERT_EQ(
        device_->CreateTexture2D(textureDesc(4, 4, Format::D24_UNORM_S8_UINT, BIND_DEPTH_STENCIL), nullptr, &depth),
        Result::Ok);
    Ref<DepthStencilView> dsv;
    ASSERT_EQ(device_->CreateDepthStencilView(depth.get(), nullptr, &dsv), Result::Ok);
    DepthStencilDesc desc;
    Ref<DepthStencilState> less, always;
    ASSERT_EQ(device_->CreateDepthStencilState(desc, &less), Result::Ok);
    desc.DepthFunc = ComparisonFunc::Always;
    ASSERT_EQ(device_->CreateDepthStencilState(desc, &always), Result::Ok);
    desc.DepthFunc = static_cast<ComparisonFunc>(0);
    Ref<DepthStencilState> bad;
    EXPECT_EQ(device_->CreateDepthStencilState(desc, &bad), Result::InvalidArg);

    ShaderBytecode vsCode = positionColourShader();
    Ref<VertexShader> vs;
    Ref<PixelShader> ps;
    ASSERT_EQ(device_->CreateVertexShader(vsCode, &vs), Result::Ok);
    ASSERT_EQ(device_->CreatePixelShader(passThroughPixelShader(), &ps), Result::Ok);
    const InputElementDesc elements[] = {{"POSITION", 0, Format::R32G32B32_FLOAT},
                                         {"COLOR", 0, Format::R8G8B8A8_UNORM}};
    Ref<InputLayout> layout;
    ASSERT_EQ(device_->CreateInputLayout(elements, 2, vsCode, &layout), Result::Ok);
    RenderTargetView* rtv = rtv_.get();
    context_->OMSetRenderTargets(1, &rtv, dsv.get());
    context_->IASetInputLayout(layout.get());
    context_->VSSetShader(vs.get());
    context_->PSSetShader(ps.get());
    context_->ClearDepthStencilView(dsv.get(), CLEAR_DEPTH, 1.0f, 0);

    auto draw = [&](float z, std::uint8_t red) {
        struct {
            float p[3];
            std::uint8_t c[4];
        } v[3] = {{{-1, 1, z}, {red, 0, 0, 255}}, {{3, 1, z}, {red, 0, 0, 255}}, {{-1, -3, z}, {red, 0, 0, 255}}};
        Ref<Buffer> vb = buffer(BIND_VERTEX_BUFFER, v, sizeof(v));
        Buffer* b = vb.get();
        std::uint32_t stride = 16, offset = 0;
        context_->IASetVertexBuffers(0, 1, &b, &stride, &offset);
        context_->Draw(3, 0);
    };
    context_->OMSetDepthStencilState(less.get(), 0);
    draw(0.5f, 100);
    draw(0.7f, 200);  // behind: rejected
    EXPECT_EQ(firstPixel()[0], 100);
    context_->OMSetDepthStencilState(always.get(), 0);
    draw(0.9f, 50);
    EXPECT_EQ(firstPixel()[0], 50);
}

TEST_F(PipelineTest, BadShadersAndStatesGiveErrorsAndNullHandles) {
    Ref<VertexShader> vs;
    EXPECT_EQ(device_->CreateVertexShader(glslShader(ShaderStage::Vertex, "void main() { undefined(); }"), &vs),
              Result::InvalidArg);
    EXPECT_FALSE(vs);
    EXPECT_EQ(device_->CreateVertexShader(passThroughPixelShader(), &vs), Result::InvalidArg);
    Ref<PixelShader> ps;
    ShaderBytecode outOfRange = passThroughPixelShader();
    outOfRange.ConstantBuffers = {{"PS_b14", 14}};
    EXPECT_EQ(device_->CreatePixelShader(outOfRange, &ps), Result::InvalidArg);
    EXPECT_EQ(device_->CreatePixelShader(ShaderBytecode{ShaderStage::Pixel, "", {}, {}, {}}, &ps), Result::InvalidArg);

    SamplerDesc sampler;
    sampler.AddressU = static_cast<TextureAddressMode>(9);
    Ref<SamplerState> samplerState;
    EXPECT_EQ(device_->CreateSamplerState(sampler, &samplerState), Result::InvalidArg);
    EXPECT_FALSE(samplerState);
    BlendDesc blend;
    blend.RenderTarget[0].SrcBlendAlpha = Blend::SrcColor;
    Ref<BlendState> blendState;
    EXPECT_EQ(device_->CreateBlendState(blend, &blendState), Result::InvalidArg);
    RasterizerDesc raster;
    raster.CullMode = static_cast<CullMode>(0);
    Ref<RasterizerState> rasterState;
    EXPECT_EQ(device_->CreateRasterizerState(raster, &rasterState), Result::InvalidArg);

    BufferDesc cb;
    cb.ByteWidth = 20;  // constant buffers come in 16-byte steps
    cb.BindFlags = BIND_CONSTANT_BUFFER;
    Ref<Buffer> b;
    EXPECT_EQ(device_->CreateBuffer(cb, nullptr, &b), Result::InvalidArg);
    cb.ByteWidth = 32;
    cb.Usage = Usage::Dynamic;  // without CPU write access
    EXPECT_EQ(device_->CreateBuffer(cb, nullptr, &b), Result::InvalidArg);
    EXPECT_FALSE(b);
    MappedSubresource mapped;
    cb.Usage = Usage::Default;
    ASSERT_EQ(device_->CreateBuffer(cb, nullptr, &b), Result::Ok);
    EXPECT_EQ(context_->Map(b.get(), 0, MapType::WriteDiscard, 0, &mapped), Result::InvalidArg);
    EXPECT_EQ(mapped.pData, nullptr);
}

}  // namespace
