// The effect chain of a steady frame allocates nothing: lists, constants and views are reused.

#include <gtest/gtest.h>

#include "audio/audio_manager.h"
#include "post/frame_renderer.h"
#include "support/allocation_counter.h"
#include "support/gpu_test_support.h"

namespace {

TEST(FrameAllocationTest, SteadyChainFramesAllocateNothing) {
    if (!testing_support::AllocationCounter::available()) GTEST_SKIP() << "operator new belongs to the sanitizer";
    GraphicsContext graphics;
    ASSERT_TRUE(graphics.createDevice(nullptr));
    ASSERT_TRUE(graphics.createOffscreenBackBuffer(32, 16));
    AudioManager audio(sound::kNoSoundDevice);
    FrameRenderer renderer(&graphics, &audio, ResourceHandle<DemoTimeline>(), FrameSize{32, 16});
    renderer.loadResources();
    renderer.postProcess();  // warm-up: framebuffers and vertex arrays are made on first use
    renderer.postProcess();

    testing_support::AllocationCounter counter;
    renderer.postProcess();
    EXPECT_EQ(counter.count(), 0u);
}

}  // namespace
