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
    if (found == loadedScenes.end() || !found->second) return scenesLoading.count(marker.scene) > 0;
    Scene& scene = *found->second;
    const double time =
        markerAnimationTime(marker, scene.animationStart, scene.animationEnd, frameMoment.progress);
    sceneTime = time;
    scene.drawScene(graphics->immediateContext, time, marker.camera);
    return true;
}

void FrameRenderer::forEachProgram(const std::function<void(ShaderProgram&)>& visit) {
    for (PostProcessorBase* effect : std::initializer_list<PostProcessorBase*>{&depthOfField, &lensDistort, &colorCorrect,
                                                                               &textureOverlay, &bloom, &antiAlias}) {
        visit(effect->quadProgram);
    }
    for (ShaderProgram& pass : depthOfField.passes) visit(pass);
    visit(lensDistort.pass);
    visit(colorCorrect.pass);
    visit(textureOverlay.pass);
    for (ShaderProgram& pass : bloom.passes) visit(pass);
    visit(antiAlias.pass);
    for (auto& [name, scene] : loadedScenes) {
        if (!scene) continue;
        for (Mesh& mesh : scene->meshes) visit(mesh.program);
    }
}
