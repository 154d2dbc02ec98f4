// The effect chain of a steady frame allocates nothing: lists, constants and views are reused.

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "app/demo.h"
#include "audio/audio_manager.h"
#include "post/frame_renderer.h"
#include "support/gpu_test_support.h"

namespace {
thread_local bool counting = false;
thread_local std::size_t allocations = 0;
}  // namespace

// AddressSanitizer owns operator new itself.
#if !defined(__SANITIZE_ADDRESS__)
void* operator new(std::size_t size) {
    if (counting) ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#endif

namespace {

TEST(FrameAllocationTest, SteadyChainFramesAllocateNothing) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "allocations are not counted under AddressSanitizer";
#endif
    GraphicsContext graphics;
    ASSERT_TRUE(graphics.createDevice(nullptr));
    gpu::Texture2DDesc desc = testing_support::textureDesc(32, 16, gpu::Format::R8G8B8A8_UNORM_SRGB,
                                                            gpu::BIND_RENDER_TARGET | gpu::BIND_SHADER_RESOURCE);
    graphics.device->CreateTexture2D(desc, nullptr, &graphics.backBufferTexture);
    graphics.device->CreateRenderTargetView(graphics.backBufferTexture.get(), nullptr, &graphics.backBufferView);
    Demo demo;
    demo.displaySettings.width = 32;
    demo.displaySettings.height = 16;
    AudioManager audio(sound::kNoSoundDevice);
    FrameRenderer renderer(&graphics, &audio, ResourceHandle<DemoTimeline>(), &demo);
    renderer.loadResources();
    renderer.postProcess();  // warm-up: framebuffers and vertex arrays are made on first use
    renderer.postProcess();

    allocations = 0;
    counting = true;
    renderer.postProcess();
    counting = false;
    EXPECT_EQ(allocations, 0u);
}

}  // namespace
