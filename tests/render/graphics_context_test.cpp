// The graphics context on a window: creation, failures, and resizing between frames.

#include <memory>

#include <SDL.h>
#include <gtest/gtest.h>

#include "app/demo.h"
#include "render/depth_buffer.h"
#include "render/frame_targets.h"
#include "render/graphics_context.h"
#include "render/render_target.h"
#include "support/gpu_test_support.h"

namespace {

constexpr int kWidth = 96, kHeight = 64;

int recordedExit = 0;
void recordExit(int status) { recordedExit = status; }

class GraphicsContextTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = testing_support::createTestWindow(kWidth, kHeight);
        if (!window_) GTEST_SKIP() << "no SDL video: " << SDL_GetError();
    }
    void TearDown() override {
        graphics_.reset();
        testing_support::destroyTestWindow(window_);
    }

    // The window's size as the swap chain sees it, after the server has applied a change.
    void setWindowSize(int width, int height) {
        SDL_SetWindowSize(window_, width, height);
        for (int i = 0; i < 100; ++i) {
            SDL_PumpEvents();
            int w = 0, h = 0;
            SDL_GL_GetDrawableSize(window_, &w, &h);
            if (w == width && h == height) return;
            SDL_Delay(10);
        }
    }

    SDL_Window* window_ = nullptr;
    std::unique_ptr<GraphicsContext> graphics_ = std::make_unique<GraphicsContext>();
};

TEST_F(GraphicsContextTest, CreatesDeviceSwapChainAndDepthAtTheConfiguredSize) {
    ASSERT_TRUE(graphics_->createDevice(window_));
    ASSERT_TRUE(graphics_->createSwapChain(window_, kWidth, kHeight, 60, false));
    ASSERT_TRUE(graphics_->backBufferTexture && graphics_->backBufferView && graphics_->depthView);
    const gpu::Texture2DDesc& back = graphics_->backBufferTexture->GetDesc();
    EXPECT_EQ(back.Width, std::uint32_t(kWidth));
    EXPECT_EQ(back.Height, std::uint32_t(kHeight));
    EXPECT_EQ(back.Format, gpu::Format::R8G8B8A8_UNORM_SRGB);
    const gpu::Texture2DDesc& depth = graphics_->depthTexture->GetDesc();
    EXPECT_EQ(depth.Width, std::uint32_t(kWidth));
    EXPECT_EQ(depth.Format, gpu::Format::D24_UNORM_S8_UINT);
    EXPECT_EQ(graphics_->device->GetFeatureLevel(), gpu::FeatureLevel::Level_11_0);
    gpu::SwapChainDesc desc;
    graphics_->swapChain->GetDesc(&desc);
    EXPECT_EQ(desc.BufferDesc.RefreshRate.Numerator, 60u);
    EXPECT_EQ(desc.BufferCount, 2u);
    EXPECT_TRUE(desc.Windowed);

    // The cleared back buffer reaches the window as opaque white.
    graphics_->immediateContext->ClearRenderTargetView(graphics_->backBufferView.get(), kClearColour);
    ASSERT_EQ(graphics_->swapChain->Present(1, 0), gpu::Result::Ok);
    std::vector<std::uint8_t> window =
        testing_support::readWindow(window_, *graphics_->immediateContext, kWidth, kHeight);
    ASSERT_FALSE(window.empty());
    EXPECT_EQ(std::vector<std::uint8_t>(window.begin(), window.begin() + 3), (std::vector<std::uint8_t>(3, 255)));
}

TEST_F(GraphicsContextTest, FullscreenFlagReachesTheSwapChain) {
    ASSERT_TRUE(graphics_->createDevice(window_));
    ASSERT_TRUE(graphics_->createSwapChain(window_, kWidth, kHeight, 60, true));
    bool fullscreen = false;
    graphics_->swapChain->GetFullscreenState(&fullscreen);
    EXPECT_TRUE(fullscreen);
}

TEST_F(GraphicsContextTest, FailuresLeaveTheMembersNull) {
    EXPECT_FALSE(graphics_->createSwapChain(window_, kWidth, kHeight, 60, false));  // no device yet
    SDL_Window* plain = SDL_CreateWindow("no GL", 0, 0, 16, 16, SDL_WINDOW_HIDDEN);
    if (plain) {
        EXPECT_FALSE(graphics_->createDevice(plain));
        EXPECT_FALSE(graphics_->device);
        EXPECT_EQ(graphics_->immediateContext, nullptr);
        SDL_DestroyWindow(plain);
    }
    ASSERT_TRUE(graphics_->createDevice(window_));
    SDL_Window* other = SDL_CreateWindow("other", 0, 0, 16, 16, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    ASSERT_NE(other, nullptr);
    EXPECT_FALSE(graphics_->createSwapChain(other, 16, 16, 60, false));
    EXPECT_FALSE(graphics_->swapChain);
    EXPECT_FALSE(graphics_->backBufferView);
    EXPECT_FALSE(graphics_->depthView);
    SDL_DestroyWindow(other);

    // Resizes before the swap chain exists are skipped, requests dropped.
    graphics_->resize(50, 40);
    graphics_->requestResize(50, 40);
    graphics_->applyPendingResize();
    ASSERT_TRUE(graphics_->createSwapChain(window_, kWidth, kHeight, 60, false));
    graphics_->applyPendingResize();
    EXPECT_EQ(graphics_->backBufferTexture->GetDesc().Width, std::uint32_t(kWidth));
}

TEST_F(GraphicsContextTest, AFailedBackBufferDepthTextureEndsTheProcessWithItsCode) {
    GraphicsContext::ExitFunction saved = GraphicsContext::exitProcess;
    GraphicsContext::exitProcess = recordExit;
    recordedExit = 0;
    ASSERT_TRUE(graphics_->createDevice(window_));
    graphics_->createSwapChain(window_, 0, 0, 60, false);  // the buffers take the window's size, depth cannot
    GraphicsContext::exitProcess = saved;
    EXPECT_EQ(recordedExit, static_cast<int>(gpu::Result::InvalidArg));
    EXPECT_FALSE(graphics_->depthTexture);
}

TEST_F(GraphicsContextTest, ResizeFollowsTheWindowWhileOffscreenTargetsKeepTheirSize) {
    ASSERT_TRUE(graphics_->createDevice(window_));
    ASSERT_TRUE(graphics_->createSwapChain(window_, kWidth, kHeight, 60, false));
    RenderTarget colour;
    DepthBuffer frameDepth;
    ASSERT_TRUE(colour.create(graphics_->device.get(), kWidth, kHeight, gpu::Format::R8G8B8A8_UNORM_SRGB, 1, 1, 0,
                              false, false, 1));
    ASSERT_TRUE(
        frameDepth.create(graphics_->device.get(), kWidth, kHeight, gpu::Format::D24_UNORM_S8_UINT, true, 1, 0, 1));

    setWindowSize(120, 80);
    graphics_->requestResize(110, 70);  // superseded by the latest request
    graphics_->requestResize(120, 80);
    graphics_->applyPendingResize();
    EXPECT_EQ(graphics_->backBufferTexture->GetDesc().Width, 120u);
    EXPECT_EQ(graphics_->backBufferTexture->GetDesc().Height, 80u);
    EXPECT_EQ(graphics_->depthTexture->GetDesc().Width, 120u);
    EXPECT_EQ(graphics_->depthTexture->GetDesc().Height, 80u);
    std::uint32_t count = 1;
    gpu::Viewport viewport;
    graphics_->immediateContext->RSGetViewports(&count, &viewport);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(viewport.Width, 120.0f);
    EXPECT_EQ(viewport.Height, 80.0f);
    gpu::Ref<gpu::RenderTargetView> bound;
    gpu::Ref<gpu::DepthStencilView> boundDepth;
    graphics_->immediateContext->OMGetRenderTargets(1, &bound, &boundDepth);
    EXPECT_EQ(bound, graphics_->backBufferView);
    EXPECT_FALSE(boundDepth);
    EXPECT_EQ(colour.texture->GetDesc().Width, std::uint32_t(kWidth));
    EXPECT_EQ(frameDepth.texture->GetDesc().Height, std::uint32_t(kHeight));

    // Nothing pending: nothing changes. A minimised size is ignored.
    gpu::Texture2D* before = graphics_->backBufferTexture.get();
    graphics_->applyPendingResize();
    graphics_->resize(0, 0);
    EXPECT_EQ(graphics_->backBufferTexture.get(), before);
    EXPECT_EQ(graphics_->swapChain->Present(0, 0), gpu::Result::Ok);
}

}  // namespace

// The window procedure hands sizes to the engine thread: one rule whatever the timing of the first frame. A size
// change handled before the swap chain exists is dropped, even when the context is already published; one
// handled afterwards is applied at the next frame.
TEST_F(GraphicsContextTest, SizeMessagesBeforeTheSwapChainAreDroppedAndLaterOnesApplied) {
    Demo demo;
    demo.publishGraphics(graphics_.get());
    platform::Message size;
    size.message = platform::WM_SIZE;
    size.lParam = platform::makeSizeParam(50, 40);
    ASSERT_TRUE(graphics_->createDevice(window_));
    demo.handleMessage(size);
    ASSERT_TRUE(graphics_->createSwapChain(window_, kWidth, kHeight, 60, false));
    graphics_->applyPendingResize();
    EXPECT_EQ(graphics_->backBufferTexture->GetDesc().Width, std::uint32_t(kWidth));

    setWindowSize(120, 80);
    size.lParam = platform::makeSizeParam(120, 80);
    demo.handleMessage(size);
    graphics_->applyPendingResize();
    EXPECT_EQ(graphics_->backBufferTexture->GetDesc().Width, 120u);
    EXPECT_EQ(graphics_->backBufferTexture->GetDesc().Height, 80u);
}
