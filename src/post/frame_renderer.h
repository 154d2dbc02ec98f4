#pragma once

#include <array>
#include <functional>
#include <optional>
#include <set>
#include <map>
#include <memory>
#include <string>

#include <spdlog/logger.h>

#include "audio/audio_manager.h"
#include "base/frame_size.h"
#include "post/effect_parameters.h"
#include "post/post_bloom.h"
#include "post/post_color_correct.h"
#include "post/post_depth_of_field.h"
#include "post/post_fast_approximate_anti_alias.h"
#include "post/post_lens_distort.h"
#include "post/post_texture_overlay.h"
#include "post/timeline_scenes.h"
#include "render/depth_buffer.h"
#include "render/depth_states.h"
#include "render/graphics_context.h"
#include "render/render_target.h"
#include "render/texture.h"
#include "resources/demo_timeline.h"
#include "resources/resource_manifest.h"
#include "resources/resource_registry.h"

class AudioManager;
class EffectRegistry;

// The engine's central rendering object: offscreen targets, depth states and the per-frame begin step; the
// scene table of the timeline. The effect chain draws into the back buffer in postProcess.
class FrameRenderer {
public:
    // `frame`: the size of the offscreen targets and the effects' working images (the run's display size).
    FrameRenderer(GraphicsContext* graphics, AudioManager* audio, ResourceHandle<DemoTimeline> timeline, FrameSize frame);

    // The images loadResources decodes from the texture directory before the first frame.
    static constexpr const char* kPreloadImage = "preload.png";
    static constexpr const char* kLogoImages[2] = {"Lorvanecrafts_1920.png", "orvelle.png"};

    void setEffects(EffectRegistry* registry) { effects = registry; }
    void loadResources();
    // Throws std::runtime_error("The timeline is empty") when there is nothing to show.
    void loadTimelineScenes();

    // Clears and binds the frame's targets and draws the current scene; false when that scene is not loaded.
    // It reads the music position once: the postProcess after it uses the same moment for the marker's effects
    // and the logos, so one frame never mixes two markers. A postProcess without a beginFrame reads its own.
    bool beginFrame();
    void postProcess();

    const RenderTarget& colourTarget(size_t index) const { return colourTargets[index]; }
    const DepthBuffer& frameDepthBuffer() const { return depthBuffer; }
    // The loaded scenes by name, for tools that report what the player draws.
    const SceneTable& scenes() const { return loadedScenes; }
    // What the last frame was drawn for, and the animation time its scene was given (none without a scene).
    const MusicMoment& drawnMoment() const { return frameMoment; }
    std::optional<double> drawnAnimationTime() const { return sceneTime; }

    // ---- live reload (editor mode; frame_renderer_scenes.cpp) ----
    // Every shader program the renderer draws with: each effect's quad and passes, then the loaded scenes' meshes.
    void forEachProgram(const std::function<void(ShaderProgram&)>& visit);
    SceneTable& sceneTable() { return loadedScenes; }
    // Scenes the timeline names that are still loading in the background: a marker on one draws no scene
    // meanwhile, where a scene that is missing otherwise stops the run.
    std::set<std::string> scenesLoading;

    // ---- effect chain (frame_renderer_post.cpp) ----
    // Presents the preload image over black once; loadResources calls it. Without a swap chain (a headless
    // renderer) the image is drawn into the back buffer and not presented.
    void showPreloader();
    void resetEffectParameters() { effectBlocks.reset(); }
    // `markerSeconds`: the frame's time from the marker's start, at which keyed parameters are read.
    void applyMarkerEffects(const TimelineMarker& marker, double markerSeconds = 0.0) {
        effectBlocks.apply(marker, markerSeconds);
    }

    // What the overlay pass of the last postProcess laid over the image: the logos at their times of the
    // music, else the preload image at amount 0.
    enum class OverlayImage { Preload, Logo1, Logo2 };
    static OverlayImage overlayAt(double seconds);
    // The blocks that a frame at music position `position` (`seconds` as the channel reads it back) with `marker`
    // current uploads, keyed parameters moved and overlay amount included (no device needed: for tools that
    // report a frame's parameters).
    static EffectParameterBlocks frameParameters(const TimelineMarker& marker, std::uint64_t position, double seconds);
    // The parameter blocks as last uploaded (after postProcess: this frame's, overlay amount included).
    const EffectParameterBlocks& effectParameters() const { return effectBlocks; }
    OverlayImage overlayImage() const { return currentOverlay; }
    double overlayPosition() const { return currentPosition; }
    // Every pass of every effect reports to `observer` (null: none).
    void setPassObserver(PostPassObserver* observer);

private:
    // The chain with the blocks as they stand, its last pass into `output`; `playing`: the logos follow the
    // music, else it stands at 0 s.
    void drawChain(bool playing, gpu::RenderTargetView* output);

public:

private:
    bool drawCurrentScene();

    GraphicsContext* graphics;
    AudioManager* audio;
    ResourceHandle<DemoTimeline> timeline;
    FrameSize frame;
    ResourceManifest resources;
    std::shared_ptr<spdlog::logger> logger;
    EffectRegistry* effects = nullptr;

    std::array<RenderTarget, 3> colourTargets;
    DepthBuffer depthBuffer;
    DepthStencilStates depthStates;
    std::array<float, 4> clearColour;

    // ---- effect chain (frame_renderer_post.cpp) ----
    PostDepthOfField depthOfField;
    PostLensDistort lensDistort;
    PostColorCorrect colorCorrect;
    PostTextureOverlay textureOverlay;
    PostBloom bloom;
    PostFastApproximateAntiAlias antiAlias;  // constructed with the chain, never set up or drawn
    EffectParameterBlocks effectBlocks;
    Texture preloadTexture;
    Texture logoTexture1;
    Texture logoTexture2;
    double currentPosition = 0.0;  // music seconds read by the last postProcess
    MusicMoment frameMoment;       // what the frame being drawn is drawn for
    std::optional<double> sceneTime;
    bool momentTaken = false;      // by a beginFrame whose postProcess has not run yet
    OverlayImage currentOverlay = OverlayImage::Preload;
    // ---- end of effect chain ----

    // Scene name to its scene; filled before playback and only read afterwards (frame_renderer_scenes.cpp).
    SceneTable loadedScenes;
};
