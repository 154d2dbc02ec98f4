// Offscreen targets, depth buffers, the depth states and the frame's first clears, on a headless device.

#include <gtest/gtest.h>

#include "render/depth_buffer.h"
#include "render/depth_states.h"
#include "render/frame_targets.h"
#include "render/render_target.h"
#include "support/gpu_test_support.h"

namespace {

using gpu::Format;

class RenderTargetsTest : public testing_support::HeadlessGpuTest {};

TEST_F(RenderTargetsTest, ArrayTargetsGetOneViewPerSlice) {
    RenderTarget target;
    ASSERT_TRUE(target.create(device_, 16, 8, Format::R16G16B16A16_FLOAT, 1, 1, 0, false, false, 3));
    ASSERT_EQ(target.renderTargetViews.size(), 3u);
    EXPECT_EQ(target.renderTargetView, target.renderTargetViews[0]);
    for (std::uint32_t i = 0; i < 3; ++i) {
        const gpu::RenderTargetViewDesc& desc = target.renderTargetViews[i]->GetDesc();
        EXPECT_EQ(desc.ViewDimension, gpu::RtvDimension::Texture2DArray);
        EXPECT_EQ(desc.Texture2DArray.FirstArraySlice, i);
        EXPECT_EQ(desc.Texture2DArray.ArraySize, 1u);
    }
    EXPECT_EQ(target.shaderResourceView->GetDesc().ViewDimension, gpu::SrvDimension::Texture2DArray);
    EXPECT_EQ(target.texture->GetDesc().BindFlags, gpu::BIND_RENDER_TARGET | gpu::BIND_SHADER_RESOURCE);
    EXPECT_EQ(target.width, 16u);
    EXPECT_EQ(target.height, 8u);
    EXPECT_EQ(target.arraySize, 3u);
    EXPECT_FALSE(target.unorderedAccessView);

    RenderTarget multisampled;
    ASSERT_TRUE(multisampled.create(device_, 16, 8, Format::R8G8B8A8_UNORM, 1, 4, 0, false, false, 1));
    EXPECT_EQ(multisampled.renderTargetView->GetDesc().ViewDimension, gpu::RtvDimension::Texture2DMS);
}

TEST_F(RenderTargetsTest, MipGenerationOnlyWithMoreThanOneMip) {
    RenderTarget single;
    ASSERT_TRUE(single.create(device_, 16, 16, Format::R8G8B8A8_UNORM, 1, 1, 0, true, false, 1));
    EXPECT_EQ(single.texture->GetDesc().MiscFlags, 0u);
    EXPECT_TRUE(single.generateMips);  // recorded as asked
    RenderTarget chain;
    ASSERT_TRUE(chain.create(device_, 16, 16, Format::R8G8B8A8_UNORM, 3, 1, 0, true, false, 1));
    EXPECT_EQ(chain.texture->GetDesc().MiscFlags, gpu::RESOURCE_MISC_GENERATE_MIPS);
    EXPECT_EQ(chain.mipLevels, 3u);
}

TEST_F(RenderTargetsTest, UnorderedAccessViewsOnlyWhereTheFormatAllowsThem) {
    RenderTarget floats;
    EXPECT_TRUE(floats.create(device_, 8, 8, Format::R16G16B16A16_FLOAT, 1, 1, 0, false, true, 1));
    EXPECT_TRUE(floats.unorderedAccessView);
    RenderTarget srgb;
    EXPECT_FALSE(srgb.create(device_, 8, 8, Format::R8G8B8A8_UNORM_SRGB, 1, 1, 0, false, true, 1));
    EXPECT_FALSE(srgb.texture);  // sRGB storage cannot be bound for unordered access
    EXPECT_FALSE(srgb.renderTargetView);
    EXPECT_EQ(srgb.format, Format::R8G8B8A8_UNORM_SRGB);
}

TEST_F(RenderTargetsTest, ReadableDepthUsesTypelessStorageAndAReadableView) {
    struct Case {
        Format depth, storage, read;
    };
    for (Case c : {Case{Format::D32_FLOAT, Format::R32_TYPELESS, Format::R32_FLOAT},
                   Case{Format::D24_UNORM_S8_UINT, Format::R24G8_TYPELESS, Format::R24_UNORM_X8_TYPELESS},
                   Case{Format::D16_UNORM, Format::R16_TYPELESS, Format::R16_UNORM}}) {
        DepthBuffer depth;
        ASSERT_TRUE(depth.create(device_, 8, 4, c.depth, true, 1, 0, 1));
        EXPECT_EQ(depth.texture->GetDesc().Format, c.storage);
        EXPECT_EQ(depth.depthStencilView->GetDesc().Format, c.depth);
        ASSERT_TRUE(depth.shaderResourceView);
        EXPECT_EQ(depth.shaderResourceView->GetDesc().Format, c.read);
        EXPECT_EQ(depth.depthFormat, c.depth);
    }
    DepthBuffer plain;
    ASSERT_TRUE(plain.create(device_, 8, 4, Format::D24_UNORM_S8_UINT, false, 1, 0, 1));
    EXPECT_EQ(plain.texture->GetDesc().Format, Format::D24_UNORM_S8_UINT);
    EXPECT_FALSE(plain.shaderResourceView);

    DepthBuffer array;
    ASSERT_TRUE(array.create(device_, 8, 4, Format::D32_FLOAT, true, 1, 0, 2));
    ASSERT_EQ(array.depthStencilViews.size(), 2u);
    EXPECT_EQ(array.depthStencilViews[1]->GetDesc().Texture2DArray.FirstArraySlice, 1u);
    EXPECT_EQ(array.shaderResourceView->GetDesc().Texture2DArray.ArraySize, 2u);
}

TEST_F(RenderTargetsTest, DepthStatesDifferOnlyInTheDepthFunction) {
    DepthStencilStates states;
    ASSERT_TRUE(states.create(device_));
    const gpu::DepthStencilDesc& less = states.depthLessState->GetDesc();
    const gpu::DepthStencilDesc& always = states.depthAlwaysState->GetDesc();
    EXPECT_EQ(less.DepthFunc, gpu::ComparisonFunc::Less);
    EXPECT_EQ(always.DepthFunc, gpu::ComparisonFunc::Always);
    EXPECT_EQ(states.description.DepthFunc, gpu::ComparisonFunc::Always);
    for (const gpu::DepthStencilDesc* d : {&less, &always}) {
        EXPECT_TRUE(d->DepthEnable);
        EXPECT_EQ(d->DepthWriteMask, gpu::DepthWriteMask::All);
        EXPECT_FALSE(d->StencilEnable);
        EXPECT_EQ(d->FrontFace.StencilDepthFailOp, gpu::StencilOp::Incr);
        EXPECT_EQ(d->BackFace.StencilDepthFailOp, gpu::StencilOp::Decr);
    }
    EXPECT_FALSE(DepthStencilStates{}.create(nullptr));
}

TEST_F(RenderTargetsTest, BeginFrameClearsColourTargetToWhiteAndDepthToOne) {
    GraphicsContext graphics;
    ASSERT_TRUE(graphics.createDevice());
    RenderTarget colour;
    DepthBuffer depth;
    DepthStencilStates states;
    ASSERT_TRUE(colour.create(graphics.device.get(), 8, 8, Format::R8G8B8A8_UNORM_SRGB, 1, 1, 0, false, false, 1));
    ASSERT_TRUE(depth.create(graphics.device.get(), 8, 8, Format::D24_UNORM_S8_UINT, true, 1, 0, 1));
    ASSERT_TRUE(states.create(graphics.device.get()));
    beginFrameTargets(graphics, colour, depth, states.depthLessState.get(), kClearColour);

    gpu::Ref<gpu::RenderTargetView> bound;
    gpu::Ref<gpu::DepthStencilView> boundDepth;
    graphics.immediateContext->OMGetRenderTargets(1, &bound, &boundDepth);
    EXPECT_EQ(bound, colour.renderTargetView);
    EXPECT_EQ(boundDepth, depth.depthStencilView);
    graphics.immediateContext->OMSetRenderTargets(0, nullptr, nullptr);

    std::vector<std::uint8_t> pixels =
        testing_support::readBack(*graphics.device, *graphics.immediateContext, colour.texture.get());
    ASSERT_EQ(pixels.size(), 256u);
    EXPECT_EQ(std::vector<std::uint8_t>(pixels.begin(), pixels.begin() + 4), (std::vector<std::uint8_t>(4, 255)));
    std::vector<float> depths =
        testing_support::sampleView(*graphics.device, *graphics.immediateContext, depth.shaderResourceView.get());
    ASSERT_FALSE(depths.empty());
    EXPECT_EQ(depths[0], 1.0f);
}

}  // namespace
