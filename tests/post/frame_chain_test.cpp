// The frame renderer's effect chain on a headless device: the preloader, one frame's fourteen passes in order
// with their views, constants and bindings, and the logo overlay by music time.

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <stdexcept>
#include <vector>

#include "audio/audio_manager.h"
#include "post/effect_registry.h"
#include "post/frame_renderer.h"
#include "post/post_test_show.h"
#include "support/gpu_test_support.h"
#include "support/test_show.h"

namespace {

using gpu::Format;

constexpr std::uint32_t kWidth = 64;
constexpr std::uint32_t kHeight = 36;
// The window was resized: the back buffer differs from the configured size that the chain's targets keep.
constexpr std::uint32_t kBackWidth = 80;
constexpr std::uint32_t kBackHeight = 40;

struct RecordedPass {
    const PostProcessorBase* effect = nullptr;
    gpu::PixelShader* shader = nullptr;
    std::vector<gpu::ShaderResourceView*> inputs;
    std::vector<gpu::RenderTargetView*> outputs;
    PassConstants constants{};
    std::vector<gpu::Viewport> viewports;
    bool listsEmpty = false;
    bool inputsUnbound = false;
};

// Records every pass; between passes it binds a sentinel view to all 16 input slots, so each pass must unbind
// every slot, not only the ones it used.
class PassRecorder : public PostPassObserver {
public:
    PassRecorder(gpu::Device* device, gpu::DeviceContext* context) : device(device), context(context) {
        gpu::Texture2DDesc desc = testing_support::textureDesc(1, 1, Format::R8G8B8A8_UNORM, gpu::BIND_SHADER_RESOURCE);
        gpu::Ref<gpu::Texture2D> texture;
        device->CreateTexture2D(desc, nullptr, &texture);
        device->CreateShaderResourceView(texture.get(), nullptr, &sentinel);
        sentinelReferences = sentinel->refCount();
        bindSentinel();
    }
    ~PassRecorder() override {
        gpu::ShaderResourceView* const none[16] = {};
        context->PSSetShaderResources(0, 16, none);
    }

    void passDrawn(const PostProcessorBase& effect, const Pass& pass) override {
        RecordedPass record;
        record.effect = &effect;
        record.shader = pass.shader;
        record.inputs.assign(pass.inputs, pass.inputs + pass.inputCount);
        record.outputs.assign(pass.outputs, pass.outputs + pass.outputCount);
        record.constants = readConstants(effect.passConstants.get());
        gpu::Viewport viewports[gpu::kViewportSlots];
        std::uint32_t count = gpu::kViewportSlots;
        context->RSGetViewports(&count, viewports);
        record.viewports.assign(viewports, viewports + count);
        record.listsEmpty = effect.inputs.empty() && effect.outputs.empty();
        record.inputsUnbound = sentinel->refCount() == sentinelReferences;
        passes.push_back(record);
        bindSentinel();
    }

    std::vector<RecordedPass> passes;

private:
    void bindSentinel() {
        gpu::ShaderResourceView* views[16];
        std::fill(std::begin(views), std::end(views), sentinel.get());
        context->PSSetShaderResources(0, 16, views);
    }
    PassConstants readConstants(gpu::Buffer* buffer) {
        gpu::BufferDesc desc = buffer->GetDesc();
        desc.Usage = gpu::Usage::Staging;
        desc.BindFlags = 0;
        desc.CPUAccessFlags = gpu::CPU_ACCESS_READ;
        gpu::Ref<gpu::Buffer> staging;
        device->CreateBuffer(desc, nullptr, &staging);
        context->CopyResource(staging.get(), buffer);
        PassConstants constants{};
        gpu::MappedSubresource mapped;
        if (gpu::succeeded(context->Map(staging.get(), 0, gpu::MapType::Read, 0, &mapped))) {
            std::memcpy(&constants, mapped.pData, sizeof(constants));
            context->Unmap(staging.get(), 0);
        }
        return constants;
    }

    gpu::Device* device;
    gpu::DeviceContext* context;
    gpu::Ref<gpu::ShaderResourceView> sentinel;
    std::uint32_t sentinelReferences = 0;
};

class FrameChainTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(graphics_.createDevice(nullptr));
        ASSERT_TRUE(graphics_.createOffscreenBackBuffer(kBackWidth, kBackHeight));
        renderer_ = std::make_unique<FrameRenderer>(&graphics_, &audio_, ResourceHandle<DemoTimeline>(),
                                                    FrameSize{kWidth, kHeight});
        renderer_->setEffects(&registry_);
    }

    std::vector<std::uint8_t> backBuffer() {
        return testing_support::readBack(*graphics_.device, *graphics_.immediateContext,
                                         graphics_.backBufferTexture.get());
    }

    GraphicsContext graphics_;
    AudioManager audio_{sound::kNoSoundDevice};
    EffectRegistry registry_;
    std::unique_ptr<FrameRenderer> renderer_;
};

gpu::ShaderResourceView* srv(const RenderTarget& target) { return target.shaderResourceView.get(); }
gpu::RenderTargetView* rtv(const RenderTarget& target) { return target.renderTargetView.get(); }

TEST_F(FrameChainTest, PreloaderThenOneFrameOfFourteenPasses) {
    renderer_->loadResources();

    // The preload image (opaque red) over black fills the back buffer.
    const std::vector<std::uint8_t> preloaded = backBuffer();
    ASSERT_EQ(preloaded.size(), std::size_t(kBackWidth) * kBackHeight * 4);
    for (std::size_t i = 0; i < preloaded.size(); i += 4) {
        ASSERT_EQ(preloaded[i], 255) << i;
        ASSERT_EQ(preloaded[i + 1], 0) << i;
        ASSERT_EQ(preloaded[i + 3], 255) << i;
    }
    for (const char* name : {"DOF", "LensDistortion", "ColorCorrection", "Bloom", "Overlay"}) {
        const EffectRegistry::Entry* entry = registry_.find(name);
        ASSERT_NE(entry, nullptr) << name;
        EXPECT_TRUE(entry->effect && entry->parameters) << name;
    }
    EXPECT_EQ(registry_.find("Bloom")->parameters, &renderer_->effectParameters().bloom);

    PassRecorder recorder(graphics_.device.get(), graphics_.immediateContext);
    renderer_->setPassObserver(&recorder);
    renderer_->postProcess();
    renderer_->setPassObserver(nullptr);

    const auto& dof = dynamic_cast<const PostDepthOfField&>(*recorder.passes.at(0).effect);
    const RenderTarget& c0 = renderer_->colourTarget(0);
    const RenderTarget& c1 = renderer_->colourTarget(1);
    const RenderTarget& c2 = renderer_->colourTarget(2);
    const auto& d = dof.targets;
    gpu::ShaderResourceView* depth = renderer_->frameDepthBuffer().shaderResourceView.get();
    ASSERT_EQ(recorder.passes.size(), 14u);
    const auto& bloom = dynamic_cast<const PostBloom&>(*recorder.passes.at(9).effect);
    const auto& overlay = dynamic_cast<const PostTextureOverlay&>(*recorder.passes.at(12).effect);
    gpu::ShaderResourceView* preload = recorder.passes.at(12).inputs.at(1);
    gpu::RenderTargetView* back = graphics_.backBufferView.get();

    const struct {
        std::vector<gpu::ShaderResourceView*> inputs;
        gpu::RenderTargetView* output;
    } expected[14] = {
        {{srv(c0), depth}, rtv(d[1])},
        {{srv(d[1])}, rtv(d[0])},
        {{srv(d[0])}, rtv(d[3])},
        {{srv(d[1])}, rtv(d[0])},
        {{srv(d[0])}, rtv(d[2])},
        {{srv(d[1])}, rtv(d[0])},
        {{srv(d[0])}, rtv(d[1])},
        {{srv(d[1]), srv(d[2]), srv(d[3])}, rtv(c1)},
        {{srv(c1)}, rtv(c2)},
        {{srv(c2)}, rtv(bloom.targets[0])},
        {{srv(bloom.targets[0])}, rtv(bloom.targets[1])},
        {{srv(bloom.targets[1]), srv(c2)}, rtv(c1)},
        {{srv(c1), preload}, rtv(c2)},
        {{srv(c2)}, back},
    };
    for (std::size_t i = 0; i < 14; ++i) {
        SCOPED_TRACE(i);
        const RecordedPass& pass = recorder.passes[i];
        EXPECT_EQ(pass.inputs, expected[i].inputs);
        ASSERT_EQ(pass.outputs.size(), 1u);
        EXPECT_EQ(pass.outputs[0], expected[i].output);
        EXPECT_NE(pass.shader, nullptr);
        EXPECT_TRUE(pass.listsEmpty);
        EXPECT_TRUE(pass.inputsUnbound);

        // Every input and target of the chain is at the configured size but the preload image and the back
        // buffer.
        const bool last = i == 13;
        const float outWidth = last ? kBackWidth : kWidth;
        const float outHeight = last ? kBackHeight : kHeight;
        EXPECT_EQ(pass.constants.outputSize[0], outWidth);
        EXPECT_EQ(pass.constants.outputSize[1], outHeight);
        for (std::size_t input = 0; input < pass.inputs.size(); ++input) {
            const bool image = pass.inputs[input] == preload;
            EXPECT_EQ(pass.constants.inputSize[input][0], image ? post_test_show::kPreloadSize : kWidth);
            EXPECT_EQ(pass.constants.inputSize[input][1], image ? post_test_show::kPreloadSize : kHeight);
        }
        ASSERT_EQ(pass.viewports.size(), 1u);
        EXPECT_EQ(pass.viewports[0].Width, outWidth);
        EXPECT_EQ(pass.viewports[0].Height, outHeight);
    }
    EXPECT_EQ(recorder.passes[0].shader, dof.passes[0].pixelShader());
    EXPECT_EQ(recorder.passes[7].shader, dof.passes[7].pixelShader());
    EXPECT_EQ(recorder.passes[11].shader, bloom.passes[2].pixelShader());
    EXPECT_EQ(recorder.passes[12].shader, overlay.pass.pixelShader());
    EXPECT_EQ(dof.pointSampler->GetDesc().Filter, gpu::Filter::MinMagMipPoint);
    EXPECT_EQ(dof.linearSampler->GetDesc().Filter, gpu::Filter::MinMagMipLinear);

    // Without a logo the overlay runs with the preload image at amount 0.
    EXPECT_EQ(renderer_->overlayImage(), FrameRenderer::OverlayImage::Preload);
    EXPECT_EQ(renderer_->effectParameters().overlay.amount, 0.0f);
    EXPECT_EQ(overlay.parameters.data.amount, 0.0f);
}

TEST_F(FrameChainTest, LogosShowAtTheirTimesOfTheMusic) {
    using Image = FrameRenderer::OverlayImage;
    EXPECT_EQ(FrameRenderer::overlayAt(161.0), Image::Preload);
    EXPECT_EQ(FrameRenderer::overlayAt(161.001), Image::Logo1);
    EXPECT_EQ(FrameRenderer::overlayAt(168.999), Image::Logo1);
    EXPECT_EQ(FrameRenderer::overlayAt(169.0), Image::Logo2);
    EXPECT_EQ(FrameRenderer::overlayAt(189.999), Image::Logo2);
    EXPECT_EQ(FrameRenderer::overlayAt(190.0), Image::Preload);
    EXPECT_EQ(FrameRenderer::overlayAt(-1.0), Image::Preload);

    // Through a frame: the chosen image reaches the overlay pass with amount 1.
    const std::filesystem::path music = post_test_show::directory() / "long.wav";
    testing_support::writeToneWav(music, 171.0);
    ASSERT_TRUE(audio_.readAudioFile(music.u16string()));
    renderer_->loadResources();
    PassRecorder recorder(graphics_.device.get(), graphics_.immediateContext);
    renderer_->setPassObserver(&recorder);
    const struct {
        double seconds;
        std::uint32_t imageSize;
        float amount;
    } frames[] = {{165.0, post_test_show::kLogo1Size, 1.0f}, {170.0, post_test_show::kLogo2Size, 1.0f}};
    for (const auto& frame : frames) {
        SCOPED_TRACE(frame.seconds);
        recorder.passes.clear();
        audio_.setPosition(secondsToPosition(frame.seconds));
        renderer_->postProcess();
        ASSERT_EQ(recorder.passes.size(), 14u);
        EXPECT_EQ(recorder.passes[12].constants.inputSize[1][0], float(frame.imageSize));
        EXPECT_EQ(renderer_->effectParameters().overlay.amount, frame.amount);
        const EffectParameterBlocks reported =
            FrameRenderer::frameParameters(TimelineMarker{}, secondsToPosition(frame.seconds), frame.seconds);
        EXPECT_EQ(std::memcmp(&reported.overlay, &renderer_->effectParameters().overlay, sizeof(reported.overlay)), 0);
        EXPECT_DOUBLE_EQ(renderer_->overlayPosition(), frame.seconds);
    }
    renderer_->setPassObserver(nullptr);
    std::filesystem::remove(music);
}

TEST_F(FrameChainTest, AnUndecodableLogoStopsLoading) {
    const std::filesystem::path logo = post_test_show::directory() / "resources" / "textures" / "orvelle.png";
    std::filesystem::remove(logo);
    try {
        renderer_->loadResources();
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to load texture file: resources/textures/orvelle.png");
    }
    post_test_show::writeImage("orvelle.png", post_test_show::kLogo2Size, 0, 0, 255);
}

}  // namespace
