#pragma once

#include <array>
#include <map>
#include <memory>
#include <string>

#include <spdlog/logger.h>

#include "render/depth_buffer.h"
#include "render/depth_states.h"
#include "render/graphics_context.h"
#include "render/render_target.h"
#include "resources/demo_timeline.h"
#include "resources/resource_manifest.h"
#include "resources/resource_registry.h"

class AudioManager;
class Demo;
class EffectRegistry;

// The engine's central rendering object: offscreen targets, depth states and the per-frame begin step; the
// scene table of the timeline. The effect chain draws into the back buffer in postProcess.
class FrameRenderer {
public:
    FrameRenderer(GraphicsContext* graphics, AudioManager* audio, ResourceHandle<DemoTimeline> timeline, Demo* demo);

    void setEffects(EffectRegistry* registry) { effects = registry; }
    void loadResources();
    // Throws std::runtime_error("The timeline is empty") when there is nothing to show.
    void loadTimelineScenes();

    // Clears and binds the frame's targets and draws the current scene; false when that scene is not loaded.
    bool beginFrame();
    void postProcess();

    const RenderTarget& colourTarget(size_t index) const { return colourTargets[index]; }
    const DepthBuffer& frameDepthBuffer() const { return depthBuffer; }

private:
    bool drawCurrentScene();

    GraphicsContext* graphics;
    AudioManager* audio;
    ResourceHandle<DemoTimeline> timeline;
    Demo* demo;
    ResourceManifest resources;
    std::shared_ptr<spdlog::logger> logger;
    EffectRegistry* effects = nullptr;

    std::array<RenderTarget, 3> colourTargets;
    DepthBuffer depthBuffer;
    DepthStencilStates depthStates;
    std::array<float, 4> clearColour;
    // Scene name to its scene; filled before playback and only read afterwards.
    std::map<std::string, bool> loadedScenes;
};
