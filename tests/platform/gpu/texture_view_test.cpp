// Texture and view rules: typeless depth storage, sRGB by view format, array slices, mips, and bad input.

#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

#include "support/gpu_test_support.h"

namespace {

using namespace gpu;
using testing_support::textureDesc;

class TextureViewTest : public testing_support::HeadlessGpuTest {};

struct DepthCase {
    const char* name;
    Format storage, depth, read;
    float tolerance;
};

class TypelessDepthTest : public TextureViewTest, public ::testing::WithParamInterface<DepthCase> {};

TEST_P(TypelessDepthTest, DepthWrittenThroughTheDepthViewIsReadThroughTheShaderView) {
    const DepthCase& c = GetParam();
    Ref<Texture2D> texture;
    ASSERT_EQ(device_->CreateTexture2D(textureDesc(4, 4, c.storage, BIND_DEPTH_STENCIL | BIND_SHADER_RESOURCE), nullptr,
                                       &texture),
              Result::Ok);
    DepthStencilViewDesc dsvDesc;
    dsvDesc.Format = c.depth;
    Ref<DepthStencilView> dsv;
    ASSERT_EQ(device_->CreateDepthStencilView(texture.get(), &dsvDesc, &dsv), Result::Ok);
    ShaderResourceViewDesc srvDesc;
    srvDesc.Format = c.read;
    srvDesc.Texture2D.MipLevels = 1;
    Ref<ShaderResourceView> srv;
    ASSERT_EQ(device_->CreateShaderResourceView(texture.get(), &srvDesc, &srv), Result::Ok);

    context_->ClearDepthStencilView(dsv.get(), CLEAR_DEPTH | CLEAR_STENCIL, 0.25f, 7);
    std::vector<float> texels = testing_support::sampleView(*device_, *context_, srv.get());
    ASSERT_EQ(texels.size(), 64u);
    EXPECT_NEAR(texels[0], 0.25f, c.tolerance);
    EXPECT_NEAR(texels[63 - 3], 0.25f, c.tolerance);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, TypelessDepthTest,
    ::testing::Values(DepthCase{"D16", Format::R16_TYPELESS, Format::D16_UNORM, Format::R16_UNORM, 1e-4f},
                      DepthCase{"D24S8", Format::R24G8_TYPELESS, Format::D24_UNORM_S8_UINT,
                                Format::R24_UNORM_X8_TYPELESS, 1e-6f},
                      DepthCase{"D32", Format::R32_TYPELESS, Format::D32_FLOAT, Format::R32_FLOAT, 0.0f}),
    [](const ::testing::TestParamInfo<DepthCase>& info) { return std::string(info.param.name); });

TEST_F(TextureViewTest, DepthFormatsCannotBeReadWithoutTypelessStorage) {
    Ref<Texture2D> texture;
    ASSERT_EQ(
        device_->CreateTexture2D(textureDesc(4, 4, Format::R8G8B8A8_UNORM, BIND_RENDER_TARGET), nullptr, &texture),
        Result::Ok);
    Ref<Texture2D> out = texture;  // must come back null
    EXPECT_EQ(
        device_->CreateTexture2D(
            textureDesc(4, 4, Format::D24_UNORM_S8_UINT, BIND_DEPTH_STENCIL | BIND_SHADER_RESOURCE), nullptr, &out),
        Result::InvalidArg);
    EXPECT_FALSE(out);

    Ref<Texture2D> depth;
    ASSERT_EQ(device_->CreateTexture2D(
                  textureDesc(4, 4, Format::R32_TYPELESS, BIND_DEPTH_STENCIL | BIND_SHADER_RESOURCE), nullptr, &depth),
              Result::Ok);
    Ref<ShaderResourceView> srv;
    ShaderResourceViewDesc wrong;
    wrong.Format = Format::R16_UNORM;  // another family
    EXPECT_EQ(device_->CreateShaderResourceView(depth.get(), &wrong, &srv), Result::InvalidArg);
    EXPECT_FALSE(srv);
    wrong.Format = Format::R32_TYPELESS;  // no typeless views
    EXPECT_EQ(device_->CreateShaderResourceView(depth.get(), &wrong, &srv), Result::InvalidArg);
    EXPECT_EQ(device_->CreateShaderResourceView(depth.get(), nullptr, &srv), Result::InvalidArg);
    Ref<RenderTargetView> rtv;
    EXPECT_EQ(device_->CreateRenderTargetView(depth.get(), nullptr, &rtv), Result::InvalidArg);
    Ref<DepthStencilView> dsv;
    DepthStencilViewDesc d16;
    d16.Format = Format::D16_UNORM;
    EXPECT_EQ(device_->CreateDepthStencilView(depth.get(), &d16, &dsv), Result::InvalidArg);
    EXPECT_FALSE(dsv);
}

TEST_F(TextureViewTest, SrgbViewsEncodeOnWriteAndDecodeOnRead) {
    Ref<Texture2D> texture;
    ASSERT_EQ(
        device_->CreateTexture2D(
            textureDesc(4, 4, Format::R8G8B8A8_TYPELESS, BIND_RENDER_TARGET | BIND_SHADER_RESOURCE), nullptr, &texture),
        Result::Ok);
    RenderTargetViewDesc srgbTarget;
    srgbTarget.Format = Format::R8G8B8A8_UNORM_SRGB;
    Ref<RenderTargetView> rtv;
    ASSERT_EQ(device_->CreateRenderTargetView(texture.get(), &srgbTarget, &rtv), Result::Ok);
    const float half[4] = {0.5f, 0.5f, 0.5f, 0.5f};
    context_->ClearRenderTargetView(rtv.get(), half);

    // Stored bytes: sRGB-encoded colour, linear alpha.
    std::vector<std::uint8_t> bytes =
        testing_support::readBack(*device_, *context_, texture.get(), 0, Format::R8G8B8A8_UNORM);
    ASSERT_EQ(bytes.size(), 64u);
    EXPECT_NEAR(bytes[0], 188, 1);
    EXPECT_NEAR(bytes[3], 128, 1);

    ShaderResourceViewDesc read;
    read.Format = Format::R8G8B8A8_UNORM_SRGB;
    Ref<ShaderResourceView> srgbView, unormView;
    ASSERT_EQ(device_->CreateShaderResourceView(texture.get(), &read, &srgbView), Result::Ok);
    read.Format = Format::R8G8B8A8_UNORM;
    ASSERT_EQ(device_->CreateShaderResourceView(texture.get(), &read, &unormView), Result::Ok);
    std::vector<float> decoded = testing_support::sampleView(*device_, *context_, srgbView.get());
    std::vector<float> raw = testing_support::sampleView(*device_, *context_, unormView.get());
    ASSERT_EQ(decoded.size(), 64u);
    ASSERT_EQ(raw.size(), 64u);
    EXPECT_NEAR(decoded[0], 0.5f, 0.01f);
    EXPECT_NEAR(raw[0], 188.0f / 255.0f, 0.01f);

    // A UNORM target over the same storage writes the value as it is.
    RenderTargetViewDesc unormTarget;
    unormTarget.Format = Format::R8G8B8A8_UNORM;
    ASSERT_EQ(device_->CreateRenderTargetView(texture.get(), &unormTarget, &rtv), Result::Ok);
    context_->ClearRenderTargetView(rtv.get(), half);
    bytes = testing_support::readBack(*device_, *context_, texture.get(), 0, Format::R8G8B8A8_UNORM);
    EXPECT_NEAR(bytes[0], 128, 1);

    // A typed texture takes only views of its own format.
    Ref<Texture2D> typed;
    ASSERT_EQ(
        device_->CreateTexture2D(textureDesc(4, 4, Format::R8G8B8A8_UNORM, BIND_SHADER_RESOURCE), nullptr, &typed),
        Result::Ok);
    read.Format = Format::R8G8B8A8_UNORM_SRGB;
    EXPECT_EQ(device_->CreateShaderResourceView(typed.get(), &read, &srgbView), Result::InvalidArg);
}

TEST_F(TextureViewTest, EachArraySliceHasItsOwnTarget) {
    Texture2DDesc desc = textureDesc(2, 2, Format::R8G8B8A8_UNORM, BIND_RENDER_TARGET | BIND_SHADER_RESOURCE);
    desc.ArraySize = 3;
    Ref<Texture2D> texture;
    ASSERT_EQ(device_->CreateTexture2D(desc, nullptr, &texture), Result::Ok);
    for (std::uint32_t slice = 0; slice < 3; ++slice) {
        RenderTargetViewDesc viewDesc;
        viewDesc.Format = desc.Format;
        viewDesc.ViewDimension = RtvDimension::Texture2DArray;
        viewDesc.Texture2DArray = {0, slice, 1};
        Ref<RenderTargetView> rtv;
        ASSERT_EQ(device_->CreateRenderTargetView(texture.get(), &viewDesc, &rtv), Result::Ok);
        const float value[4] = {0.25f * float(slice + 1), 0, 0, 1};
        context_->ClearRenderTargetView(rtv.get(), value);
    }
    for (std::uint32_t slice = 0; slice < 3; ++slice) {
        std::vector<std::uint8_t> bytes =
            testing_support::readBack(*device_, *context_, texture.get(), calcSubresource(0, slice, 1));
        ASSERT_EQ(bytes.size(), 16u);
        EXPECT_NEAR(bytes[12], 64 * (slice + 1), 1) << "slice " << slice;
    }

    ShaderResourceViewDesc srvDesc;
    srvDesc.Format = desc.Format;
    srvDesc.ViewDimension = SrvDimension::Texture2DArray;
    srvDesc.Texture2DArray = {0, 1, 2, 1};  // slice 2 alone
    Ref<ShaderResourceView> srv;
    ASSERT_EQ(device_->CreateShaderResourceView(texture.get(), &srvDesc, &srv), Result::Ok);
    std::vector<float> texels =
        testing_support::sampleView(*device_, *context_, srv.get(), "sampler2DArray", "texture(PS_t0, vec3(uv, 0.0))");
    ASSERT_EQ(texels.size(), 64u);
    EXPECT_NEAR(texels[0], 0.75f, 0.01f);

    RenderTargetViewDesc outside;
    outside.Format = desc.Format;
    outside.ViewDimension = RtvDimension::Texture2DArray;
    outside.Texture2DArray = {0, 2, 2};
    Ref<RenderTargetView> rtv;
    EXPECT_EQ(device_->CreateRenderTargetView(texture.get(), &outside, &rtv), Result::InvalidArg);
}

TEST_F(TextureViewTest, MipChainsAndMipGeneration) {
    Texture2DDesc desc = textureDesc(8, 8, Format::R8G8B8A8_UNORM, BIND_RENDER_TARGET | BIND_SHADER_RESOURCE);
    desc.MipLevels = 0;
    desc.MiscFlags = RESOURCE_MISC_GENERATE_MIPS;
    Ref<Texture2D> texture;
    ASSERT_EQ(device_->CreateTexture2D(desc, nullptr, &texture), Result::Ok);
    EXPECT_EQ(texture->GetDesc().MipLevels, 4u);

    // Alternate black and white texels average to grey at the last level.
    std::vector<std::uint8_t> checker(8 * 8 * 4);
    for (std::size_t i = 0; i < 64; ++i) {
        std::uint8_t v = ((i % 8) + (i / 8)) % 2 ? 255 : 0;
        std::memset(&checker[i * 4], v, 4);
    }
    context_->UpdateSubresource(texture.get(), 0, nullptr, checker.data(), 8 * 4, 0);
    Ref<ShaderResourceView> srv;
    ASSERT_EQ(device_->CreateShaderResourceView(texture.get(), nullptr, &srv), Result::Ok);
    context_->GenerateMips(srv.get());
    std::vector<std::uint8_t> last = testing_support::readBack(*device_, *context_, texture.get(), 3);
    ASSERT_EQ(last.size(), 4u);
    EXPECT_NEAR(last[0], 128, 2);

    Ref<Texture2D> rejected;
    desc.BindFlags = BIND_SHADER_RESOURCE;  // mip generation needs render-target binding too
    EXPECT_EQ(device_->CreateTexture2D(desc, nullptr, &rejected), Result::InvalidArg);
    desc.MipLevels = 5;  // more than 8 x 8 has
    desc.BindFlags = BIND_SHADER_RESOURCE;
    desc.MiscFlags = 0;
    EXPECT_EQ(device_->CreateTexture2D(desc, nullptr, &rejected), Result::InvalidArg);
}

TEST_F(TextureViewTest, BadDescriptionsGiveErrorsAndNullHandles) {
    auto rejects = [&](Texture2DDesc desc, const SubresourceData* data = nullptr) {
        Ref<Texture2D> out;
        Result result = device_->CreateTexture2D(desc, data, &out);
        return failed(result) && !out;
    };
    Texture2DDesc good = textureDesc(4, 4, Format::R8G8B8A8_UNORM, BIND_SHADER_RESOURCE);
    Texture2DDesc d = good;
    d.Width = 0;
    EXPECT_TRUE(rejects(d));
    d = good;
    d.Format = static_cast<Format>(12345);
    EXPECT_TRUE(rejects(d));
    d = good;
    d.SampleDesc.Count = 3;
    EXPECT_TRUE(rejects(d));
    d = good;
    d.SampleDesc.Count = 0;
    EXPECT_TRUE(rejects(d));
    d = good;
    d.Usage = Usage::Immutable;  // without initial data
    EXPECT_TRUE(rejects(d));
    d = good;
    d.ArraySize = 0;
    EXPECT_TRUE(rejects(d));
    d = good;
    d.Format = Format::R8G8B8A8_UNORM_SRGB;
    d.BindFlags = BIND_UNORDERED_ACCESS;
    EXPECT_TRUE(rejects(d));
    std::uint8_t pixel[4] = {};
    SubresourceData tooNarrow{pixel, 4, 0};
    EXPECT_TRUE(rejects(good, &tooNarrow));

    Ref<RenderTargetView> rtv;
    EXPECT_EQ(device_->CreateRenderTargetView(nullptr, nullptr, &rtv), Result::InvalidArg);
    Ref<Texture2D> texture;
    ASSERT_EQ(device_->CreateTexture2D(good, nullptr, &texture), Result::Ok);
    EXPECT_EQ(device_->CreateRenderTargetView(texture.get(), nullptr, &rtv), Result::InvalidArg);  // no RT bind
    Ref<UnorderedAccessView> uav;
    EXPECT_EQ(device_->CreateUnorderedAccessView(texture.get(), nullptr, &uav), Result::InvalidArg);
}

TEST_F(TextureViewTest, MultisampledTargetsTakeOnlyMultisampledViews) {
    Texture2DDesc desc = textureDesc(4, 4, Format::R16G16B16A16_FLOAT, BIND_RENDER_TARGET | BIND_SHADER_RESOURCE);
    desc.SampleDesc.Count = 4;
    Ref<Texture2D> texture;
    ASSERT_EQ(device_->CreateTexture2D(desc, nullptr, &texture), Result::Ok);
    Ref<RenderTargetView> rtv;
    ASSERT_EQ(device_->CreateRenderTargetView(texture.get(), nullptr, &rtv), Result::Ok);
    EXPECT_EQ(rtv->GetDesc().ViewDimension, RtvDimension::Texture2DMS);
    RenderTargetViewDesc single;
    single.ViewDimension = RtvDimension::Texture2D;
    Ref<RenderTargetView> rejected;
    EXPECT_EQ(device_->CreateRenderTargetView(texture.get(), &single, &rejected), Result::InvalidArg);
    const float colour[4] = {2, 0, 0, 1};
    context_->ClearRenderTargetView(rtv.get(), colour);
    Ref<ShaderResourceView> srv;
    ASSERT_EQ(device_->CreateShaderResourceView(texture.get(), nullptr, &srv), Result::Ok);
    EXPECT_EQ(srv->GetDesc().ViewDimension, SrvDimension::Texture2DMS);
}

}  // namespace
