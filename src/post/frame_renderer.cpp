#include "post/frame_renderer.h"

#include <stdexcept>

#include "app/demo.h"
#include "app/logging.h"
#include "audio/audio_manager.h"
#include "render/frame_targets.h"

FrameRenderer::FrameRenderer(GraphicsContext* graphics, AudioManager* audio, ResourceHandle<DemoTimeline> timeline,
                             Demo* demo)
    : graphics(graphics),
      audio(audio),
      timeline(std::move(timeline)),
      demo(demo),
      resources(ResourceManifest::instance()),
      logger(demoLogger()),
      clearColour{kClearColour[0], kClearColour[1], kClearColour[2], kClearColour[3]} {}

void FrameRenderer::loadTimelineScenes() {
    const std::vector<TimelineMarker> markers = timeline->getMarkers();
    if (markers.empty()) throw std::runtime_error("The timeline is empty");
    for (const TimelineMarker& marker : markers) {
        if (marker.scene.empty()) {
            logger->warn("No scene was assigned to marker '{}' in Resources, skipping loading", marker.label);
            continue;
        }
        if (loadedScenes.count(marker.scene)) {
            logger->info("Scene '{}' for marker '{}' already loaded, skipping", marker.scene, marker.label);
            continue;
        }
        // Scene import arrives with the scene renderer; until then a named scene draws nothing.
        loadedScenes.emplace(marker.scene, false);
    }
}

bool FrameRenderer::beginFrame() {
    beginFrameTargets(*graphics, colourTargets[0], depthBuffer, depthStates.depthLessState.get(), clearColour.data());
    return drawCurrentScene();
}

bool FrameRenderer::drawCurrentScene() {
    const TimelineMarker marker = audio->getCurrentMarker();
    if (marker.scene.empty()) return true;
    return loadedScenes.count(marker.scene) != 0;
}
