// Where GL's defaults differ from D3D11's: null pixel shader, empty texture slots, primitive restart, program
// sharing between shaders of one translation, and the device outliving its children.

#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/gpu_test_support.h"

namespace {

using namespace gpu;
using testing_support::readBack;

constexpr std::uint32_t kSize = 4;

class D3DSemanticsTest : public testing_support::ColourDrawTest {
protected:
    void SetUp() override {
        HeadlessGpuTest::SetUp();
        if (HasFatalFailure()) return;
        setUpColourDraw(kSize, BIND_RENDER_TARGET, {0.5f, 0.5f, 0.5f, 0.5f});
    }

    // A red triangle over the whole target from a buffer of three vertices listed anticlockwise: indices
    // {2, 1, 0} make it clockwise on screen, a front face.
    void drawRedTriangle(PrimitiveTopology topology, const std::vector<std::uint16_t>& indices, std::int32_t base) {
        const std::vector<float> vertices = {-1, -3, 1, 0, 0, 1, 3, 1, 1, 0, 0, 1, -1, 1, 1, 0, 0, 1};
        vb_ = testing_support::vertexBuffer(*device_, vertices);
        Buffer* b = vb_.get();
        std::uint32_t stride = 24, offset = 0;
        context_->IASetVertexBuffers(0, 1, &b, &stride, &offset);
        ib_ = testing_support::makeBuffer(*device_, BIND_INDEX_BUFFER, indices.data(),
                                          static_cast<std::uint32_t>(indices.size() * 2));
        ASSERT_TRUE(ib_);
        context_->IASetIndexBuffer(ib_.get(), Format::R16_UINT, 0);
        context_->IASetPrimitiveTopology(topology);
        context_->DrawIndexed(static_cast<std::uint32_t>(indices.size()), 0, base);
    }

    std::uint8_t red() { return readBack(*device_, *context_, target_.get())[0]; }

    Ref<Buffer> vb_, ib_;
};

TEST_F(D3DSemanticsTest, WithoutAPixelShaderNoColourIsWritten) {
    context_->PSSetShader(nullptr);
    drawRedTriangle(PrimitiveTopology::TriangleList, {2, 1, 0}, 0);
    EXPECT_NEAR(red(), 128, 1);
    context_->PSSetShader(ps_.get());  // and the write mask comes back with a pixel shader
    drawRedTriangle(PrimitiveTopology::TriangleList, {2, 1, 0}, 0);
    EXPECT_EQ(red(), 255);
}

// Indices are compared with the cut value before the base vertex is added, in D3D as in GL.
TEST_F(D3DSemanticsTest, TheAllOnesIndexCutsStripsOnly) {
    drawRedTriangle(PrimitiveTopology::TriangleList, {0xFFFF, 0xFFFE, 0xFFFD}, -0xFFFD);
    EXPECT_EQ(red(), 255);
    const float grey[4] = {0.5f, 0.5f, 0.5f, 0.5f};
    context_->ClearRenderTargetView(rtv_.get(), grey);
    drawRedTriangle(PrimitiveTopology::TriangleStrip, {2, 0xFFFF, 1, 0}, 0);
    EXPECT_NEAR(red(), 128, 1);
}

TEST_F(D3DSemanticsTest, AnEmptyTextureSlotReadsZeros) {
    std::vector<float> texels = testing_support::sampleView(*device_, *context_, nullptr);
    ASSERT_EQ(texels.size(), 4u * 4u * 4u);
    EXPECT_EQ(texels, std::vector<float>(texels.size(), 0.0f));
    texels = testing_support::sampleView(*device_, *context_, nullptr, "usampler2D", "texelFetch(PS_t0, ivec2(0), 0)");
    EXPECT_EQ(texels, std::vector<float>(texels.size(), 0.0f));
}

TEST_F(D3DSemanticsTest, ShadersOfOneTranslationShareAProgram) {
    // While one lives, the same bytecode gives the same shader object (so binding it again costs nothing).
    Ref<VertexShader> again;
    ASSERT_EQ(device_->CreateVertexShader(vertexCode_, &again), Result::Ok);
    EXPECT_EQ(again.get(), vs_.get());
    EXPECT_EQ(again->glProgram(), vs_->glProgram());

    ShaderBytecode other = testing_support::tintPixelShader();
    other.Glsl += "\n// another translation\n";
    Ref<PixelShader> different;
    ASSERT_EQ(device_->CreatePixelShader(other, &different), Result::Ok);
    EXPECT_NE(different->glProgram(), ps_->glProgram());

    // Worker threads (through the resource thread) and the owner get the one program too.
    std::vector<Ref<PixelShader>> made(4);
    std::vector<std::thread> workers;
    for (auto& shader : made) {
        workers.emplace_back([&] { device_->CreatePixelShader(testing_support::tintPixelShader(), &shader); });
    }
    for (auto& w : workers) w.join();
    for (auto& shader : made) {
        ASSERT_TRUE(shader);
        EXPECT_EQ(shader->glProgram(), ps_->glProgram());
    }

    // The program outlives the first shader that made it, and still draws.
    GLuint program = ps_->glProgram();
    context_->PSSetShader(nullptr);
    ps_ = nullptr;
    context_->Flush();
    EXPECT_TRUE(glIsProgram(program));
    context_->PSSetShader(made[0].get());
    drawRedTriangle(PrimitiveTopology::TriangleList, {2, 1, 0}, 0);
    EXPECT_EQ(red(), 255);
}

// Children bound to the immediate context, held elsewhere, released before or after the device.
TEST(DeviceLifetimeTest, DeviceAndChildrenGoInAnyOrder) {
    for (bool deviceFirst : {true, false}) {
        SCOPED_TRACE(deviceFirst);
        testing_support::HeadlessGpu gpu = testing_support::createHeadlessGpu();
        ASSERT_TRUE(gpu.device);
        Ref<Texture2D> texture;
        Ref<ShaderResourceView> view;
        Ref<RenderTargetView> rtv;
        Ref<PixelShader> shader;
        Ref<SamplerState> sampler;
        ASSERT_EQ(gpu.device->CreateTexture2D(
                      testing_support::textureDesc(2, 2, Format::R8G8B8A8_UNORM,
                                                   BIND_SHADER_RESOURCE | BIND_RENDER_TARGET),
                      nullptr, &texture),
                  Result::Ok);
        ASSERT_EQ(gpu.device->CreateShaderResourceView(texture.get(), nullptr, &view), Result::Ok);
        ASSERT_EQ(gpu.device->CreateRenderTargetView(texture.get(), nullptr, &rtv), Result::Ok);
        ASSERT_EQ(gpu.device->CreatePixelShader(testing_support::tintPixelShader(), &shader), Result::Ok);
        ASSERT_EQ(gpu.device->CreateSamplerState(SamplerDesc{}, &sampler), Result::Ok);
        const float black[4] = {0, 0, 0, 0};
        gpu.context->ClearRenderTargetView(rtv.get(), black);  // a framebuffer of the view in the context
        gpu.context->PSSetShader(shader.get());
        ShaderResourceView* views[] = {view.get()};
        gpu.context->PSSetShaderResources(0, 1, views);

        if (deviceFirst) gpu.device = nullptr;
        view = nullptr;
        shader = nullptr;
        rtv = nullptr;
        texture = nullptr;
        sampler = nullptr;
        gpu.device = nullptr;
    }
}

}  // namespace
