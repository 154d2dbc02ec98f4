#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include <epoxy/gl.h>

#include "platform/gpu/descs.h"

namespace gpu {

class RenderTargetView;
class DepthStencilView;
class GlStateCache;

// Framebuffer objects of the immediate context, one per combination of bound views, keyed by view serials.
// FBOs are not shared between GL contexts, so they are made here, lazily; after warm-up a lookup allocates nothing.
class FramebufferCache {
public:
    explicit FramebufferCache(GlStateCache& cache) : cache_(cache) {}
    ~FramebufferCache();
    // 0 when the combination cannot form a complete framebuffer.
    GLuint get(std::uint32_t count, RenderTargetView* const* targets, DepthStencilView* depth);
    // Drops every framebuffer that uses the view.
    void forgetView(std::uint64_t serial);
    void clear();

private:
    struct Entry {
        std::array<std::uint64_t, kMaxRenderTargets> colour{};
        std::uint64_t depth = 0;
        GLuint fbo = 0;
        bool complete = false;
    };
    GlStateCache& cache_;
    std::vector<Entry> entries_;
};

}  // namespace gpu
