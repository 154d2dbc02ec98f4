// What the sample show's pass shaders do to a picture: every effect at its neutral settings hands the picture on
// unchanged, and the knobs move it the way their names say.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "post/effect_parameters.h"
#include "post/post_bloom.h"
#include "post/post_color_correct.h"
#include "post/post_depth_of_field.h"
#include "post/post_lens_distort.h"
#include "post/post_texture_overlay.h"
#include "render/depth_buffer.h"
#include "render/render_target.h"
#include "support/gpu_test_support.h"

namespace {

constexpr std::uint32_t kWidth = 48;
constexpr std::uint32_t kHeight = 27;
using Pixels = std::vector<std::uint8_t>;  // RGBA8, sRGB-encoded, row 0 at the top

// Stripes four pixels wide over a horizontal ramp of colours: edges and smooth parts.
Pixels stripes() {
    Pixels p(kWidth * kHeight * 4);
    for (std::uint32_t y = 0; y < kHeight; ++y) {
        for (std::uint32_t x = 0; x < kWidth; ++x) {
            std::uint8_t* o = &p[(y * kWidth + x) * 4];
            const bool light = (x / 4) % 2 == 0;
            o[0] = std::uint8_t(light ? 200 + x : 20 + x);
            o[1] = std::uint8_t(light ? 180 : 40 + 2 * y);
            o[2] = std::uint8_t(light ? 120 + 2 * y : 60);
            o[3] = 255;
        }
    }
    return p;
}

Pixels uniform(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a = 255) {
    Pixels p(kWidth * kHeight * 4);
    for (std::size_t i = 0; i < p.size(); i += 4) p[i] = r, p[i + 1] = g, p[i + 2] = b, p[i + 3] = a;
    return p;
}

int largestDifference(const Pixels& a, const Pixels& b) {
    int largest = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (i % 4 != 3) largest = std::max(largest, std::abs(int(a[i]) - int(b[i])));
    }
    return largest;
}

double mean(const Pixels& p, int channel) {
    double sum = 0;
    for (std::size_t i = channel; i < p.size(); i += 4) sum += p[i];
    return sum / (p.size() / 4);
}

const std::uint8_t* at(const Pixels& p, std::uint32_t x, std::uint32_t y) { return &p[(y * kWidth + x) * 4]; }

class ShowShaderLooksTest : public testing_support::HeadlessGpuTest {
protected:
    void SetUp() override {
        HeadlessGpuTest::SetUp();
        output_.create(device_, kWidth, kHeight, gpu::Format::R8G8B8A8_UNORM_SRGB, 1, 1, 0, false, false, 1);
        depth_.create(device_, kWidth, kHeight, gpu::Format::D24_UNORM_S8_UINT, true, 1, 0, 1);
        // Everything at the far plane: out of focus for the default focal plane.
        context_->ClearDepthStencilView(depth_.depthStencilView.get(), 1 | 2, 1.0f, 0);
    }

    gpu::Ref<gpu::ShaderResourceView> image(const Pixels& pixels) {
        gpu::Ref<gpu::Texture2D> texture;
        gpu::SubresourceData initial;
        initial.pSysMem = pixels.data();
        initial.SysMemPitch = kWidth * 4;
        device_->CreateTexture2D(testing_support::textureDesc(kWidth, kHeight, gpu::Format::R8G8B8A8_UNORM_SRGB,
                                                              gpu::BIND_SHADER_RESOURCE),
                                 &initial, &texture);
        gpu::Ref<gpu::ShaderResourceView> view;
        device_->CreateShaderResourceView(texture.get(), nullptr, &view);
        return view;
    }

    // Runs one effect, set up and given `blocks`, over `scene` and answers the output's pixels.
    Pixels run(const Pixels& scene, const EffectParameterBlocks& blocks, const char* effect,
               const Pixels& overlayImage = {}) {
        gpu::Ref<gpu::ShaderResourceView> input = image(scene);
        gpu::RenderTargetView* out = output_.renderTargetView.get();
        const std::string name = effect;
        if (name == "dof") {
            PostDepthOfField dof;
            dof.setup(device_, kWidth, kHeight);
            dof.setParameters(blocks.depthOfField);
            dof.run(context_, input.get(), depth_.shaderResourceView.get(), out);
        } else if (name == "lens") {
            PostLensDistort lens;
            lens.setup(device_, kWidth, kHeight);
            lens.setParameters(blocks.lensDistort);
            lens.render(context_, input.get(), out);
        } else if (name == "bloom") {
            PostBloom bloom;
            bloom.setup(device_, kWidth, kHeight);
            bloom.setParameters(blocks.bloom);
            bloom.render(context_, input.get(), out);
        } else if (name == "overlay") {
            gpu::Ref<gpu::ShaderResourceView> logo = image(overlayImage);
            PostTextureOverlay overlay;
            overlay.setup(device_, kWidth, kHeight);
            overlay.setParameters(blocks.overlay);
            overlay.run(context_, input.get(), logo.get(), out);
        } else {
            PostColorCorrect color;
            color.setup(device_, kWidth, kHeight);
            color.setParameters(blocks.colorCorrect);
            color.render(context_, input.get(), out);
        }
        return testing_support::readBack(*device_, *context_, output_.texture.get());
    }

    // Blocks whose effects all leave the picture as it is.
    static EffectParameterBlocks neutral() {
        EffectParameterBlocks b;
        b.reset();
        b.depthOfField.aperture = 0.0f;
        b.lensDistort = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.0f};
        b.bloom.blurIntensity = 0.0f;
        b.colorCorrect = {0.5f, 0.5f, 0.0f, 0.0f, 0.5f, 0.5f, 0.5f, 0.0f, 0.5f, 0.5f, 0.5f, 0.5f, {}};
        return b;
    }

    RenderTarget output_;
    DepthBuffer depth_;
};

TEST_F(ShowShaderLooksTest, NeutralSettingsHandThePictureOnUnchanged) {
    const Pixels scene = stripes();
    for (const char* effect : {"dof", "lens", "bloom", "color"}) {
        EXPECT_LE(largestDifference(run(scene, neutral(), effect), scene), 1) << effect;
    }
    // Overlay amount 0 is the scene exactly, whatever the image.
    EXPECT_EQ(largestDifference(run(scene, neutral(), "overlay", uniform(0, 255, 0)), scene), 0);
}

TEST_F(ShowShaderLooksTest, KnobsMoveThePictureTheirWay) {
    const Pixels scene = stripes();
    const Pixels grey = uniform(128, 128, 128);
    auto with = [](const std::function<void(EffectParameterBlocks&)>& change) {
        EffectParameterBlocks b = neutral();
        change(b);
        return b;
    };
    auto contrast = [](const Pixels& p) {  // spread of the red channel along the middle row
        int low = 255, high = 0;
        for (std::uint32_t x = 8; x < kWidth - 8; ++x) {
            low = std::min<int>(low, at(p, x, kHeight / 2)[0]);
            high = std::max<int>(high, at(p, x, kHeight / 2)[0]);
        }
        return high - low;
    };

    // Depth of field: a wide aperture blurs the out-of-focus stripes; a zero limit keeps them sharp.
    EXPECT_LT(contrast(run(scene, with([](auto& b) { b.depthOfField.aperture = 1.0f; }), "dof")),
              contrast(scene) / 2);
    EXPECT_LE(largestDifference(run(scene, with([](auto& b) { b.depthOfField = {1.0f, 0.5f, 0.0f}; }), "dof"),
                                scene), 1);
    // Lens: chromatic aberration pulls red and blue apart near the frame's edge, not at its centre.
    const Pixels fringed = run(scene, with([](auto& b) { b.lensDistort.chrom = 1.0f; }), "lens");
    EXPECT_GT(largestDifference(fringed, scene), 20);
    EXPECT_LE(largestDifference(Pixels(at(fringed, 23, 13), at(fringed, 25, 13)),
                                Pixels(at(scene, 23, 13), at(scene, 25, 13))), 2);
    // Bloom: a low threshold and strong glow brighten; without the scene only the glow is left.
    EXPECT_GT(mean(run(grey, with([](auto& b) { b.bloom.size = 0.0f, b.bloom.blurIntensity = 1.0f; }), "bloom"), 1),
              mean(grey, 1) + 40);
    EXPECT_LT(mean(run(scene, with([](auto& b) { b.bloom.sceneIntensity = 0.0f; }), "bloom"), 1), 5.0);
    // Overlay: the image at its own opacity.
    const Pixels half = run(grey, with([](auto& b) { b.overlay.amount = 1.0f; }), "overlay", uniform(255, 0, 0, 128));
    EXPECT_GT(at(half, 10, 10)[0], 190);
    EXPECT_LT(at(half, 10, 10)[1], 110);
    EXPECT_GT(at(half, 10, 10)[1], 60);

    // Colour correction, one knob at a time.
    const double greyLevel = mean(grey, 1);
    EXPECT_GT(mean(run(grey, with([](auto& b) { b.colorCorrect.exposure = 1.0f; }), "color"), 1), greyLevel + 60);
    EXPECT_LT(mean(run(grey, with([](auto& b) { b.colorCorrect.exposure = 0.0f; }), "color"), 1), greyLevel - 60);
    const Pixels washed = run(scene, with([](auto& b) { b.colorCorrect.saturation = 0.0f; }), "color");
    for (std::size_t i = 0; i < washed.size(); i += 4) {
        ASSERT_LE(std::abs(int(washed[i]) - int(washed[i + 2])), 1) << i;
    }
    EXPECT_EQ(mean(run(scene, with([](auto& b) { b.colorCorrect.red = 0.0f; }), "color"), 0), 0.0);
    const Pixels vignetted = run(grey, with([](auto& b) { b.colorCorrect.vignette = 1.0f; }), "color");
    EXPECT_LT(int(at(vignetted, 0, 0)[1]) + 40, int(at(vignetted, kWidth / 2, kHeight / 2)[1]));
    const Pixels grainy = run(grey, with([](auto& b) { b.colorCorrect.grain = 1.0f; }), "color");
    EXPECT_GT(largestDifference(grainy, grey), 2);
    EXPECT_GT(mean(run(grey, with([](auto& b) { b.colorCorrect.blueOffset = 1.0f; }), "color"), 2), greyLevel + 15);
    EXPECT_GT(contrast(run(scene, with([](auto& b) { b.colorCorrect.contrast = 1.0f; }), "color")),
              contrast(scene) + 10);
    // The filmic curve rolls off white; clamping keeps it.
    const Pixels white = uniform(255, 255, 255);
    EXPECT_LT(at(run(white, with([](auto& b) { b.colorCorrect.tonemap = 1.0f; }), "color"), 5, 5)[0], 245);
    EXPECT_EQ(at(run(white, neutral(), "color"), 5, 5)[0], 255);
}

}  // namespace
