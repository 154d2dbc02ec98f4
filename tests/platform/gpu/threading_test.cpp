// Free-threaded creation: worker threads create resources while the owner thread is busy, and release them too.

#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <omp.h>

#include "support/gpu_test_support.h"

namespace {

using namespace gpu;

TEST(GpuThreadingTest, WorkersCreateWhileTheOwnerIsInsideTheParallelLoop) {
    testing_support::HeadlessGpu gpu = testing_support::createHeadlessGpu();
    ASSERT_TRUE(gpu.device) << "no headless GL device";
    constexpr int kCount = 8;
    std::vector<Ref<Texture2D>> textures(kCount);
    std::vector<Ref<ShaderResourceView>> views(kCount);
    std::vector<Ref<PixelShader>> shaders(kCount);
    std::atomic<int> failures{0};

    // The owner thread (this one) takes part in the loop, as the engine thread does while loading scenes.
#pragma omp parallel for num_threads(3) schedule(dynamic)
    for (int i = 0; i < kCount; ++i) {
        std::uint8_t texel[4] = {static_cast<std::uint8_t>(i * 20), 0, 0, 255};
        SubresourceData data{texel, 4, 0};
        Texture2DDesc desc = testing_support::textureDesc(1, 1, Format::R8G8B8A8_UNORM, BIND_SHADER_RESOURCE);
        desc.Usage = Usage::Immutable;
        if (failed(gpu.device->CreateTexture2D(desc, &data, &textures[i])) ||
            failed(gpu.device->CreateShaderResourceView(textures[i].get(), nullptr, &views[i])) ||
            failed(gpu.device->CreatePixelShader(testing_support::tintPixelShader(), &shaders[i]))) {
            ++failures;
        }
    }
    ASSERT_EQ(failures.load(), 0);

    for (int i = 0; i < kCount; ++i) {
        std::vector<float> texels = testing_support::sampleView(*gpu.device, *gpu.context, views[i].get());
        ASSERT_EQ(texels.size(), 64u);
        EXPECT_NEAR(texels[0], i * 20 / 255.0f, 0.002f) << "texture " << i;
    }

    // Objects released on another thread are deleted later on the owner thread; the device stays usable.
    std::thread([&] {
        views.clear();
        textures.clear();
        shaders.clear();
    }).join();
    gpu.context->Flush();
    Ref<Texture2D> after;
    EXPECT_EQ(gpu.device->CreateTexture2D(testing_support::textureDesc(2, 2, Format::R8_UNORM, BIND_SHADER_RESOURCE),
                                          nullptr, &after),
              Result::Ok);
}

TEST(GpuThreadingTest, EachHeadlessDeviceHasItsOwnOwnerThread) {
    testing_support::HeadlessGpu first = testing_support::createHeadlessGpu();
    ASSERT_TRUE(first.device);
    FeatureLevel level{};
    std::thread([&] {
        testing_support::HeadlessGpu second = testing_support::createHeadlessGpu();
        EXPECT_TRUE(second.device);
        const FeatureLevel only10[] = {FeatureLevel::Level_10_1};
        Ref<Device> device;
        EXPECT_EQ(CreateDevice(nullptr, only10, 1, &device, &level, nullptr), Result::Ok);
        const FeatureLevel unknown[] = {static_cast<FeatureLevel>(0x1234)};
        Ref<Device> none;
        EXPECT_EQ(CreateDevice(nullptr, unknown, 1, &none, nullptr, nullptr), Result::InvalidArg);
        EXPECT_FALSE(none);
    }).join();
    EXPECT_EQ(level, FeatureLevel::Level_10_1);
    EXPECT_EQ(first.device->GetFeatureLevel(), FeatureLevel::Level_11_0);
    // The first device's context is still current here and works.
    std::vector<std::uint8_t> pixels;
    Ref<Texture2D> texture;
    ASSERT_EQ(first.device->CreateTexture2D(
                  testing_support::textureDesc(1, 1, Format::R8G8B8A8_UNORM, BIND_RENDER_TARGET), nullptr, &texture),
              Result::Ok);
    Ref<RenderTargetView> rtv;
    ASSERT_EQ(first.device->CreateRenderTargetView(texture.get(), nullptr, &rtv), Result::Ok);
    const float colour[4] = {1, 0, 0, 1};
    first.context->ClearRenderTargetView(rtv.get(), colour);
    pixels = testing_support::readBack(*first.device, *first.context, texture.get());
    ASSERT_EQ(pixels.size(), 4u);
    EXPECT_EQ(pixels[0], 255);
}

}  // namespace
