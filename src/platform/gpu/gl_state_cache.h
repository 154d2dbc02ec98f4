#pragma once

// The one place the immediate context changes GL state. Every setter skips the call when GL already holds the
// value; invalidate() forgets everything, for after foreign code (an overlay renderer) has touched GL.

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
    void setUnpackRowLength(GLint pixels);

    void setFramebufferSrgb(bool on) { setEnable(kFramebufferSrgb, GL_FRAMEBUFFER_SRGB, on); }
    void setScissorTest(bool on) { setEnable(kScissor, GL_SCISSOR_TEST, on); }
    void setPrimitiveRestart(bool on) { setEnable(kPrimitiveRestart, GL_PRIMITIVE_RESTART_FIXED_INDEX, on); }
    void setColorMask(std::uint32_t target, std::uint8_t mask);
    void setDepthMask(bool on);
    void setStencilWriteMask(std::uint8_t mask);

    void setViewports(std::uint32_t count, const Viewport* viewports);
    void setScissorRects(std::uint32_t count, const Rect* rects);

    void applyRasterizer(const RasterizerDesc& desc);
    void applyDepthStencil(const DepthStencilDesc& desc, std::uint32_t stencilRef);
    void applyBlend(const BlendDesc& desc, const float factor[4], std::uint32_t sampleMask);

private:
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
    std::array<GLuint, kUniformBindings> uniformBuffers_{};
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

    std::uint32_t viewportCount_ = kUnknown;
    std::array<Viewport, kViewportSlots> viewports_{};
    std::uint32_t scissorCount_ = kUnknown;
    std::array<Rect, kViewportSlots> scissors_{};
};

}  // namespace gpu
