#include "platform/gpu/gl_state_cache.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

#include "platform/gpu/gl_enums.h"

namespace gpu {
namespace {

constexpr std::uint8_t kUnknownMask = 0xFF;

template <typename T>
bool update(T& cached, const T& value) {
    if (std::memcmp(&cached, &value, sizeof(T)) == 0) return false;
    cached = value;
    return true;
}

}  // namespace

void GlStateCache::invalidate() {
    ++pipelineGeneration_;
    enables_.fill(-1);
    drawFbo_ = readFbo_ = pipeline_ = vertexProgram_ = pixelProgram_ = vao_ = kUnknown;
    textures_.fill(kUnknown);
    samplers_.fill(kUnknown);
    uniformBuffers_.fill({kUnknown, 0, 0});
    unpackRowLength_ = -1;
    colorMasks_.fill(kUnknownMask);
    blendEnables_.fill(-1);
    for (auto& f : blendFuncs_) f.fill(kUnknown);
    blendColor_.fill(std::nanf(""));
    sampleMask_ = kUnknown;
    depthMask_ = -1;
    depthFunc_ = kUnknown;
    stencilWriteMask_ = kUnknown;
    for (auto& s : stencil_) s.fill(kUnknown);
    stencilRef_ = stencilReadMask_ = kUnknown;
    cullFace_ = frontFace_ = polygonMode_ = kUnknown;
    polygonOffset_.fill(std::nanf(""));
    viewportCount_ = kUnknown;
    scissorCount_ = kUnknown;
    rasterizerKey_ = depthStencilKey_ = blendKey_ = kUnknownKey;
}

void GlStateCache::forgetName(GLuint name) {
    ++pipelineGeneration_;
    for (GLuint* n : {&drawFbo_, &readFbo_, &vertexProgram_, &pixelProgram_, &vao_}) {
        if (*n == name) *n = kUnknown;
    }
    for (auto* list : {&textures_, &samplers_}) {
        for (GLuint& n : *list)
            if (n == name) n = kUnknown;
    }
    for (UniformBinding& b : uniformBuffers_)
        if (b.buffer == name) b.buffer = kUnknown;
}

void GlStateCache::setEnable(EnableIndex index, GLenum cap, bool on) {
    std::int8_t value = on ? 1 : 0;
    if (enables_[index] == value) return;
    enables_[index] = value;
    ++pipelineGeneration_;
    if (on)
        glEnable(cap);
    else
        glDisable(cap);
}

void GlStateCache::bindDrawFramebuffer(GLuint fbo) {
    if (drawFbo_ != fbo) {
        drawFbo_ = fbo;
        ++pipelineGeneration_;
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, fbo);
    }
}

void GlStateCache::bindReadFramebuffer(GLuint fbo) {
    if (readFbo_ != fbo) {
        readFbo_ = fbo;
        glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
    }
}

void GlStateCache::bindProgramPipeline(GLuint pipeline) {
    if (pipeline_ != pipeline) {
        pipeline_ = pipeline;
        ++pipelineGeneration_;
        glUseProgram(0);  // a bound program would hide the pipeline
        glBindProgramPipeline(pipeline);
    }
}

void GlStateCache::useStages(GLuint pipeline, GLuint vertexProgram, GLuint pixelProgram) {
    bindProgramPipeline(pipeline);
    if (vertexProgram_ != vertexProgram) {
        vertexProgram_ = vertexProgram;
        ++pipelineGeneration_;
        glUseProgramStages(pipeline, GL_VERTEX_SHADER_BIT, vertexProgram);
    }
    if (pixelProgram_ != pixelProgram) {
        pixelProgram_ = pixelProgram;
        ++pipelineGeneration_;
        glUseProgramStages(pipeline, GL_FRAGMENT_SHADER_BIT, pixelProgram);
    }
}

void GlStateCache::bindVertexArray(GLuint vao) {
    if (vao_ != vao) {
        vao_ = vao;
        glBindVertexArray(vao);
    }
}

void GlStateCache::bindTextureUnit(GLuint unit, GLuint texture) {
    if (unit < kTextureUnits && textures_[unit] != texture) {
        textures_[unit] = texture;
        glBindTextureUnit(unit, texture);
    }
}

void GlStateCache::bindSampler(GLuint unit, GLuint sampler) {
    if (unit < kTextureUnits && samplers_[unit] != sampler) {
        samplers_[unit] = sampler;
        glBindSampler(unit, sampler);
    }
}

void GlStateCache::bindUniformBuffer(GLuint index, GLuint buffer) {
    const UniformBinding want{buffer, 0, 0};
    if (index < kUniformBindings && uniformBuffers_[index] != want) {
        uniformBuffers_[index] = want;
        glBindBufferBase(GL_UNIFORM_BUFFER, index, buffer);
    }
}

void GlStateCache::bindUniformRange(GLuint index, GLuint buffer, std::uint32_t offset, std::uint32_t size) {
    const UniformBinding want{buffer, offset, size};
    if (index < kUniformBindings && uniformBuffers_[index] != want) {
        uniformBuffers_[index] = want;
        glBindBufferRange(GL_UNIFORM_BUFFER, index, buffer, offset, size);
    }
}

void GlStateCache::bindUniformRangePair(GLuint first, const GLuint buffers[2], const std::uint32_t offsets[2],
                                        const std::uint32_t sizes[2]) {
    if (first + 1 >= kUniformBindings) return;
    const UniformBinding want[2] = {{buffers[0], offsets[0], sizes[0]}, {buffers[1], offsets[1], sizes[1]}};
    const bool changed[2] = {uniformBuffers_[first] != want[0], uniformBuffers_[first + 1] != want[1]};
    if (changed[0] && changed[1]) {
        uniformBuffers_[first] = want[0];
        uniformBuffers_[first + 1] = want[1];
        const GLintptr glOffsets[2] = {GLintptr(offsets[0]), GLintptr(offsets[1])};
        const GLsizeiptr glSizes[2] = {GLsizeiptr(sizes[0]), GLsizeiptr(sizes[1])};
        glBindBuffersRange(GL_UNIFORM_BUFFER, first, 2, buffers, glOffsets, glSizes);
    } else if (changed[0]) {
        bindUniformRange(first, buffers[0], offsets[0], sizes[0]);
    } else if (changed[1]) {
        bindUniformRange(first + 1, buffers[1], offsets[1], sizes[1]);
    }
}

void GlStateCache::setUnpackRowLength(GLint pixels) {
    if (unpackRowLength_ != pixels) {
        unpackRowLength_ = pixels;
        glPixelStorei(GL_UNPACK_ROW_LENGTH, pixels);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
    }
}

void GlStateCache::colorMask(std::uint32_t target, std::uint8_t mask) {
    if (target >= kMaxRenderTargets || colorMasks_[target] == mask) return;
    colorMasks_[target] = mask;
    ++pipelineGeneration_;
    glColorMaski(target, (mask & COLOR_WRITE_ENABLE_RED) != 0, (mask & COLOR_WRITE_ENABLE_GREEN) != 0,
                 (mask & COLOR_WRITE_ENABLE_BLUE) != 0, (mask & COLOR_WRITE_ENABLE_ALPHA) != 0);
}

void GlStateCache::depthMask(bool on) {
    std::int8_t value = on ? 1 : 0;
    if (depthMask_ != value) {
        depthMask_ = value;
        ++pipelineGeneration_;
        glDepthMask(on ? GL_TRUE : GL_FALSE);
    }
}

void GlStateCache::stencilWriteMask(std::uint8_t mask) {
    if (stencilWriteMask_ != mask) {
        stencilWriteMask_ = mask;
        ++pipelineGeneration_;
        glStencilMask(mask);
    }
}

void GlStateCache::setViewports(std::uint32_t count, const Viewport* viewports) {
    for (std::uint32_t i = 0; i < count && i < kViewportSlots; ++i) {
        if (viewportCount_ != kUnknown && !update(viewports_[i], viewports[i])) continue;
        viewports_[i] = viewports[i];
        const Viewport& v = viewports[i];
        glViewportIndexedf(i, v.TopLeftX, v.TopLeftY, v.Width, v.Height);
        glDepthRangeIndexed(i, v.MinDepth, v.MaxDepth);
    }
    viewportCount_ = count;
}

void GlStateCache::setScissorRects(std::uint32_t count, const Rect* rects) {
    for (std::uint32_t i = 0; i < count && i < kViewportSlots; ++i) {
        if (scissorCount_ != kUnknown && !update(scissors_[i], rects[i])) continue;
        scissors_[i] = rects[i];
        const Rect& r = rects[i];
        glScissorIndexed(i, r.left, r.top, r.right > r.left ? r.right - r.left : 0,
                         r.bottom > r.top ? r.bottom - r.top : 0);
    }
    scissorCount_ = count;
}

void GlStateCache::applyRasterizerDesc(std::uint64_t key, const RasterizerDesc& desc) {
    ++pipelineGeneration_;
    rasterizerKey_ = key;
    setEnable(kCull, GL_CULL_FACE, desc.CullMode != CullMode::None);
    GLenum cull = desc.CullMode == CullMode::Front ? GL_FRONT : GL_BACK;
    if (desc.CullMode != CullMode::None && cullFace_ != cull) {
        cullFace_ = cull;
        glCullFace(cull);
    }
    // With the upper-left clip origin the winding seen on screen matches D3D's one to one.
    GLenum front = desc.FrontCounterClockwise ? GL_CCW : GL_CW;
    if (frontFace_ != front) {
        frontFace_ = front;
        glFrontFace(front);
    }
    GLenum mode = desc.FillMode == FillMode::Wireframe ? GL_LINE : GL_FILL;
    if (polygonMode_ != mode) {
        polygonMode_ = mode;
        glPolygonMode(GL_FRONT_AND_BACK, mode);
    }
    bool bias = desc.DepthBias != 0 || desc.SlopeScaledDepthBias != 0.0f;
    setEnable(kPolygonOffset, GL_POLYGON_OFFSET_FILL, bias);
    std::array<float, 3> offset{desc.SlopeScaledDepthBias, static_cast<float>(desc.DepthBias), desc.DepthBiasClamp};
    if (bias && update(polygonOffset_, offset)) glPolygonOffset(offset[0], offset[1]);
    setEnable(kDepthClamp, GL_DEPTH_CLAMP, !desc.DepthClipEnable);
    setEnable(kScissor, GL_SCISSOR_TEST, desc.ScissorEnable);
    // D3D rasterises triangles multisampled on multisampled targets whatever MultisampleEnable says.
    setEnable(kMultisample, GL_MULTISAMPLE, true);
}

void GlStateCache::applyDepthStencilDesc(std::uint64_t key, const DepthStencilDesc& desc, std::uint32_t stencilRef) {
    ++pipelineGeneration_;
    depthStencilKey_ = key;
    keyedStencilRef_ = stencilRef;
    setEnable(kDepthTest, GL_DEPTH_TEST, desc.DepthEnable);
    if (desc.DepthEnable) {
        depthMask(desc.DepthWriteMask == DepthWriteMask::All);
        GLenum func = glComparison(desc.DepthFunc);
        if (depthFunc_ != func) {
            depthFunc_ = func;
            glDepthFunc(func);
        }
    }
    setEnable(kStencilTest, GL_STENCIL_TEST, desc.StencilEnable);
    if (!desc.StencilEnable) return;
    stencilWriteMask(desc.StencilWriteMask);
    bool refChanged = stencilRef_ != stencilRef || stencilReadMask_ != desc.StencilReadMask;
    stencilRef_ = stencilRef;
    stencilReadMask_ = desc.StencilReadMask;
    const DepthStencilOpDesc* faces[2] = {&desc.FrontFace, &desc.BackFace};
    const GLenum glFaces[2] = {GL_FRONT, GL_BACK};
    for (int i = 0; i < 2; ++i) {
        std::array<GLenum, 4> s{glComparison(faces[i]->StencilFunc), glStencilOp(faces[i]->StencilFailOp),
                                glStencilOp(faces[i]->StencilDepthFailOp), glStencilOp(faces[i]->StencilPassOp)};
        bool funcChanged = stencil_[i][0] != s[0];
        bool opChanged = stencil_[i][1] != s[1] || stencil_[i][2] != s[2] || stencil_[i][3] != s[3];
        stencil_[i] = s;
        if (funcChanged || refChanged) {
            glStencilFuncSeparate(glFaces[i], s[0], static_cast<GLint>(stencilRef), desc.StencilReadMask);
        }
        if (opChanged) glStencilOpSeparate(glFaces[i], s[1], s[2], s[3]);
    }
}

void GlStateCache::applyBlendDesc(std::uint64_t key, const BlendDesc& desc, const float factor[4],
                                  std::uint32_t sampleMask) {
    blendKey_ = key;
    ++pipelineGeneration_;
    for (std::uint32_t i = 0; i < kMaxRenderTargets; ++i) {
        const RenderTargetBlendDesc& t = desc.IndependentBlendEnable ? desc.RenderTarget[i] : desc.RenderTarget[0];
        std::int8_t enable = t.BlendEnable ? 1 : 0;
        if (blendEnables_[i] != enable) {
            blendEnables_[i] = enable;
            if (enable)
                glEnablei(GL_BLEND, i);
            else
                glDisablei(GL_BLEND, i);
        }
        if (t.BlendEnable) {
            std::array<GLenum, 6> f{glBlendFactor(t.SrcBlend),      glBlendFactor(t.DestBlend),
                                    glBlendFactor(t.SrcBlendAlpha), glBlendFactor(t.DestBlendAlpha),
                                    glBlendEquation(t.BlendOp),     glBlendEquation(t.BlendOpAlpha)};
            if (update(blendFuncs_[i], f)) {
                glBlendFuncSeparatei(i, f[0], f[1], f[2], f[3]);
                glBlendEquationSeparatei(i, f[4], f[5]);
            }
        }
        colorMask(i, t.RenderTargetWriteMask);
    }
    std::array<float, 4> color{factor[0], factor[1], factor[2], factor[3]};
    if (update(blendColor_, color)) glBlendColor(color[0], color[1], color[2], color[3]);
    setEnable(kAlphaToCoverage, GL_SAMPLE_ALPHA_TO_COVERAGE, desc.AlphaToCoverageEnable);
    setEnable(kSampleMask, GL_SAMPLE_MASK, sampleMask != 0xFFFFFFFFu);
    if (sampleMask_ != sampleMask) {
        sampleMask_ = sampleMask;
        glSampleMaski(0, sampleMask);
    }
}

}  // namespace gpu
