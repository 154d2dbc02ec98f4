#include "platform/gpu/device_context.h"

#include <algorithm>
#include <cstring>

#include "platform/gpu/device.h"
#include "platform/gpu/gl_errors.h"

namespace gpu {
namespace {

const RasterizerDesc kDefaultRasterizer{};
const DepthStencilDesc kDefaultDepthStencil{};
const BlendDesc kDefaultBlend{};

template <typename T>
Ref<T> share(T* p) {
    return Ref<T>::share(p);
}

GLenum glTopology(PrimitiveTopology topology) {
    switch (topology) {
        case PrimitiveTopology::PointList: return GL_POINTS;
        case PrimitiveTopology::LineList: return GL_LINES;
        case PrimitiveTopology::LineStrip: return GL_LINE_STRIP;
        case PrimitiveTopology::TriangleList: return GL_TRIANGLES;
        case PrimitiveTopology::TriangleStrip: return GL_TRIANGLE_STRIP;
        case PrimitiveTopology::Undefined: break;
    }
    return 0;
}

}  // namespace

DeviceContext::DeviceContext(Device& device) : device_(device), framebuffers_(cache_) {}

DeviceContext::~DeviceContext() {
    framebuffers_.clear();
    if (pipeline_) glDeleteProgramPipelines(1, &pipeline_);
}

bool DeviceContext::initialise() {
    glCreateProgramPipelines(1, &pipeline_);
    emptyLayout_ = Ref<InputLayout>::adopt(new InputLayout(&device_, DeviceChild::Internal{}));
    cache_.invalidate();
    cache_.bindProgramPipeline(pipeline_);
    // Off-screen rendering always encodes into sRGB attachments, as D3D does by view format.
    cache_.setFramebufferSrgb(true);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    cache_.setUnpackRowLength(0);
    // Without a persistent mapping every buffer keeps its own storage.
    ring_.initialise();
    ringOnly_.reserve(16);
    return pipeline_ != 0;
}

// ---- input assembler ----------------------------------------------------------------------------------------

void DeviceContext::IASetInputLayout(InputLayout* layout) {
    if (layout_.get() == layout) return;
    layout_ = share(layout);
    dirty_ |= kDirtyVertexInput;
}

void DeviceContext::IASetVertexBuffers(std::uint32_t startSlot, std::uint32_t count, Buffer* const* buffers,
                                       const std::uint32_t* strides, const std::uint32_t* offsets) {
    for (std::uint32_t i = 0; i < count && startSlot + i < kInputSlotCount; ++i) {
        std::uint32_t slot = startSlot + i;
        Buffer* buffer = buffers ? buffers[i] : nullptr;
        std::uint32_t stride = strides ? strides[i] : 0, offset = offsets ? offsets[i] : 0;
        if (vertexBuffers_[slot].get() == buffer && strides_[slot] == stride && offsets_[slot] == offset) continue;
        vertexBuffers_[slot] = share(buffer);
        strides_[slot] = stride;
        offsets_[slot] = offset;
        dirty_ |= kDirtyVertexInput;
    }
}

void DeviceContext::IASetIndexBuffer(Buffer* buffer, Format format, std::uint32_t offset) {
    if (indexBuffer_.get() != buffer) {
        indexBuffer_ = share(buffer);
        dirty_ |= kDirtyVertexInput;
    }
    indexFormat_ = format;
    indexOffset_ = offset;
}

void DeviceContext::IASetPrimitiveTopology(PrimitiveTopology topology) {
    if (topology_ == topology) return;
    topology_ = topology;
    dirty_ |= kDirtyPipeline;
}

// ---- shader stages ------------------------------------------------------------------------------------------

void DeviceContext::VSSetShader(VertexShader* shader) {
    if (vertexShader_.get() == shader) return;
    // Whether the program reads the vertex index decides whether draws may move their base vertex.
    if (!vertexShader_ || !shader || vertexShader_->readsVertexId() != shader->readsVertexId())
        dirty_ |= kDirtyVertexInput;
    vertexShader_ = share(shader);
    dirty_ |= kDirtyTextures | kDirtyPipeline;
}
void DeviceContext::PSSetShader(PixelShader* shader) {
    if (pixelShader_.get() == shader) return;
    pixelShader_ = share(shader);
    dirty_ |= kDirtyTextures | kDirtyPipeline;
}

DeviceContext::StageBindings& DeviceContext::stage(ShaderStage stage) {
    return stage == ShaderStage::Vertex ? vertexStage_ : pixelStage_;
}

// True when a slot changed.
template <typename T, std::size_t N>
bool DeviceContext::setSlots(std::array<Ref<T>, N>& slots, std::uint32_t start, std::uint32_t count,
                             T* const* objects) {
    bool changed = false;
    for (std::uint32_t i = 0; i < count && start + i < N; ++i) {
        T* object = objects ? objects[i] : nullptr;
        if (slots[start + i].get() == object) continue;
        slots[start + i] = share(object);
        changed = true;
    }
    return changed;
}

// GL binds them at the draw, where a ring-backed buffer's latest slice is known.
void DeviceContext::setConstantBuffers(ShaderStage stage, std::uint32_t start, std::uint32_t count,
                                       Buffer* const* buffers) {
    StageBindings& s = this->stage(stage);
    for (std::uint32_t i = 0; i < count && start + i < kConstantBufferSlots; ++i) {
        Buffer* b = buffers ? buffers[i] : nullptr;
        if (b && !(b->GetDesc().BindFlags & BIND_CONSTANT_BUFFER)) b = nullptr;
        if (s.constantBuffers[start + i].get() != b) s.constantBuffers[start + i] = share(b);
    }
}

void DeviceContext::VSSetConstantBuffers(std::uint32_t start, std::uint32_t count, Buffer* const* buffers) {
    setConstantBuffers(ShaderStage::Vertex, start, count, buffers);
}
void DeviceContext::PSSetConstantBuffers(std::uint32_t start, std::uint32_t count, Buffer* const* buffers) {
    setConstantBuffers(ShaderStage::Pixel, start, count, buffers);
}
void DeviceContext::VSSetShaderResources(std::uint32_t start, std::uint32_t count, ShaderResourceView* const* views) {
    if (setSlots(vertexStage_.views, start, count, views)) dirty_ |= kDirtyTextures;
}
void DeviceContext::PSSetShaderResources(std::uint32_t start, std::uint32_t count, ShaderResourceView* const* views) {
    if (setSlots(pixelStage_.views, start, count, views)) dirty_ |= kDirtyTextures;
}
void DeviceContext::VSSetSamplers(std::uint32_t start, std::uint32_t count, SamplerState* const* samplers) {
    if (setSlots(vertexStage_.samplers, start, count, samplers)) dirty_ |= kDirtyTextures;
}
void DeviceContext::PSSetSamplers(std::uint32_t start, std::uint32_t count, SamplerState* const* samplers) {
    if (setSlots(pixelStage_.samplers, start, count, samplers)) dirty_ |= kDirtyTextures;
}

// ---- rasterizer and output merger ---------------------------------------------------------------------------

void DeviceContext::RSSetState(RasterizerState* state) {
    if (rasterizer_.get() == state) return;
    rasterizer_ = share(state);
    dirty_ |= kDirtyPipeline;
}

void DeviceContext::RSSetViewports(std::uint32_t count, const Viewport* viewports) {
    if (count > kViewportSlots || (count > 0 && !viewports)) return;
    viewportCount_ = count;
    std::copy(viewports, viewports + count, viewports_.begin());
    cache_.setViewports(count, viewports);
}

void DeviceContext::RSGetViewports(std::uint32_t* count, Viewport* viewports) const {
    if (!count) return;
    if (viewports) std::copy(viewports_.begin(), viewports_.begin() + std::min(*count, viewportCount_), viewports);
    *count = viewportCount_;
}

void DeviceContext::RSSetScissorRects(std::uint32_t count, const Rect* rects) {
    if (count > kViewportSlots || (count > 0 && !rects)) return;
    scissorCount_ = count;
    cache_.setScissorRects(count, rects);
}

void DeviceContext::OMSetRenderTargets(std::uint32_t count, RenderTargetView* const* views, DepthStencilView* depth) {
    if (count > kMaxRenderTargets) return;
    for (std::uint32_t i = 0; i < kMaxRenderTargets; ++i) {
        RenderTargetView* view = i < count && views ? views[i] : nullptr;
        if (renderTargets_[i].get() == view) continue;
        renderTargets_[i] = share(view);
        dirty_ |= kDirtyFramebuffer | kDirtyPipeline;
    }
    if (renderTargetCount_ != count || depthStencil_.get() != depth) dirty_ |= kDirtyFramebuffer | kDirtyPipeline;
    renderTargetCount_ = count;
    if (depthStencil_.get() != depth) depthStencil_ = share(depth);
}

void DeviceContext::OMGetRenderTargets(std::uint32_t count, Ref<RenderTargetView>* views,
                                       Ref<DepthStencilView>* depth) const {
    for (std::uint32_t i = 0; views && i < count; ++i) views[i] = i < kMaxRenderTargets ? renderTargets_[i] : nullptr;
    if (depth) *depth = depthStencil_;
}

void DeviceContext::OMSetBlendState(BlendState* state, const float blendFactor[4], std::uint32_t sampleMask) {
    if (blend_.get() != state) blend_ = share(state);
    for (int i = 0; i < 4; ++i) blendFactor_[i] = blendFactor ? blendFactor[i] : 1.0f;
    sampleMask_ = sampleMask;
    dirty_ |= kDirtyPipeline;
}

void DeviceContext::OMSetDepthStencilState(DepthStencilState* state, std::uint32_t stencilRef) {
    if (depthStencilState_.get() == state && stencilRef_ == stencilRef) return;
    if (depthStencilState_.get() != state) depthStencilState_ = share(state);
    stencilRef_ = stencilRef;
    dirty_ |= kDirtyPipeline;
}

// ---- clears -------------------------------------------------------------------------------------------------

void DeviceContext::ClearRenderTargetView(RenderTargetView* view, const float color[4]) {
    if (!view || !color) return;
    RenderTargetView* targets[1] = {view};
    GLuint fbo = framebuffers_.get(1, targets, nullptr);
    if (!fbo) return;
    // Clears ignore scissor and write masks in D3D; GL's honour them.
    cache_.setFramebufferSrgb(true);
    cache_.setScissorTest(false);
    cache_.setColorMask(0, COLOR_WRITE_ENABLE_ALL);
    FormatKind kind = formatInfo(view->GetDesc().Format)->kind;
    if (kind == FormatKind::Uint) {
        GLuint v[4];
        for (int i = 0; i < 4; ++i)
            v[i] = color[i] <= 0.0f ? 0u : static_cast<GLuint>(std::min(color[i], 4294967040.0f));
        glClearNamedFramebufferuiv(fbo, GL_COLOR, 0, v);
    } else if (kind == FormatKind::Sint) {
        GLint v[4];
        for (int i = 0; i < 4; ++i) v[i] = static_cast<GLint>(std::clamp(color[i], -2147483520.0f, 2147483520.0f));
        glClearNamedFramebufferiv(fbo, GL_COLOR, 0, v);
    } else {
        glClearNamedFramebufferfv(fbo, GL_COLOR, 0, color);
    }
}

void DeviceContext::ClearDepthStencilView(DepthStencilView* view, std::uint32_t clearFlags, float depth,
                                          std::uint8_t stencil) {
    if (!view) return;
    GLuint fbo = framebuffers_.get(0, nullptr, view);
    if (!fbo) return;
    cache_.setScissorTest(false);
    bool hasStencil = formatInfo(view->GetDesc().Format)->hasStencil;
    bool clearDepth = clearFlags & CLEAR_DEPTH;
    bool clearStencil = (clearFlags & CLEAR_STENCIL) && hasStencil;
    depth = std::clamp(depth, 0.0f, 1.0f);
    if (clearDepth) cache_.setDepthMask(true);
    if (clearStencil) cache_.setStencilWriteMask(0xFF);
    GLint s = stencil;
    if (clearDepth && clearStencil) {
        glClearNamedFramebufferfi(fbo, GL_DEPTH_STENCIL, 0, depth, s);
    } else if (clearDepth) {
        glClearNamedFramebufferfv(fbo, GL_DEPTH, 0, &depth);
    } else if (clearStencil) {
        glClearNamedFramebufferiv(fbo, GL_STENCIL, 0, &s);
    }
}

// ---- resources ----------------------------------------------------------------------------------------------

Result DeviceContext::Map(Resource* resource, std::uint32_t subresource, MapType type, std::uint32_t,
                          MappedSubresource* mapped) {
    if (!resource || !mapped) return Result::InvalidArg;
    *mapped = {};
    bool read = type == MapType::Read || type == MapType::ReadWrite;
    if (resource->GetType() == ResourceDimension::Buffer) {
        auto* buffer = static_cast<Buffer*>(resource);
        const BufferDesc& d = buffer->GetDesc();
        bool dynamicWrite =
            d.Usage == Usage::Dynamic && (type == MapType::WriteDiscard || type == MapType::WriteNoOverwrite);
        bool staging = d.Usage == Usage::Staging &&
                       (type == MapType::Read || type == MapType::Write || type == MapType::ReadWrite) &&
                       (!read || (d.CPUAccessFlags & CPU_ACCESS_READ));
        if (subresource != 0 || buffer->mapped || (!dynamicWrite && !staging)) return Result::InvalidArg;
        settle(*buffer);
        buffer->mapped = true;
        buffer->mapType = type;
        mapped->pData = buffer->cpuCopy().data();
        mapped->RowPitch = mapped->DepthPitch = d.ByteWidth;
        return Result::Ok;
    }
    auto* texture = static_cast<Texture2D*>(resource);
    const Texture2DDesc& d = texture->GetDesc();
    if (d.Usage != Usage::Staging || texture->mapped || type == MapType::WriteDiscard ||
        type == MapType::WriteNoOverwrite || (read && !(d.CPUAccessFlags & CPU_ACCESS_READ))) {
        return Result::InvalidArg;
    }
    std::uint32_t pitch = 0;
    if (type == MapType::Read && subresource < texture->subresourceCount()) {
        // Bytes a copy from the GPU left in the pack buffer are read where they are.
        if (const std::uint8_t* packed = texture->mapPackBuffer()) {
            pitch = texture->rowPitch(subresource);
            texture->mapped = true;
            mapped->pData = const_cast<std::uint8_t*>(packed) + texture->stagingOffset(subresource);
            mapped->RowPitch = pitch;
            mapped->DepthPitch = pitch * texture->mipHeight(subresource % d.MipLevels);
            return Result::Ok;
        }
    }
    std::uint8_t* data = texture->stagingData(subresource, &pitch);
    if (!data) return Result::InvalidArg;
    texture->mapped = true;
    mapped->pData = data;
    mapped->RowPitch = pitch;
    mapped->DepthPitch = pitch * texture->mipHeight(subresource % d.MipLevels);
    return Result::Ok;
}

void DeviceContext::Unmap(Resource* resource, std::uint32_t) {
    if (!resource) return;
    if (resource->GetType() == ResourceDimension::Texture2D) {
        auto* texture = static_cast<Texture2D*>(resource);
        texture->mapped = false;
        texture->unmapPackBuffer();
        return;
    }
    auto* buffer = static_cast<Buffer*>(resource);
    if (!buffer->mapped) return;
    buffer->mapped = false;
    const BufferDesc& d = buffer->GetDesc();
    if (d.Usage != Usage::Dynamic) return;
    if (buffer->ringBacked() && ring_.ready()) {
        pushCpuCopy(*buffer);
        buffer->inRing = true;
        afterRingMoves();
        return;
    }
    if (buffer->mapType == MapType::WriteDiscard) {
        // Fresh storage: draws already issued keep reading the old contents.
        glNamedBufferData(buffer->glName(), d.ByteWidth, buffer->cpuCopy().data(), GL_DYNAMIC_DRAW);
    } else {
        glNamedBufferSubData(buffer->glName(), 0, d.ByteWidth, buffer->cpuCopy().data());
    }
}

void DeviceContext::UpdateSubresource(Resource* resource, std::uint32_t subresource, const Box* box, const void* data,
                                      std::uint32_t rowPitch, std::uint32_t) {
    if (!resource || !data) return;
    if (resource->GetType() == ResourceDimension::Buffer) {
        auto* buffer = static_cast<Buffer*>(resource);
        const BufferDesc& d = buffer->GetDesc();
        std::uint32_t begin = box ? box->left : 0, end = box ? box->right : d.ByteWidth;
        if (d.Usage != Usage::Default || subresource != 0 || begin >= end || end > d.ByteWidth) return;
        if (buffer->ringBacked() && ring_.ready()) {
            // Fresh ring space instead of an upload the driver must keep apart from earlier draws.
            if (begin == 0 && end == d.ByteWidth) {
                // The whole buffer: one copy, into the ring alone.
                buffer->ringSlice = ring_.push(data, d.ByteWidth);
                if (!buffer->ringOnly) {
                    buffer->ringOnly = true;
                    ringOnly_.push_back(Ref<Buffer>::share(buffer));
                }
            } else {
                settle(*buffer);
                std::memcpy(buffer->cpuCopy().data() + begin, data, end - begin);
                pushCpuCopy(*buffer);
            }
            buffer->inRing = true;
            afterRingMoves();
            return;
        }
        glNamedBufferSubData(buffer->glName(), buffer->glOffset() + begin, end - begin, data);
        return;
    }
    auto* texture = static_cast<Texture2D*>(resource);
    const Texture2DDesc& d = texture->GetDesc();
    const FormatInfo* info = formatInfo(d.Format);
    if (d.Usage != Usage::Default || d.SampleDesc.Count > 1 || texture->depthStorage() || !info->transferFormat ||
        subresource >= texture->subresourceCount()) {
        return;
    }
    std::uint32_t mip = subresource % d.MipLevels, slice = subresource / d.MipLevels;
    Box b = box ? *box : Box{0, 0, 0, texture->mipWidth(mip), texture->mipHeight(mip), 1};
    if (b.left >= b.right || b.top >= b.bottom || b.right > texture->mipWidth(mip) ||
        b.bottom > texture->mipHeight(mip) || rowPitch < (b.right - b.left) * info->bytesPerPixel ||
        rowPitch % info->bytesPerPixel != 0) {
        return;
    }
    cache_.setUnpackRowLength(static_cast<GLint>(rowPitch / info->bytesPerPixel));
    if (texture->glTarget() == GL_TEXTURE_2D_ARRAY) {
        glTextureSubImage3D(texture->glName(), mip, b.left, b.top, slice, b.right - b.left, b.bottom - b.top, 1,
                            info->transferFormat, info->transferType, data);
    } else {
        glTextureSubImage2D(texture->glName(), mip, b.left, b.top, b.right - b.left, b.bottom - b.top,
                            info->transferFormat, info->transferType, data);
    }
}

void DeviceContext::CopyResource(Resource* destination, Resource* source) {
    if (!destination || !source || destination == source || destination->GetType() != source->GetType()) return;
    if (source->GetType() == ResourceDimension::Buffer) {
        auto* dst = static_cast<Buffer*>(destination);
        auto* src = static_cast<Buffer*>(source);
        std::uint32_t size = src->GetDesc().ByteWidth;
        if (dst->GetDesc().ByteWidth != size || dst->GetDesc().Usage == Usage::Immutable) return;
        leaveRing(*src);
        leaveRing(*dst);
        bool dstCpu = dst->GetDesc().Usage == Usage::Staging, srcCpu = src->GetDesc().Usage == Usage::Staging;
        // Pooled buffers share their GL buffer with others: their contents start at glOffset().
        if (dstCpu && srcCpu)
            std::memcpy(dst->cpuCopy().data(), src->cpuCopy().data(), size);
        else if (dstCpu)
            glGetNamedBufferSubData(src->glName(), src->glOffset(), size, dst->cpuCopy().data());
        else if (srcCpu)
            glNamedBufferSubData(dst->glName(), dst->glOffset(), size, src->cpuCopy().data());
        else
            glCopyNamedBufferSubData(src->glName(), dst->glName(), src->glOffset(), dst->glOffset(), size);
        // Rare: a copy into a ring-backed buffer reads back what it now holds.
        if (dst->ringBacked() && !dstCpu) glGetNamedBufferSubData(dst->glName(), 0, size, dst->cpuCopy().data());
        return;
    }
    auto* dst = static_cast<Texture2D*>(destination);
    auto* src = static_cast<Texture2D*>(source);
    const Texture2DDesc& dd = dst->GetDesc();
    const Texture2DDesc& sd = src->GetDesc();
    if (dd.Width != sd.Width || dd.Height != sd.Height || dd.MipLevels != sd.MipLevels ||
        dd.ArraySize != sd.ArraySize || dd.SampleDesc.Count != sd.SampleDesc.Count || dd.Usage == Usage::Immutable ||
        formatInfo(dd.Format)->family != formatInfo(sd.Format)->family) {
        return;
    }
    bool dstCpu = dd.Usage == Usage::Staging, srcCpu = sd.Usage == Usage::Staging;
    // CPU transfers use the typed side's layout; the D24S8 family has none that matches D3D's bytes.
    const FormatInfo* typed = formatInfo(dstCpu ? (isTypeless(dd.Format) ? sd.Format : dd.Format)
                                                : (isTypeless(sd.Format) ? dd.Format : sd.Format));
    if ((dstCpu || srcCpu) && (typed->transferFormat == 0 || sd.SampleDesc.Count > 1)) return;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (std::uint32_t sub = 0; sub < src->subresourceCount(); ++sub) {
        std::uint32_t mip = sub % sd.MipLevels, slice = sub / sd.MipLevels;
        GLsizei w = src->mipWidth(mip), h = src->mipHeight(mip);
        std::uint32_t pitch = 0;
        if (dstCpu && srcCpu) {
            std::uint8_t* to = dst->stagingData(sub, &pitch);
            std::memcpy(to, src->stagingData(sub, &pitch), std::size_t(pitch) * h);
        } else if (dstCpu) {
            // Into the staging texture's pack buffer: the GPU finishes the copy while the caller goes on, and Map
            // waits for it, so a read-back issued a frame or two ahead costs no stall.
            const std::size_t offset = dst->stagingOffset(sub);
            glBindBuffer(GL_PIXEL_PACK_BUFFER, dst->packBuffer());
            glGetTextureSubImage(src->glName(), mip, 0, 0, slice, w, h, 1, typed->transferFormat, typed->transferType,
                                 static_cast<GLsizei>(dst->stagingBytes() - offset), reinterpret_cast<void*>(offset));
            glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
            dst->readBackIssued();
        } else if (srcCpu) {
            const std::uint8_t* from = src->stagingData(sub, &pitch);
            cache_.setUnpackRowLength(0);
            if (dst->glTarget() == GL_TEXTURE_2D_ARRAY) {
                glTextureSubImage3D(dst->glName(), mip, 0, 0, slice, w, h, 1, typed->transferFormat,
                                    typed->transferType, from);
            } else {
                glTextureSubImage2D(dst->glName(), mip, 0, 0, w, h, typed->transferFormat, typed->transferType, from);
            }
        } else {
            glCopyImageSubData(src->glName(), src->glTarget(), mip, 0, 0, slice, dst->glName(), dst->glTarget(), mip, 0,
                               0, slice, w, h, 1);
        }
    }
}

void DeviceContext::settle(Buffer& buffer) {
    if (!buffer.ringOnly) return;
    buffer.ringOnly = false;
    std::memcpy(buffer.cpuCopy().data(), ring_.contents(buffer.ringSlice), buffer.GetDesc().ByteWidth);
}

void DeviceContext::settleRingOnly() {
    for (Ref<Buffer>& buffer : ringOnly_) settle(*buffer);
    ringOnly_.clear();
    ringOnlyChunk_ = ring_.chunk();
}

void DeviceContext::leaveRing(Buffer& buffer) {
    if (!buffer.inRing) return;
    settle(buffer);
    buffer.inRing = false;
    glNamedBufferSubData(buffer.glName(), 0, buffer.GetDesc().ByteWidth, buffer.cpuCopy().data());
}

void DeviceContext::GenerateMips(ShaderResourceView* view) {
    if (view && (view->GetResource()->GetDesc().MiscFlags & RESOURCE_MISC_GENERATE_MIPS)) {
        glGenerateTextureMipmap(view->gl().texture);
    }
}

// ---- drawing ------------------------------------------------------------------------------------------------

void DeviceContext::bindStageTextures(const Shader* shader, const StageBindings& s) {
    for (const TextureUnitBinding& u : shader->textureUnits()) {
        const ShaderResourceView* view = s.views[u.textureSlot].get();
        cache_.bindTextureUnit(u.unit, view ? view->gl().texture : u.emptyTexture);
        GLuint sampler = 0;
        if (u.samplerSlot >= 0) {
            const SamplerState* state = s.samplers[static_cast<std::uint32_t>(u.samplerSlot)].get();
            sampler = state ? state->glName() : device_.defaultSampler();
        }
        cache_.bindSampler(u.unit, sampler);
    }
}

// Where a stage's slot reads its constants: the latest ring slice of a ring-backed buffer (size != 0), or the
// whole of a buffer's own storage (size 0).
void DeviceContext::uniformSource(Buffer* buffer, UniformSource& source) {
    if (!buffer) {
        source = {};
        return;
    }
    if (!buffer->inRing) {
        source = {buffer->glName(), 0, 0};
        return;
    }
    // A draw reads only slices of the chunk being filled (constant_ring.h): an older one is copied forward.
    if (buffer->ringSlice.chunk != ring_.chunk()) pushCpuCopy(*buffer);
    source = {ring_.glName(), buffer->ringSlice.offset, buffer->GetDesc().ByteWidth};
}

void DeviceContext::pushCpuCopy(Buffer& buffer) {
    settle(buffer);
    buffer.ringSlice = ring_.push(buffer.cpuCopy().data(), buffer.GetDesc().ByteWidth);
}

void DeviceContext::bindUniform(GLuint index, const UniformSource& source) {
    if (source.size) {
        cache_.bindUniformRange(index, source.buffer, source.offset, source.size);
    } else {
        cache_.bindUniformBuffer(index, source.buffer);
    }
}

void DeviceContext::bindConstantBuffers() {
    const std::uint32_t vertexSlots = vertexShader_->constantBufferSlots();
    const std::uint32_t pixelSlots = pixelShader_ ? pixelShader_->constantBufferSlots() : 0;
    for (std::uint32_t slots = vertexSlots | pixelSlots; slots != 0; slots &= slots - 1) {
        const std::uint32_t slot = static_cast<std::uint32_t>(__builtin_ctz(slots));
        const std::uint32_t bit = 1u << slot;
        const GLuint first = uniformBinding(ShaderStage::Vertex, slot);
        if ((vertexSlots & bit) && (pixelSlots & bit)) {
            UniformSource v, p;
            uniformSource(vertexStage_.constantBuffers[slot].get(), v);
            uniformSource(pixelStage_.constantBuffers[slot].get(), p);
            // Both ring slices (a scene's per-object constants): the pair in one call.
            if (v.size && p.size && first + 1 == uniformBinding(ShaderStage::Pixel, slot)) {
                const GLuint buffers[2] = {v.buffer, p.buffer};
                const std::uint32_t offsets[2] = {v.offset, p.offset}, sizes[2] = {v.size, p.size};
                cache_.bindUniformRangePair(first, buffers, offsets, sizes);
            } else {
                bindUniform(first, v);
                bindUniform(uniformBinding(ShaderStage::Pixel, slot), p);
            }
        } else if (vertexSlots & bit) {
            UniformSource v;
            uniformSource(vertexStage_.constantBuffers[slot].get(), v);
            bindUniform(first, v);
        } else {
            UniformSource p;
            uniformSource(pixelStage_.constantBuffers[slot].get(), p);
            bindUniform(uniformBinding(ShaderStage::Pixel, slot), p);
        }
    }
}

void DeviceContext::bindVertexInput() {
    InputLayout& layout = layout_ ? *layout_ : *emptyLayout_;
    if (!layout.vao) {
        // Warm-up only: one vertex array per layout for the life of the layout.
        glCreateVertexArrays(1, &layout.vao);
        for (const VertexAttribute& a : layout.attributes()) {
            glEnableVertexArrayAttrib(layout.vao, a.location);
            if (a.integer) {
                glVertexArrayAttribIFormat(layout.vao, a.location, a.size, a.type, a.offset);
            } else {
                glVertexArrayAttribFormat(layout.vao, a.location, a.size, a.type, a.normalized, a.offset);
            }
            glVertexArrayAttribBinding(layout.vao, a.location, a.slot);
            glVertexArrayBindingDivisor(layout.vao, a.slot, a.divisor);
        }
    }
    cache_.bindVertexArray(layout.vao);
    // GL makes contents another context wrote visible here once their buffer is attached again.
    if (const std::uint64_t writes = device_.arenas().foreignWrites(); layout.arenaWritesSeen != writes) {
        layout.arenaWritesSeen = writes;
        for (InputLayout::SlotBinding& slot : layout.slots) slot.buffer = InputLayout::kUnknownBuffer;
        layout.elementBuffer = InputLayout::kUnknownBuffer;
    }
    // Pooled buffers of one arena share its GL buffer: a mesh whose vertices lie a whole number of vertices
    // further into it than the bound binding's is drawn by moving the draw's base vertex, with no new binding.
    // The shift is the largest that keeps every per-vertex slot's binding offset at or after the start of its GL
    // buffer, so it is never negative and neither is any vertex a valid draw reads.
    const std::uint32_t perVertex = layout.slotMask() & ~layout.instancedSlots();
    std::uint32_t shift = 0;
    if (!vertexShader_->readsVertexId()) {
        std::uint64_t lowest = UINT64_MAX;
        for (std::uint32_t slots = perVertex; slots != 0; slots &= slots - 1) {
            const std::uint32_t slot = static_cast<std::uint32_t>(__builtin_ctz(slots));
            const Buffer* buffer = vertexBuffers_[slot].get();
            if (!buffer || strides_[slot] == 0) continue;
            const std::uint64_t start = std::uint64_t(buffer->glOffset()) + offsets_[slot];
            // A 32-bit division where it fits (always, but for offsets past any buffer): a 64-bit one costs more.
            lowest = std::min<std::uint64_t>(lowest, start <= UINT32_MAX ? std::uint32_t(start) / strides_[slot]
                                                                         : start / strides_[slot]);
        }
        if (lowest != UINT64_MAX) shift = static_cast<std::uint32_t>(std::min<std::uint64_t>(lowest, kMaxVertexShift));
    }
    vertexShift_ = shift;
    for (std::uint32_t slots = layout.slotMask(); slots != 0; slots &= slots - 1) {
        const std::uint32_t slot = static_cast<std::uint32_t>(__builtin_ctz(slots));
        const Buffer* buffer = vertexBuffers_[slot].get();
        const std::uint32_t stride = strides_[slot];
        std::uint64_t bytes = offsets_[slot];
        if (buffer) {
            bytes += buffer->glOffset();
            if (perVertex & (1u << slot)) bytes -= std::uint64_t(shift) * stride;
        }
        // Past 4 GB only for an offset beyond any buffer, where D3D leaves what is read undefined too.
        const std::uint32_t offset = static_cast<std::uint32_t>(bytes);
        const InputLayout::SlotBinding want{buffer ? buffer->storageKey() : 0, offset, stride};
        InputLayout::SlotBinding& have = layout.slots[slot];
        if (have != want) {
            have = want;
            glVertexArrayVertexBuffer(layout.vao, slot, buffer ? buffer->glName() : 0, offset,
                                      static_cast<GLsizei>(stride));
        }
    }
    // Index buffers of one arena: the draw adds the buffer's place in it to its index offset.
    indexBase_ = indexBuffer_ ? indexBuffer_->glOffset() : 0;
    const std::uint64_t indices = indexBuffer_ ? indexBuffer_->storageKey() : 0;
    if (layout.elementBuffer != indices) {
        layout.elementBuffer = indices;
        glVertexArrayElementBuffer(layout.vao, indexBuffer_ ? indexBuffer_->glName() : 0);
    }
}

// What a draw sets besides its inputs; GL keeps it until a setter or code outside draws (clears, copies, an
// overlay) changes it, which the cache's pipeline generation counts.
void DeviceContext::applyPipelineState() {
    cache_.bindDrawFramebuffer(drawFramebuffer_);
    cache_.setFramebufferSrgb(true);
    // State objects never change: their serials key what GL holds.
    cache_.applyRasterizer(rasterizer_ ? rasterizer_->serial() : 0,
                           rasterizer_ ? rasterizer_->GetDesc() : kDefaultRasterizer);
    cache_.applyDepthStencil(depthStencilState_ ? depthStencilState_->serial() : 0,
                             depthStencilState_ ? depthStencilState_->GetDesc() : kDefaultDepthStencil, stencilRef_);
    cache_.applyBlend(blend_ ? blend_->serial() : 0, blend_ ? blend_->GetDesc() : kDefaultBlend, blendFactor_,
                      sampleMask_);
    // Without a pixel shader D3D writes no colour (depth only); GL would write undefined values.
    if (!pixelShader_) {
        for (std::uint32_t i = 0; i < kMaxRenderTargets; ++i) cache_.setColorMask(i, 0);
    }
    // D3D cuts only strips at the all-ones index.
    cache_.setPrimitiveRestart(topology_ == PrimitiveTopology::LineStrip ||
                               topology_ == PrimitiveTopology::TriangleStrip);
    cache_.useStages(pipeline_, vertexShader_->glProgram(), pixelShader_ ? pixelShader_->glProgram() : 0);
}

bool DeviceContext::prepareDraw() {
    if (!vertexShader_ || !glTopology(topology_)) return false;
    if (dirty_ & kDirtyFramebuffer) {
        RenderTargetView* targets[kMaxRenderTargets];
        for (std::uint32_t i = 0; i < kMaxRenderTargets; ++i) targets[i] = renderTargets_[i].get();
        drawFramebuffer_ = framebuffers_.get(renderTargetCount_, targets, depthStencil_.get());
        dirty_ &= ~kDirtyFramebuffer;
    }
    if (!drawFramebuffer_) return false;
    if ((dirty_ & kDirtyPipeline) || cache_.pipelineGeneration() != pipelineApplied_) {
        applyPipelineState();
        pipelineApplied_ = cache_.pipelineGeneration();
        dirty_ &= ~kDirtyPipeline;
    }
    if (dirty_ & kDirtyTextures) {
        bindStageTextures(vertexShader_.get(), vertexStage_);
        if (pixelShader_) bindStageTextures(pixelShader_.get(), pixelStage_);
        dirty_ &= ~kDirtyTextures;
    }
    if (ring_.ready()) {
        // Room for every slice the binds below may copy forward, so that they all land in one chunk.
        const std::uint32_t slots =
            vertexShader_->constantBufferCount() + (pixelShader_ ? pixelShader_->constantBufferCount() : 0);
        ring_.reserve(slots * ConstantRing::kMaxSliceBytes);
        afterRingMoves();
    }
    bindConstantBuffers();
    if (dirty_ & kDirtyVertexInput) {
        bindVertexInput();
        dirty_ &= ~kDirtyVertexInput;
    }
    return true;
}

void DeviceContext::Draw(std::uint32_t vertexCount, std::uint32_t startVertex) {
    if (vertexCount == 0 || !prepareDraw()) return;
    glDrawArrays(glTopology(topology_), static_cast<GLint>(startVertex + vertexShift_),
                 static_cast<GLsizei>(vertexCount));
}

void DeviceContext::DrawIndexed(std::uint32_t indexCount, std::uint32_t startIndex, std::int32_t baseVertex) {
    std::uint32_t size = indexSize(indexFormat_);
    if (indexCount == 0 || !indexBuffer_ || size == 0 || !prepareDraw()) return;
    std::uintptr_t offset = std::uintptr_t(indexBase_) + indexOffset_ + std::uintptr_t(startIndex) * size;
    // The shift is at most kMaxVertexShift, so only a base vertex no valid draw has can overflow.
    const std::int64_t base = std::int64_t(baseVertex) + vertexShift_;
    glDrawElementsBaseVertex(glTopology(topology_), static_cast<GLsizei>(indexCount),
                             size == 2 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT, reinterpret_cast<const void*>(offset),
                             static_cast<GLint>(std::min<std::int64_t>(base, INT32_MAX)));
}

void DeviceContext::ClearState() {
    layout_ = nullptr;
    for (auto& b : vertexBuffers_) b = nullptr;
    strides_.fill(0);
    offsets_.fill(0);
    indexBuffer_ = nullptr;
    indexFormat_ = Format::UNKNOWN;
    indexOffset_ = 0;
    topology_ = PrimitiveTopology::Undefined;
    vertexShader_ = nullptr;
    pixelShader_ = nullptr;
    for (StageBindings* s : {&vertexStage_, &pixelStage_}) {
        for (auto& b : s->constantBuffers) b = nullptr;
        for (auto& v : s->views) v = nullptr;
        for (auto& v : s->samplers) v = nullptr;
    }
    for (GLuint i = 0; i < GlStateCache::kUniformBindings; ++i) cache_.bindUniformBuffer(i, 0);
    settleRingOnly();
    dirty_ = kDirtyAll;
    rasterizer_ = nullptr;
    viewportCount_ = scissorCount_ = 0;
    for (auto& t : renderTargets_) t = nullptr;
    renderTargetCount_ = 0;
    depthStencil_ = nullptr;
    blend_ = nullptr;
    std::fill(std::begin(blendFactor_), std::end(blendFactor_), 1.0f);
    sampleMask_ = 0xFFFFFFFFu;
    depthStencilState_ = nullptr;
    stencilRef_ = 0;
    device_.drainReleases();
}

void DeviceContext::Flush() {
    settleRingOnly();
    glFlush();
    device_.drainReleases();
}

}  // namespace gpu
