// The driver facts a device reads once at creation.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

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

namespace {

// The timer the editor's overlay reads: a timestamp before and after a batch of clears, read without waiting
// until the GPU has got there, bracketed by a disjoint query that gives the clock's rate.
TEST_F(DeviceCapsTest, TimestampQueriesMeasureWorkOnTheGpu) {
    if (device_->caps().timestampBits == 0) {
        gpu::Ref<gpu::Query> none;
        EXPECT_EQ(device_->CreateQuery({gpu::QueryType::Timestamp, 0}, &none), gpu::Result::Unsupported);
        GTEST_SKIP() << "this driver has no GPU timer";
    }
    gpu::Ref<gpu::Query> disjoint, before, after;
    ASSERT_EQ(device_->CreateQuery({gpu::QueryType::TimestampDisjoint, 0}, &disjoint), gpu::Result::Ok);
    ASSERT_EQ(device_->CreateQuery({gpu::QueryType::Timestamp, 0}, &before), gpu::Result::Ok);
    ASSERT_EQ(device_->CreateQuery({gpu::QueryType::Timestamp, 0}, &after), gpu::Result::Ok);
    std::uint64_t ticks = 0;
    EXPECT_EQ(context_->GetData(before.get(), &ticks, sizeof ticks, 0), gpu::Result::InvalidCall);  // never ended
    EXPECT_EQ(device_->CreateQuery({static_cast<gpu::QueryType>(7), 0}, &after), gpu::Result::InvalidArg);
    ASSERT_EQ(device_->CreateQuery({gpu::QueryType::Timestamp, 0}, &after), gpu::Result::Ok);

    gpu::Ref<gpu::Texture2D> texture;
    gpu::Ref<gpu::RenderTargetView> view;
    const gpu::Texture2DDesc desc =
        testing_support::textureDesc(1024, 1024, gpu::Format::R16G16B16A16_FLOAT, gpu::BIND_RENDER_TARGET);
    ASSERT_EQ(device_->CreateTexture2D(desc, nullptr, &texture), gpu::Result::Ok);
    ASSERT_EQ(device_->CreateRenderTargetView(texture.get(), nullptr, &view), gpu::Result::Ok);
    context_->Begin(disjoint.get());
    context_->End(before.get());
    const float colour[4] = {0.25f, 0.5f, 0.75f, 1.0f};
    for (int i = 0; i < 20; ++i) context_->ClearRenderTargetView(view.get(), colour);
    context_->End(after.get());
    context_->End(disjoint.get());

    std::uint64_t start = 0, end = 0;
    gpu::Result result = gpu::Result::SFalse;
    for (int attempt = 0; attempt < 2000 && result == gpu::Result::SFalse; ++attempt) {
        result = context_->GetData(after.get(), &end, sizeof end, 0);
        if (result == gpu::Result::SFalse) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(result, gpu::Result::Ok);
    ASSERT_EQ(context_->GetData(before.get(), &start, sizeof start, 0), gpu::Result::Ok);
    gpu::QueryDataTimestampDisjoint clock;
    ASSERT_EQ(context_->GetData(disjoint.get(), &clock, sizeof clock, 0), gpu::Result::Ok);
    EXPECT_FALSE(clock.Disjoint);
    EXPECT_EQ(clock.Frequency, 1'000'000'000u);
    EXPECT_GT(start, 0u);
    EXPECT_GT(end, start) << "the clears took no GPU time";
    EXPECT_EQ(context_->GetData(after.get(), &end, 4, 0), gpu::Result::InvalidArg);
}

}  // namespace
