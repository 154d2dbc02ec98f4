#pragma once

// The one place the immediate context changes GL state. Every setter skips the call when GL already holds the
// value; invalidate() forgets everything, for after foreign code (an overlay renderer) has touched GL.
// The three state groups are applied by key (the state object's serial, 0 for the default state): applying the
// key GL already holds costs one comparison, and any single setter that touches a group forgets its key.
// What a draw sets besides its inputs (framebuffer, programs, enables, masks, the three groups) counts its changes
// in pipelineGeneration(), so a draw that finds the count where it left it knows GL still holds its state.

#include <array>
#include <cstdint>

#include <epoxy/gl.h>

#include "platform/gpu/descs.h"

namespace gpu {

class GlStateCache {
public:
    static constexpr std::uint32_t kTextureUnits = 32;
    static constexpr std::uint32_t kUniformBindings = 28;

    GlStateCache() { invalidate(); }
    void invalidate();
    std::uint64_t pipelineGeneration() const { return pipelineGeneration_; }
    // A GL object was deleted: its name may come back for a new object, so no binding of it is trusted.
    void forgetName(GLuint name);

    void bindDrawFramebuffer(GLuint fbo);
    void bindReadFramebuffer(GLuint fbo);
    void bindProgramPipeline(GLuint pipeline);
    void useStages(GLuint pipeline, GLuint vertexProgram, GLuint pixelProgram);
    void bindVertexArray(GLuint vao);
    void bindTextureUnit(GLuint unit, GLuint texture);
    void bindSampler(GLuint unit, GLuint sampler);
    void bindUniformBuffer(GLuint index, GLuint buffer);
    // A range of a buffer (offset aligned to GL_UNIFORM_BUFFER_OFFSET_ALIGNMENT).
    void bindUniformRange(GLuint index, GLuint buffer, std::uint32_t offset, std::uint32_t size);
    // Ranges at bindings `first` and `first + 1`: one GL call when both change.
    void bindUniformRangePair(GLuint first, const GLuint buffers[2], const std::uint32_t offsets[2],
                              const std::uint32_t sizes[2]);
    void setUnpackRowLength(GLint pixels);

    void setFramebufferSrgb(bool on) { setEnable(kFramebufferSrgb, GL_FRAMEBUFFER_SRGB, on); }
    void setScissorTest(bool on) {
        forgetKey(rasterizerKey_);
        setEnable(kScissor, GL_SCISSOR_TEST, on);
    }
    void setPrimitiveRestart(bool on) { setEnable(kPrimitiveRestart, GL_PRIMITIVE_RESTART_FIXED_INDEX, on); }
    void setColorMask(std::uint32_t target, std::uint8_t mask) {
        forgetKey(blendKey_);
        colorMask(target, mask);
    }
    void setDepthMask(bool on) {
        forgetKey(depthStencilKey_);
        depthMask(on);
    }
    void setStencilWriteMask(std::uint8_t mask) {
        forgetKey(depthStencilKey_);
        stencilWriteMask(mask);
    }

    void setViewports(std::uint32_t count, const Viewport* viewports);
    void setScissorRects(std::uint32_t count, const Rect* rects);

    // key: the serial of the state object the desc belongs to (never reused), 0 for the default desc.
    void applyRasterizer(std::uint64_t key, const RasterizerDesc& desc) {
        if (key != rasterizerKey_) applyRasterizerDesc(key, desc);
    }
    void applyDepthStencil(std::uint64_t key, const DepthStencilDesc& desc, std::uint32_t stencilRef) {
        if (key != depthStencilKey_ || stencilRef != keyedStencilRef_) applyDepthStencilDesc(key, desc, stencilRef);
    }
    void applyBlend(std::uint64_t key, const BlendDesc& desc, const float factor[4], std::uint32_t sampleMask) {
        if (key != blendKey_ || sampleMask != sampleMask_ || factor[0] != blendColor_[0] ||
            factor[1] != blendColor_[1] || factor[2] != blendColor_[2] || factor[3] != blendColor_[3]) {
            applyBlendDesc(key, desc, factor, sampleMask);
        }
    }

private:
    static constexpr std::uint64_t kUnknownKey = ~0ull;
    void forgetKey(std::uint64_t& key) {
        if (key != kUnknownKey) ++pipelineGeneration_;
        key = kUnknownKey;
    }
    void applyRasterizerDesc(std::uint64_t key, const RasterizerDesc& desc);
    void applyDepthStencilDesc(std::uint64_t key, const DepthStencilDesc& desc, std::uint32_t stencilRef);
    void applyBlendDesc(std::uint64_t key, const BlendDesc& desc, const float factor[4], std::uint32_t sampleMask);
    void colorMask(std::uint32_t target, std::uint8_t mask);
    void depthMask(bool on);
    void stencilWriteMask(std::uint8_t mask);

    enum EnableIndex {
        kFramebufferSrgb,
        kScissor,
        kCull,
        kDepthTest,
        kStencilTest,
        kDepthClamp,
        kPolygonOffset,
        kMultisample,
        kAlphaToCoverage,
        kSampleMask,
        kPrimitiveRestart,
        kEnableCount
    };
    void setEnable(EnableIndex index, GLenum cap, bool on);

    static constexpr std::uint32_t kUnknown = 0xFFFFFFFFu;

    std::array<std::int8_t, kEnableCount> enables_{};
    GLuint drawFbo_ = kUnknown, readFbo_ = kUnknown, pipeline_ = kUnknown, vertexProgram_ = kUnknown,
           pixelProgram_ = kUnknown, vao_ = kUnknown;
    std::array<GLuint, kTextureUnits> textures_{};
    std::array<GLuint, kTextureUnits> samplers_{};
    struct UniformBinding {
        GLuint buffer;
        std::uint32_t offset, size;  // size 0: the whole buffer
        bool operator==(const UniformBinding&) const = default;
    };
    std::array<UniformBinding, kUniformBindings> uniformBuffers_{};
    GLint unpackRowLength_ = -1;

    std::array<std::uint8_t, kMaxRenderTargets> colorMasks_{};
    std::array<std::int8_t, kMaxRenderTargets> blendEnables_{};
    std::array<std::array<GLenum, 6>, kMaxRenderTargets> blendFuncs_{};  // src, dst, srcA, dstA, op, opA
    std::array<float, 4> blendColor_{};
    std::uint32_t sampleMask_ = kUnknown;
    std::int8_t depthMask_ = -1;
    GLenum depthFunc_ = kUnknown;
    std::uint32_t stencilWriteMask_ = kUnknown;
    std::array<std::array<GLenum, 4>, 2> stencil_{};  // per face: func, fail, depth-fail, pass
    std::uint32_t stencilRef_ = kUnknown, stencilReadMask_ = kUnknown;
    GLenum cullFace_ = kUnknown, frontFace_ = kUnknown, polygonMode_ = kUnknown;
    std::array<float, 3> polygonOffset_{};
    std::uint64_t rasterizerKey_ = kUnknownKey, depthStencilKey_ = kUnknownKey, blendKey_ = kUnknownKey;
    std::uint32_t keyedStencilRef_ = 0;
    std::uint64_t pipelineGeneration_ = 0;

    std::uint32_t viewportCount_ = kUnknown;
    std::array<Viewport, kViewportSlots> viewports_{};
    std::uint32_t scissorCount_ = kUnknown;
    std::array<Rect, kViewportSlots> scissors_{};
};

}  // namespace gpu
