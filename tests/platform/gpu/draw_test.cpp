// Drawing through the immediate context: D3D's origin, winding, clears, constant updates and states.

#include <cstring>

#include <gtest/gtest.h>

#include "support/gpu_test_support.h"

namespace {

using namespace gpu;
using testing_support::readBack;

constexpr std::uint32_t kSize = 8;

class DrawTest : public testing_support::ColourDrawTest {
protected:
    void SetUp() override {
        HeadlessGpuTest::SetUp();
        if (HasFatalFailure()) return;
        setUpColourDraw(kSize, BIND_RENDER_TARGET | BIND_SHADER_RESOURCE, {0, 0, 0, 0});
    }

    void draw(const std::vector<float>& vertices) {
        Ref<Buffer> vb = testing_support::vertexBuffer(*device_, vertices);
        Buffer* b = vb.get();
        std::uint32_t stride = 24, offset = 0;
        context_->IASetVertexBuffers(0, 1, &b, &stride, &offset);
        Ref<Buffer> ib = indices(static_cast<std::uint32_t>(vertices.size() / 6));
        context_->IASetIndexBuffer(ib.get(), Format::R16_UINT, 0);
        context_->DrawIndexed(static_cast<std::uint32_t>(vertices.size() / 6), 0, 0);
    }

    Ref<Buffer> indices(std::uint32_t count) {
        std::vector<std::uint16_t> list(count);
        for (std::uint32_t i = 0; i < count; ++i) list[i] = static_cast<std::uint16_t>(i);
        return testing_support::makeBuffer(*device_, BIND_INDEX_BUFFER, list.data(), count * 2, Usage::Immutable);
    }

    // Red channel of pixel (x, y), row 0 being the top.
    std::uint8_t red(const std::vector<std::uint8_t>& pixels, std::uint32_t x, std::uint32_t y) {
        return pixels[(y * kSize + x) * 4];
    }
};

// A clockwise (on screen) triangle over the upper half: y = +1 is the top row, as in D3D.
const std::vector<float> kUpperHalfClockwise = {-1, 1, 1, 0, 0, 1, 3, 1, 1, 0, 0, 1, -1, 0, 1, 0, 0, 1};
const std::vector<float> kUpperHalfCounterClockwise = {-1, 1, 1, 0, 0, 1, -1, 0, 1, 0, 0, 1, 3, 1, 1, 0, 0, 1};

TEST_F(DrawTest, RowZeroIsTheTopAndClockwiseTrianglesAreFrontFaces) {
    draw(kUpperHalfClockwise);
    std::vector<std::uint8_t> pixels = readBack(*device_, *context_, target_.get());
    ASSERT_EQ(pixels.size(), kSize * kSize * 4);
    EXPECT_EQ(red(pixels, 2, 0), 255);
    EXPECT_EQ(red(pixels, 2, kSize - 1), 0);

    // The default rasterizer culls back faces: the counter-clockwise triangle disappears...
    const float black[4] = {0, 0, 0, 0};
    context_->ClearRenderTargetView(rtv_.get(), black);
    draw(kUpperHalfCounterClockwise);
    EXPECT_EQ(red(readBack(*device_, *context_, target_.get()), 2, 0), 0);

    // ...and FrontCounterClockwise makes it the front face.
    RasterizerDesc desc;
    desc.FrontCounterClockwise = true;
    Ref<RasterizerState> ccw;
    ASSERT_EQ(device_->CreateRasterizerState(desc, &ccw), Result::Ok);
    context_->RSSetState(ccw.get());
    draw(kUpperHalfCounterClockwise);
    EXPECT_EQ(red(readBack(*device_, *context_, target_.get()), 2, 0), 255);
}

TEST_F(DrawTest, EachDrawSeesTheConstantsMappedBeforeIt) {
    auto setTint = [&](float r) {
        MappedSubresource mapped;
        ASSERT_EQ(context_->Map(tint_.get(), 0, MapType::WriteDiscard, 0, &mapped), Result::Ok);
        const float value[4] = {r, 1, 1, 1};
        std::memcpy(mapped.pData, value, sizeof(value));
        context_->Unmap(tint_.get(), 0);
    };
    setTint(0.25f);
    draw({-1, 1, 1, 0, 0, 1, 0, 1,  1, 0, 0, 1, -1, -1, 1, 0, 0, 1,
          0,  1, 1, 0, 0, 1, 0, -1, 1, 0, 0, 1, -1, -1, 1, 0, 0, 1});  // left half
    setTint(0.75f);
    draw({0, 1, 1, 0, 0, 1, 1, 1,  1, 0, 0, 1, 0, -1, 1, 0, 0, 1,
          1, 1, 1, 0, 0, 1, 1, -1, 1, 0, 0, 1, 0, -1, 1, 0, 0, 1});  // right half
    std::vector<std::uint8_t> pixels = readBack(*device_, *context_, target_.get());
    EXPECT_NEAR(red(pixels, 1, 4), 64, 1);
    EXPECT_NEAR(red(pixels, 6, 4), 191, 1);
}

// Small constant buffers live in the context's ring: a buffer set long ago keeps its contents after the ring has
// lapped many times, and every draw reads what was written before it, whichever way it was written.
TEST_F(DrawTest, ConstantsSurviveTheRingLappingUnderThem) {
    const struct {
        const char* name;
        Usage usage;
    } cases[] = {{"UpdateSubresource", Usage::Default}, {"Map with discard", Usage::Dynamic}};
    const std::vector<float> leftHalf = {-1, 1, 1, 0, 0, 1, 0, 1,  1, 0, 0, 1, -1, -1, 1, 0, 0, 1,
                                         0,  1, 1, 0, 0, 1, 0, -1, 1, 0, 0, 1, -1, -1, 1, 0, 0, 1};
    const std::vector<float> rightHalf = {0, 1, 1, 0, 0, 1, 1, 1,  1, 0, 0, 1, 0, -1, 1, 0, 0, 1,
                                          1, 1, 1, 0, 0, 1, 1, -1, 1, 0, 0, 1, 0, -1, 1, 0, 0, 1};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto set = [&](Buffer* buffer, float red) {
            const float value[4] = {red, 1, 1, 1};
            if (c.usage == Usage::Default) {
                context_->UpdateSubresource(buffer, 0, nullptr, value, 0, 0);
                return;
            }
            MappedSubresource mapped;
            ASSERT_EQ(context_->Map(buffer, 0, MapType::WriteDiscard, 0, &mapped), Result::Ok);
            std::memcpy(mapped.pData, value, sizeof(value));
            context_->Unmap(buffer, 0);
        };
        const float white[4] = {1, 1, 1, 1};
        Ref<Buffer> early = testing_support::makeBuffer(*device_, BIND_CONSTANT_BUFFER, white, 16, c.usage);
        Ref<Buffer> busy = testing_support::makeBuffer(*device_, BIND_CONSTANT_BUFFER, white, 16, c.usage);
        set(early.get(), 0.25f);
        Buffer* bound = early.get();
        context_->PSSetConstantBuffers(0, 1, &bound);
        draw(leftHalf);
        // More updates than the ring holds slices, with a draw reading the early buffer now and then.
        bound = busy.get();
        context_->PSSetConstantBuffers(0, 1, &bound);
        const std::uint32_t laps = 2 * ConstantRing::kChunks * ConstantRing::kChunkBytes / 16;
        for (std::uint32_t i = 0; i < laps; ++i) {
            set(busy.get(), 0.5f);
            if (i % 50000 == 0) draw(rightHalf);
        }
        set(busy.get(), 0.75f);
        draw(rightHalf);
        bound = early.get();
        context_->PSSetConstantBuffers(0, 1, &bound);
        draw(leftHalf);
        std::vector<std::uint8_t> pixels = readBack(*device_, *context_, target_.get());
        EXPECT_NEAR(red(pixels, 1, 4), 64, 1);
        EXPECT_NEAR(red(pixels, 6, 4), 191, 1);
    }
}

// A whole update of a small constant buffer goes into the ring alone; what reads the buffer next, with no draw or
// flush between, still sees it: an update of a part of it, a copy out of it, a copy into it.
TEST_F(DrawTest, WholeConstantUpdatesAreSeenByWhatReadsTheBufferNext) {
    const float zero[4] = {0, 0, 0, 0}, whole[4] = {0.25f, 1, 2, 3}, part = 0.5f, copied[4] = {9, 8, 7, 6};
    const struct {
        const char* name;
        bool partUpdate, copyIn;
        float expected[4];
    } cases[] = {{"copied out", false, false, {0.25f, 1, 2, 3}},
                 {"partly updated, then copied out", true, false, {0.25f, 0.5f, 2, 3}},
                 {"copied into, then partly updated", false, true, {9, 0.5f, 7, 6}}};
    BufferDesc stagingDesc;
    stagingDesc.ByteWidth = 16;
    stagingDesc.Usage = Usage::Staging;
    stagingDesc.CPUAccessFlags = CPU_ACCESS_READ | CPU_ACCESS_WRITE;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<Buffer> constants = testing_support::makeBuffer(*device_, BIND_CONSTANT_BUFFER, zero, 16);
        Ref<Buffer> staging;
        ASSERT_EQ(device_->CreateBuffer(stagingDesc, nullptr, &staging), Result::Ok);
        context_->UpdateSubresource(constants.get(), 0, nullptr, whole, 0, 0);
        if (c.copyIn) {
            MappedSubresource mapped;
            ASSERT_EQ(context_->Map(staging.get(), 0, MapType::Write, 0, &mapped), Result::Ok);
            std::memcpy(mapped.pData, copied, sizeof(copied));
            context_->Unmap(staging.get(), 0);
            context_->CopyResource(constants.get(), staging.get());
        }
        if (c.partUpdate || c.copyIn) {
            const Box second{4, 0, 0, 8, 1, 1};
            context_->UpdateSubresource(constants.get(), 0, &second, &part, 0, 0);
        }
        context_->CopyResource(staging.get(), constants.get());
        MappedSubresource mapped;
        ASSERT_EQ(context_->Map(staging.get(), 0, MapType::Read, 0, &mapped), Result::Ok);
        float got[4];
        std::memcpy(got, mapped.pData, sizeof(got));
        context_->Unmap(staging.get(), 0);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(got[i], c.expected[i]) << "float " << i;
    }
}

TEST_F(DrawTest, ClearsClampOnNormalisedTargetsOnly) {
    const float above[4] = {114, 144, 154, 255};
    context_->ClearRenderTargetView(rtv_.get(), above);
    std::vector<std::uint8_t> pixels = readBack(*device_, *context_, target_.get());
    EXPECT_EQ(std::vector<std::uint8_t>(pixels.begin(), pixels.begin() + 4),
              (std::vector<std::uint8_t>{255, 255, 255, 255}));

    Ref<Texture2D> floats;
    Ref<RenderTargetView> floatView;
    ASSERT_EQ(device_->CreateTexture2D(
                  testing_support::textureDesc(4, 4, Format::R32G32B32A32_FLOAT, BIND_RENDER_TARGET), nullptr, &floats),
              Result::Ok);
    ASSERT_EQ(device_->CreateRenderTargetView(floats.get(), nullptr, &floatView), Result::Ok);
    context_->ClearRenderTargetView(floatView.get(), above);
    std::vector<float> values = testing_support::readBackFloats(*device_, *context_, floats.get());
    ASSERT_GE(values.size(), 4u);
    EXPECT_EQ(values[0], 114.0f);
    EXPECT_EQ(values[3], 255.0f);
}

TEST_F(DrawTest, ClearsIgnoreScissorAndWriteMask) {
    RasterizerDesc rd;
    rd.ScissorEnable = true;
    Ref<RasterizerState> scissored;
    ASSERT_EQ(device_->CreateRasterizerState(rd, &scissored), Result::Ok);
    BlendDesc bd;
    bd.RenderTarget[0].RenderTargetWriteMask = 0;
    Ref<BlendState> noWrites;
    ASSERT_EQ(device_->CreateBlendState(bd, &noWrites), Result::Ok);
    context_->RSSetState(scissored.get());
    context_->OMSetBlendState(noWrites.get(), nullptr, 0xFFFFFFFF);
    Rect nothing{0, 0, 1, 1};
    context_->RSSetScissorRects(1, &nothing);
    draw(kUpperHalfClockwise);  // applies both states to GL

    const float white[4] = {1, 1, 1, 1};
    context_->ClearRenderTargetView(rtv_.get(), white);
    std::vector<std::uint8_t> pixels = readBack(*device_, *context_, target_.get());
    EXPECT_EQ(red(pixels, kSize - 1, kSize - 1), 255);

    // The draw state comes back after the clear: nothing is written.
    const float black[4] = {0, 0, 0, 0};
    context_->OMSetBlendState(nullptr, nullptr, 0xFFFFFFFF);
    context_->ClearRenderTargetView(rtv_.get(), black);
    draw(kUpperHalfClockwise);
    pixels = readBack(*device_, *context_, target_.get());
    EXPECT_EQ(red(pixels, 0, 0), 255);
    EXPECT_EQ(red(pixels, 4, 0), 0);

    // With no setter between them, a draw after a clear still puts back the scissor the clear turned off.
    context_->ClearRenderTargetView(rtv_.get(), black);
    draw(kUpperHalfClockwise);
    pixels = readBack(*device_, *context_, target_.get());
    EXPECT_EQ(red(pixels, 0, 0), 255);
    EXPECT_EQ(red(pixels, 4, 0), 0);
}

TEST_F(DrawTest, BlendStateAddsOntoTheTarget) {
    BlendDesc desc;
    desc.RenderTarget[0].BlendEnable = true;
    desc.RenderTarget[0].DestBlend = Blend::One;
    Ref<BlendState> additive;
    ASSERT_EQ(device_->CreateBlendState(desc, &additive), Result::Ok);
    const float start[4] = {0.25f, 0, 0, 0};
    context_->ClearRenderTargetView(rtv_.get(), start);
    context_->OMSetBlendState(additive.get(), nullptr, 0xFFFFFFFF);
    draw({-1, 1, 0.5f, 0, 0, 1, 3, 1, 0.5f, 0, 0, 1, -1, -3, 0.5f, 0, 0, 1});
    EXPECT_NEAR(red(readBack(*device_, *context_, target_.get()), 3, 3), 191, 1);
}

TEST_F(DrawTest, UnboundSlotsDrawNothingAndDoNotCrash) {
    context_->IASetVertexBuffers(0, 1, nullptr, nullptr, nullptr);
    context_->IASetIndexBuffer(nullptr, Format::R16_UINT, 0);
    context_->DrawIndexed(3, 0, 0);
    context_->PSSetConstantBuffers(0, 1, nullptr);
    context_->OMSetRenderTargets(0, nullptr, nullptr);
    draw(kUpperHalfClockwise);
    context_->ClearRenderTargetView(nullptr, nullptr);
    context_->ClearState();
    context_->Draw(3, 0);
    EXPECT_EQ(red(readBack(*device_, *context_, target_.get()), 2, 0), 0);
}

}  // namespace
