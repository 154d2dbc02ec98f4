// The frame renderer's timeline scenes: loading them before playback and drawing the current one every frame.
#include <stdexcept>

#include "audio/audio_manager.h"
#include "post/frame_renderer.h"

void FrameRenderer::loadTimelineScenes() {
    const std::vector<TimelineMarker> markers = timeline->getMarkers();
    if (markers.empty()) throw std::runtime_error("The timeline is empty");
    preloadScenes(markers, resources, graphics->device.get(), loadedScenes, *logger);
}

bool FrameRenderer::drawCurrentScene() {
    const TimelineMarker& marker = frameMoment.marker;
    sceneTime.reset();
    if (marker.scene.empty()) return true;
    const auto found = loadedScenes.find(marker.scene);
    if (found == loadedScenes.end() || !found->second) return false;
    Scene& scene = *found->second;
    const double time =
        markerAnimationTime(marker, scene.animationStart, scene.animationEnd, frameMoment.progress);
    sceneTime = time;
    scene.drawScene(graphics->immediateContext, time, marker.camera);
    return true;
}
