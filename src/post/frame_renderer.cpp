#include "post/frame_renderer.h"

#include <stdexcept>

#include "base/demo_logger.h"
#include "audio/audio_manager.h"
#include "render/frame_targets.h"

FrameRenderer::FrameRenderer(GraphicsContext* graphics, AudioManager* audio, ResourceHandle<DemoTimeline> timeline,
                             FrameSize frame)
    : graphics(graphics),
      audio(audio),
      timeline(std::move(timeline)),
      frame(frame),
      resources(ResourceManifest::instance()),
      logger(demoLogger()),
      clearColour{kClearColour[0], kClearColour[1], kClearColour[2], kClearColour[3]} {}

bool FrameRenderer::beginFrame() {
    frameMoment = audio ? audio->moment() : MusicMoment{};
    momentTaken = true;
    beginFrameTargets(*graphics, colourTargets[0], depthBuffer, depthStates.depthLessState.get(), clearColour.data());
    return drawCurrentScene();
}
