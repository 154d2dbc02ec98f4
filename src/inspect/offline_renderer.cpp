#include "inspect/offline_renderer.h"

#include <cstring>
#include <exception>

#include "audio/audio_manager.h"
#include "post/effect_registry.h"
#include "post/frame_renderer.h"
#include "render/frame_targets.h"
#include "render/graphics_context.h"
#include "resources/resource_manifest.h"
#include "base/wide_text.h"
#include "platform/process/system_path.h"

OfflineRenderer::OfflineRenderer() = default;

OfflineRenderer::~OfflineRenderer() {
    // GPU objects go before the device that made them.
    for (gpu::Ref<gpu::Texture2D>& copy : staging) copy = nullptr;
    renderer.reset();
    graphics.reset();
}

bool OfflineRenderer::open(std::uint32_t width, std::uint32_t height, std::string* error) {
    const ResourceManifest& manifest = ResourceManifest::instance();
    if (!manifest.loadError().empty()) {
        *error = "cannot read the resource manifest: " + manifest.loadError();
        return false;
    }

    frame = FrameSize{width, height};
    factories.registerFactory<DemoTimeline>(std::make_unique<TimelineFactory>());
    ResourceHandle<DemoTimeline> timeline = factories.acquire<DemoTimeline>(ResourcePath(kTimelineFile));

    // The music is read for its length and positions only: nothing is played.
    audio = std::make_unique<AudioManager>(sound::kNoSoundDevice);
    audio->setTimeline(timeline);
    const std::u16string* track = manifest.findPath("audioTrack");
    if (!track) {
        *error = "the resource manifest names no \"audioTrack\"";
        return false;
    }
    musicFile = platform::systemPath(*track);
    if (!audio->isInitialized() || !audio->readAudioFile(*track)) {
        *error = "cannot read the music track '" + musicFile + "'";
        return false;
    }

    graphics = std::make_unique<GraphicsContext>();
    if (!graphics->createDevice(nullptr)) {
        *error = "cannot create a headless graphics device (EGL with OpenGL 4.5 core)";
        return false;
    }
    if (!graphics->createOffscreenBackBuffer(width, height)) {
        *error = "cannot create a back buffer of the size asked for";
        return false;
    }
    const gpu::Viewport viewport = fullViewport(width, height);
    graphics->immediateContext->RSSetViewports(1, &viewport);

    try {
        renderer = std::make_unique<FrameRenderer>(graphics.get(), audio.get(), timeline, frame);
        renderer->setEffects(&effects);
        renderer->loadResources();
        renderer->loadTimelineScenes();
    } catch (const std::exception& failure) {
        *error = failure.what();
        return false;
    }
    return true;
}

bool OfflineRenderer::renderAt(double seconds, std::vector<std::uint8_t>* rgba, std::string* error) {
    if (pending != 0) {
        *error = "frames of a capture are still waiting to be read back";
        return false;
    }
    rgba->resize(std::size_t(frame.width) * frame.height * 4);
    return submitFrame(seconds, error) && collectFrame(rgba->data(), error);
}

bool OfflineRenderer::submitFrame(double seconds, std::string* error) {
    if (pending == kReadBackDepth) {
        *error = "every read-back slot holds a frame not yet collected";
        return false;
    }
    audio->setPosition(secondsToPosition(seconds));
    if (!renderer->beginFrame()) {
        *error = "the scene of the marker at " + std::to_string(seconds) + " s is not loaded";
        return false;
    }
    renderer->postProcess();
    gpu::Ref<gpu::Texture2D>& slot = staging[submitted % kReadBackDepth];
    if (!slot) {
        const gpu::Texture2DDesc desc = gpu::Texture2D::readBackDesc(graphics->backBufferTexture->GetDesc());
        if (gpu::failed(graphics->device->CreateTexture2D(desc, nullptr, &slot))) {
            *error = "cannot create a staging texture for the read-back";
            return false;
        }
    }
    graphics->immediateContext->CopyResource(slot.get(), graphics->backBufferTexture.get());
    ++submitted;
    ++pending;
    return true;
}

bool OfflineRenderer::collectFrame(std::uint8_t* rgba, std::string* error) {
    return collectFrame(
        [&](const std::uint8_t* frameBytes) {
            std::memcpy(rgba, frameBytes, std::size_t(frame.width) * frame.height * 4);
            return true;
        },
        error);
}

bool OfflineRenderer::collectFrame(const std::function<bool(const std::uint8_t* rgba)>& use, std::string* error) {
    if (pending == 0) {
        *error = "no frame is waiting to be read back";
        return false;
    }
    gpu::Texture2D* oldest = staging[(submitted - pending) % kReadBackDepth].get();
    gpu::DeviceContext* context = graphics->immediateContext;
    gpu::MappedSubresource mapped;
    if (gpu::failed(context->Map(oldest, 0, gpu::MapType::Read, 0, &mapped))) {
        *error = "cannot read the frame back";
        return false;
    }
    --pending;
    // Staging textures keep their rows packed.
    const bool used = mapped.RowPitch == frame.width * 4 && use(static_cast<const std::uint8_t*>(mapped.pData));
    context->Unmap(oldest, 0);
    if (!used && error->empty()) *error = "cannot pass the frame on";
    return used;
}

double OfflineRenderer::musicSeconds() const {
    AudioManagerInterface* channel = audio ? audio->getAudio() : nullptr;
    return channel ? channel->bytesToSeconds(channel->getLength()) : 0.0;
}
