// The window path: a device for an SDL window, presenting upright, resizing the buffers.

#include <cstring>
#include <thread>

#include <SDL.h>
#include <gtest/gtest.h>

#include "support/allocation_counter.h"
#include "platform/gpu/swap_chain.h"
#include "support/gpu_test_support.h"

namespace {

using namespace gpu;

constexpr int kWidth = 64, kHeight = 48;

class SwapChainTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = testing_support::createTestWindow(kWidth, kHeight);
        if (!window_) GTEST_SKIP() << "no SDL video: " << SDL_GetError();
        ASSERT_EQ(CreateDevice(window_, nullptr, 0, &device_, nullptr, &context_), Result::Ok);
        desc_.BufferDesc = {kWidth, kHeight, {60, 1}, Format::R8G8B8A8_UNORM_SRGB};
        desc_.OutputWindow = window_;
        ASSERT_EQ(CreateSwapChain(device_.get(), desc_, &swapChain_), Result::Ok);
    }

    void TearDown() override {
        swapChain_ = nullptr;
        device_ = nullptr;
        testing_support::destroyTestWindow(window_);
    }

    // One triangle list of three 24-byte vertices, tinted by the pixel shader's b0.
    void drawTriangle(const testing_support::ColourPipeline& colour, Buffer* vertices, Buffer* tint) {
        const std::uint32_t stride = 24, offset = 0;
        context_->IASetVertexBuffers(0, 1, &vertices, &stride, &offset);
        context_->IASetInputLayout(colour.layout.get());
        context_->IASetPrimitiveTopology(PrimitiveTopology::TriangleList);
        context_->VSSetShader(colour.vs.get());
        context_->PSSetShader(colour.ps.get());
        context_->PSSetConstantBuffers(0, 1, &tint);
        context_->Draw(3, 0);
    }

    SDL_Window* window_ = nullptr;
    Ref<Device> device_;
    DeviceContext* context_ = nullptr;
    SwapChainDesc desc_;
    Ref<SwapChain> swapChain_;
};

TEST_F(SwapChainTest, PresentShowsTheBackBufferUprightWithItsBytesUnchanged) {
    Ref<Texture2D> backBuffer;
    ASSERT_EQ(swapChain_->GetBuffer(0, &backBuffer), Result::Ok);
    Ref<RenderTargetView> rtv;
    ASSERT_EQ(device_->CreateRenderTargetView(backBuffer.get(), nullptr, &rtv), Result::Ok);
    const float grey[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    context_->ClearRenderTargetView(rtv.get(), grey);

    // A red triangle over the upper half of the back buffer.
    testing_support::ColourPipeline colour = testing_support::makeColourPipeline(*device_);
    ASSERT_TRUE(colour.vs && colour.ps && colour.layout);
    Ref<Buffer> vb = testing_support::vertexBuffer(*device_, {-1, 1, 1, 0, 0, 1, 3, 1, 1, 0, 0, 1, -1, 0, 1, 0, 0, 1});
    const float one[4] = {1, 1, 1, 1};
    Ref<Buffer> cb = testing_support::makeBuffer(*device_, BIND_CONSTANT_BUFFER, one, sizeof(one));
    ASSERT_TRUE(cb);
    RenderTargetView* targets[1] = {rtv.get()};
    context_->OMSetRenderTargets(1, targets, nullptr);
    Viewport viewport{0, 0, kWidth, kHeight, 0, 1};
    context_->RSSetViewports(1, &viewport);
    drawTriangle(colour, vb.get(), cb.get());

    ASSERT_EQ(swapChain_->Present(0, 0), Result::Ok);
    std::vector<std::uint8_t> window = testing_support::readWindow(window_, *context_, kWidth, kHeight);
    ASSERT_EQ(window.size(), std::size_t(kWidth * kHeight * 3));
    auto pixel = [&](int x, int y) {
        const std::uint8_t* p = &window[(std::size_t(y) * kWidth + x) * 3];
        return std::vector<std::uint8_t>(p, p + 3);
    };
    EXPECT_EQ(pixel(1, 1), (std::vector<std::uint8_t>{255, 0, 0}));
    std::vector<std::uint8_t> bottom = pixel(kWidth / 2, kHeight - 2);
    EXPECT_NEAR(bottom[0], 188, 1);  // the sRGB encoding of 0.5, passed unchanged
    EXPECT_NEAR(bottom[2], 188, 1);

    EXPECT_EQ(swapChain_->Present(5, 0), Result::InvalidCall);
    EXPECT_EQ(swapChain_->Present(1, PRESENT_TEST), Result::Ok);
}

TEST_F(SwapChainTest, FramesAfterTheFirstAllocateNothing) {
    if (!testing_support::AllocationCounter::available()) GTEST_SKIP() << "operator new belongs to the sanitizer";
    Ref<Texture2D> backBuffer;
    ASSERT_EQ(swapChain_->GetBuffer(0, &backBuffer), Result::Ok);
    Ref<RenderTargetView> rtv;
    ASSERT_EQ(device_->CreateRenderTargetView(backBuffer.get(), nullptr, &rtv), Result::Ok);
    Ref<Texture2D> depth;
    ASSERT_EQ(device_->CreateTexture2D(testing_support::textureDesc(kWidth, kHeight, Format::D24_UNORM_S8_UINT,
                                                                    BIND_DEPTH_STENCIL),
                                       nullptr, &depth),
              Result::Ok);
    Ref<DepthStencilView> dsv;
    ASSERT_EQ(device_->CreateDepthStencilView(depth.get(), nullptr, &dsv), Result::Ok);
    testing_support::ColourPipeline colour = testing_support::makeColourPipeline(*device_);
    ASSERT_TRUE(colour.vs && colour.ps && colour.layout);
    Ref<Buffer> vb = testing_support::vertexBuffer(*device_, {-1, 1, 1, 0, 0, 1, 3, 1, 1, 0, 0, 1, -1, -3, 1, 0, 0, 1});
    Ref<Buffer> cb = testing_support::makeBuffer(*device_, BIND_CONSTANT_BUFFER, nullptr, 16, Usage::Dynamic);
    ASSERT_TRUE(cb);

    auto frame = [&] {
        const float clear[4] = {114, 144, 154, 255};
        context_->ClearRenderTargetView(rtv.get(), clear);
        context_->ClearDepthStencilView(dsv.get(), CLEAR_DEPTH, 1.0f, 0);
        RenderTargetView* targets[1] = {rtv.get()};
        context_->OMSetRenderTargets(1, targets, dsv.get());
        Viewport viewport{0, 0, kWidth, kHeight, 0, 1};
        context_->RSSetViewports(1, &viewport);
        MappedSubresource mapped;
        if (context_->Map(cb.get(), 0, MapType::WriteDiscard, 0, &mapped) == Result::Ok) {
            static_cast<float*>(mapped.pData)[0] = 1.0f;
            context_->Unmap(cb.get(), 0);
        }
        drawTriangle(colour, vb.get(), cb.get());
        context_->invalidateGlState();
        swapChain_->Present(0, 0);
    };
    frame();  // warm-up: framebuffers and vertex arrays
    {
        testing_support::AllocationCounter selfCheck;
        int* volatile probe = new int(1);  // volatile: the pair may not be elided
        delete probe;
        ASSERT_EQ(selfCheck.count(), 1u);
    }
    testing_support::AllocationCounter counter;
    for (int i = 0; i < 3; ++i) frame();
    EXPECT_EQ(counter.count(), 0u);
}

TEST_F(SwapChainTest, ResizeBuffersNeedsTheBackBufferReleased) {
    Ref<Texture2D> backBuffer;
    ASSERT_EQ(swapChain_->GetBuffer(0, &backBuffer), Result::Ok);
    Ref<RenderTargetView> rtv;
    ASSERT_EQ(device_->CreateRenderTargetView(backBuffer.get(), nullptr, &rtv), Result::Ok);
    EXPECT_EQ(swapChain_->ResizeBuffers(0, 80, 60, Format::UNKNOWN, 0), Result::InvalidCall);

    rtv = nullptr;
    backBuffer = nullptr;
    ASSERT_EQ(swapChain_->ResizeBuffers(0, 80, 60, Format::UNKNOWN, 0), Result::Ok);
    ASSERT_EQ(swapChain_->GetBuffer(0, &backBuffer), Result::Ok);
    EXPECT_EQ(backBuffer->GetDesc().Width, 80u);
    EXPECT_EQ(backBuffer->GetDesc().Height, 60u);
    EXPECT_EQ(backBuffer->GetDesc().Format, Format::R8G8B8A8_UNORM_SRGB);
    EXPECT_EQ(swapChain_->Present(0, 0), Result::Ok);  // scaled to the window

    // Zero sizes follow the window's drawable size.
    backBuffer = nullptr;
    ASSERT_EQ(swapChain_->ResizeBuffers(0, 0, 0, Format::UNKNOWN, 0), Result::Ok);
    ASSERT_EQ(swapChain_->GetBuffer(0, &backBuffer), Result::Ok);
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(window_, &w, &h);
    EXPECT_EQ(backBuffer->GetDesc().Width, static_cast<std::uint32_t>(w));
    EXPECT_EQ(backBuffer->GetDesc().Height, static_cast<std::uint32_t>(h));
}

TEST_F(SwapChainTest, WorkerThreadsCreateResourcesForTheWindowDevice) {
    Ref<Texture2D> texture;
    Ref<ShaderResourceView> view;
    Result textureResult = Result::Fail, viewResult = Result::Fail;
    std::thread([&] {
        const std::uint8_t texel[4] = {0, 51, 0, 255};
        SubresourceData data{texel, 4, 0};
        Texture2DDesc desc = testing_support::textureDesc(1, 1, Format::R8G8B8A8_UNORM, BIND_SHADER_RESOURCE);
        textureResult = device_->CreateTexture2D(desc, &data, &texture);
        viewResult = device_->CreateShaderResourceView(texture.get(), nullptr, &view);
    }).join();
    ASSERT_EQ(textureResult, Result::Ok);
    ASSERT_EQ(viewResult, Result::Ok);
    std::vector<float> texels = testing_support::sampleView(*device_, *context_, view.get());
    ASSERT_EQ(texels.size(), 64u);
    EXPECT_NEAR(texels[1], 0.2f, 0.002f);
}

TEST_F(SwapChainTest, SwapChainsNeedTheDevicesWindowAndAPresentableFormat) {
    Ref<SwapChain> other;
    SwapChainDesc desc = desc_;
    desc.OutputWindow = nullptr;
    EXPECT_EQ(CreateSwapChain(device_.get(), desc, &other), Result::InvalidCall);
    desc = desc_;
    desc.BufferDesc.Format = Format::D32_FLOAT;
    EXPECT_EQ(CreateSwapChain(device_.get(), desc, &other), Result::InvalidArg);
    EXPECT_FALSE(other);

    testing_support::HeadlessGpu headless = testing_support::createHeadlessGpu();
    if (headless.device) {
        EXPECT_EQ(CreateSwapChain(headless.device.get(), desc_, &other), Result::InvalidCall);
    }
    bool fullscreen = true;
    ASSERT_EQ(swapChain_->GetFullscreenState(&fullscreen), Result::Ok);
    EXPECT_FALSE(fullscreen);
}

}  // namespace
