// The driver facts a device reads once at creation.

#include <gtest/gtest.h>

#include "support/gpu_test_support.h"

namespace {

class DeviceCapsTest : public testing_support::HeadlessGpuTest {};

TEST_F(DeviceCapsTest, AreReadFromTheContextAtCreation) {
    const gpu::DeviceCaps& caps = device_->caps();
    EXPECT_TRUE(caps.atLeast(4, 5)) << caps.glMajor << "." << caps.glMinor;
    EXPECT_FALSE(caps.renderer.empty());
    EXPECT_FALSE(caps.glVersion.empty());
    EXPECT_EQ(caps.llvmpipe, caps.renderer.find("llvmpipe") != std::string::npos) << caps.renderer;
    // The sample-count rule reads its limit from the caps.
    EXPECT_GE(caps.maxSamples, 4);
    EXPECT_EQ(device_->maxSamples(), caps.maxSamples);
    EXPECT_GE(caps.maxTextureSize, 16384);
    EXPECT_GE(caps.maxAnisotropy, 1.0f);
}

}  // namespace
