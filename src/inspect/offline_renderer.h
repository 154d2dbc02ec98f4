#pragma once

// Frames of a show without real-time playback, for captures and for checking a show: the player's own frame
// renderer and effect chain on a headless device, with the music position set for each frame instead of played.
// Run from the show's folder, like the player. The same time gives the same frame on every run.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/frame_size.h"
#include "platform/gpu/device.h"
#include "post/effect_registry.h"
#include "resources/resource_registry.h"

class AudioManager;
class FrameRenderer;
class GraphicsContext;

class OfflineRenderer {
public:
    OfflineRenderer();
    ~OfflineRenderer();
    OfflineRenderer(const OfflineRenderer&) = delete;
    OfflineRenderer& operator=(const OfflineRenderer&) = delete;

    // Reads the show, creates the device, loads the renderer's resources and every scene of the timeline.
    // False with `error` set when the show cannot be rendered. Errors the renderer throws (an image that cannot
    // be decoded, an empty timeline) are answered the same way.
    bool open(std::uint32_t width, std::uint32_t height, std::string* error);

    // Draws the frame at `seconds` of the music into the back buffer and copies it to `rgba` (width x height x 4
    // bytes, row 0 at the top, sRGB-encoded as the player presents it). False with `error` set when the current
    // marker's scene is not loaded (the player would stop there).
    bool renderAt(double seconds, std::vector<std::uint8_t>* rgba, std::string* error);

    // The same frame in a pipeline, for captures: submitFrame draws the frame and starts copying it to one of
    // kReadBackDepth staging textures; collectFrame maps the oldest one submitted and copies it out (width x
    // height x 4 bytes), so the read-back of frame n overlaps the drawing of the frames after it. At most
    // kReadBackDepth frames may wait; submitting another first collects nothing and fails.
    static constexpr std::size_t kReadBackDepth = 3;
    bool submitFrame(double seconds, std::string* error);
    bool collectFrame(std::uint8_t* rgba, std::string* error);
    // The same without the copy: `use` reads the mapped frame (width x height x 4 bytes, rows packed) in place.
    bool collectFrame(const std::function<bool(const std::uint8_t* rgba)>& use, std::string* error);
    std::size_t pendingFrames() const { return pending; }

    double musicSeconds() const;
    // The music file as this file system names it.
    const std::string& musicPath() const { return musicFile; }
    std::uint32_t width() const { return frame.width; }
    // For benchmarks and tests that time or observe the frame's steps.
    FrameRenderer* frameRenderer() const { return renderer.get(); }
    GraphicsContext* graphicsContext() const { return graphics.get(); }
    AudioManager* audioManager() const { return audio.get(); }
    std::uint32_t height() const { return frame.height; }

private:
    bool copyToStaging(gpu::Texture2D** target);

    FrameSize frame;               // zero until open
    ResourceRegistry factories;    // holds the timeline, as the player's does
    EffectRegistry effects;        // filled by the renderer; nothing reads it offline
    std::unique_ptr<AudioManager> audio;
    std::unique_ptr<GraphicsContext> graphics;
    std::unique_ptr<FrameRenderer> renderer;
    // The back buffer's CPU copies, made at the first read-back; frame k goes to slot k % kReadBackDepth.
    gpu::Ref<gpu::Texture2D> staging[kReadBackDepth];
    std::size_t submitted = 0;  // frames submitted since open
    std::size_t pending = 0;    // of those, not yet collected
    std::string musicFile;
};
