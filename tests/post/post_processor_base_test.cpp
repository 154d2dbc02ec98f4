// One pass of the post-processor base: pass constants at the views' mips and viewports. The frame chain's
// test covers the unbinding after each pass.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "post/post_processor_base.h"
#include "support/gpu_test_support.h"

namespace {

using gpu::Format;

class PostProcessorBaseTest : public testing_support::HeadlessGpuTest {
protected:
    void SetUp() override {
        HeadlessGpuTest::SetUp();
        base_.initialize(device_);
        base_.render(context_, nullptr, nullptr);
    }

    // A texture with a mip chain and a view of it starting at `mip`.
    gpu::Ref<gpu::ShaderResourceView> inputView(std::uint32_t width, std::uint32_t height, std::uint32_t mips,
                                                std::uint32_t mip) {
        gpu::Texture2DDesc desc = testing_support::textureDesc(width, height, Format::R8G8B8A8_UNORM,
                                                                gpu::BIND_SHADER_RESOURCE | gpu::BIND_RENDER_TARGET);
        desc.MipLevels = mips;
        gpu::Ref<gpu::Texture2D> texture;
        device_->CreateTexture2D(desc, nullptr, &texture);
        gpu::ShaderResourceViewDesc viewDesc;
        viewDesc.Format = desc.Format;
        viewDesc.Texture2D.MostDetailedMip = mip;
        viewDesc.Texture2D.MipLevels = 1;
        gpu::Ref<gpu::ShaderResourceView> view;
        device_->CreateShaderResourceView(texture.get(), &viewDesc, &view);
        return view;
    }
    gpu::Ref<gpu::RenderTargetView> outputView(std::uint32_t width, std::uint32_t height, std::uint32_t mip) {
        gpu::Texture2DDesc desc = testing_support::textureDesc(width, height, Format::R8G8B8A8_UNORM,
                                                                gpu::BIND_SHADER_RESOURCE | gpu::BIND_RENDER_TARGET);
        desc.MipLevels = mip + 1;
        gpu::Ref<gpu::Texture2D> texture;
        device_->CreateTexture2D(desc, nullptr, &texture);
        gpu::RenderTargetViewDesc viewDesc;
        viewDesc.Format = desc.Format;
        viewDesc.Texture2D.MipSlice = mip;
        gpu::Ref<gpu::RenderTargetView> view;
        device_->CreateRenderTargetView(texture.get(), &viewDesc, &view);
        return view;
    }
    PassConstants passConstants() {
        gpu::BufferDesc desc = base_.passConstants->GetDesc();
        EXPECT_EQ(desc.ByteWidth, 48u);
        desc.Usage = gpu::Usage::Staging;
        desc.BindFlags = 0;
        desc.CPUAccessFlags = gpu::CPU_ACCESS_READ;
        gpu::Ref<gpu::Buffer> staging;
        device_->CreateBuffer(desc, nullptr, &staging);
        context_->CopyResource(staging.get(), base_.passConstants.get());
        gpu::MappedSubresource mapped;
        PassConstants constants{};
        if (gpu::succeeded(context_->Map(staging.get(), 0, gpu::MapType::Read, 0, &mapped))) {
            std::memcpy(&constants, mapped.pData, sizeof(constants));
            context_->Unmap(staging.get(), 0);
        }
        return constants;
    }

    PostProcessorBase base_;
};

TEST_F(PostProcessorBaseTest, PassConstantsGiveSizesAtEachViewsMip) {
    auto big = inputView(1920, 1080, 3, 2);
    auto tiny = inputView(4, 2, 3, 2);  // 4 x 2 >> 2 would be 1 x 0
    auto plain = inputView(8, 4, 1, 0);
    auto output = outputView(64, 32, 1);
    auto second = outputView(8, 8, 0);
    base_.inputs = {big.get(), tiny.get(), plain.get()};
    base_.outputs = {output.get(), second.get()};
    base_.drawPass(nullptr);
    PassConstants c = passConstants();
    const float expected3[] = {480, 270, 1, 1, 8, 4};
    EXPECT_EQ(std::memcmp(c.inputSize, expected3, sizeof(expected3)), 0);
    EXPECT_EQ(c.outputSize[0], 32.0f);
    EXPECT_EQ(c.outputSize[1], 16.0f);

    // One viewport per output, each the size of output 0.
    gpu::Viewport viewports[16];
    std::uint32_t count = 16;
    context_->RSGetViewports(&count, viewports);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(viewports[1].Width, 32.0f);
    EXPECT_EQ(viewports[1].Height, 16.0f);

    base_.inputs = {plain.get()};
    base_.outputs = {output.get()};
    base_.drawPass(nullptr);
    c = passConstants();
    EXPECT_EQ(c.inputSize[0][0], 8.0f);
    EXPECT_EQ(c.inputSize[0][1], 4.0f);
    EXPECT_EQ(c.outputSize[0], 32.0f);
}

}  // namespace
