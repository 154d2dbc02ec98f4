#include "platform/gpu/framebuffer_cache.h"

#include "platform/gpu/gl_state_cache.h"
#include "platform/gpu/views.h"

namespace gpu {
namespace {

void attach(GLuint fbo, GLenum attachment, const GlViewTarget& gl) {
    if (gl.layer >= 0) {
        glNamedFramebufferTextureLayer(fbo, attachment, gl.texture, gl.level, gl.layer);
    } else {
        glNamedFramebufferTexture(fbo, attachment, gl.texture, gl.level);
    }
}

}  // namespace

FramebufferCache::~FramebufferCache() { clear(); }

GLuint FramebufferCache::get(std::uint32_t count, RenderTargetView* const* targets, DepthStencilView* depth) {
    Entry key;
    bool any = depth != nullptr;
    for (std::uint32_t i = 0; i < count && i < kMaxRenderTargets; ++i) {
        key.colour[i] = targets[i] ? targets[i]->serial() : 0;
        any = any || targets[i];
    }
    key.depth = depth ? depth->serial() : 0;
    if (!any) return 0;
    for (const Entry& e : entries_) {
        if (e.colour == key.colour && e.depth == key.depth) return e.complete ? e.fbo : 0;
    }

    glCreateFramebuffers(1, &key.fbo);
    GLenum drawBuffers[kMaxRenderTargets];
    for (std::uint32_t i = 0; i < kMaxRenderTargets; ++i) {
        bool used = i < count && targets[i];
        if (used) attach(key.fbo, GL_COLOR_ATTACHMENT0 + i, targets[i]->gl());
        drawBuffers[i] = used ? GL_COLOR_ATTACHMENT0 + i : GL_NONE;
    }
    glNamedFramebufferDrawBuffers(key.fbo, kMaxRenderTargets, drawBuffers);
    glNamedFramebufferReadBuffer(key.fbo, count > 0 && targets[0] ? GL_COLOR_ATTACHMENT0 : GL_NONE);
    if (depth) attach(key.fbo, depth->glAttachment(), depth->gl());
    key.complete = glCheckNamedFramebufferStatus(key.fbo, GL_DRAW_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    entries_.push_back(key);
    return key.complete ? key.fbo : 0;
}

void FramebufferCache::forgetView(std::uint64_t serial) {
    for (std::size_t i = 0; i < entries_.size();) {
        Entry& e = entries_[i];
        bool uses = e.depth == serial;
        for (std::uint64_t c : e.colour) uses = uses || c == serial;
        if (!uses) {
            ++i;
            continue;
        }
        cache_.forgetName(e.fbo);
        glDeleteFramebuffers(1, &e.fbo);
        e = entries_.back();
        entries_.pop_back();
    }
}

void FramebufferCache::clear() {
    for (Entry& e : entries_) {
        cache_.forgetName(e.fbo);
        glDeleteFramebuffers(1, &e.fbo);
    }
    entries_.clear();
}

}  // namespace gpu
