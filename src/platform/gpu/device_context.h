#pragma once

// gpu::DeviceContext: D3D11's immediate context. Only the thread that created the device may call it. Bind calls
// record D3D state (holding references, as D3D does); draws and clears turn it into GL through the one state
// cache. Binding null unbinds. After warm-up (framebuffers, vertex arrays) a frame makes no GL objects and no
// heap allocations.
//
// As in a D3D11 driver, a draw costs what changed since the last one: binding what is bound returns at once,
// the groups of state a draw turns into GL (framebuffer, textures, vertex input) are redone only when marked
// dirty, state objects are applied by key, and small constant buffers live in a ring bound by range.

#include <array>
#include <cstdint>
#include <vector>

#include <epoxy/gl.h>

#include "platform/gpu/buffer.h"
#include "platform/gpu/constant_ring.h"
#include "platform/gpu/descs.h"
#include "platform/gpu/framebuffer_cache.h"
#include "platform/gpu/gl_state_cache.h"
#include "platform/gpu/input_layout.h"
#include "platform/gpu/query.h"
#include "platform/gpu/result.h"
#include "platform/gpu/shaders.h"
#include "platform/gpu/state_objects.h"
#include "platform/gpu/texture2d.h"
#include "platform/gpu/views.h"

namespace gpu {

class Device;

class DeviceContext {
public:
    void IASetInputLayout(InputLayout* layout);
    void IASetVertexBuffers(std::uint32_t startSlot, std::uint32_t count, Buffer* const* buffers,
                            const std::uint32_t* strides, const std::uint32_t* offsets);
    void IASetIndexBuffer(Buffer* buffer, Format format, std::uint32_t offset);
    void IASetPrimitiveTopology(PrimitiveTopology topology);

    void VSSetShader(VertexShader* shader);
    void PSSetShader(PixelShader* shader);
    // Only null can be bound: this layer builds no such stages.
    void GSSetShader(GeometryShader*) {}
    void HSSetShader(HullShader*) {}
    void DSSetShader(DomainShader*) {}
    void VSSetConstantBuffers(std::uint32_t startSlot, std::uint32_t count, Buffer* const* buffers);
    void PSSetConstantBuffers(std::uint32_t startSlot, std::uint32_t count, Buffer* const* buffers);
    void VSSetShaderResources(std::uint32_t startSlot, std::uint32_t count, ShaderResourceView* const* views);
    void PSSetShaderResources(std::uint32_t startSlot, std::uint32_t count, ShaderResourceView* const* views);
    void VSSetSamplers(std::uint32_t startSlot, std::uint32_t count, SamplerState* const* samplers);
    void PSSetSamplers(std::uint32_t startSlot, std::uint32_t count, SamplerState* const* samplers);

    void RSSetState(RasterizerState* state);
    void RSSetViewports(std::uint32_t count, const Viewport* viewports);
    void RSSetScissorRects(std::uint32_t count, const Rect* rects);
    // In: room in `viewports` (may be null to ask for the count); out: the number set.
    void RSGetViewports(std::uint32_t* count, Viewport* viewports) const;

    // Queries (query.h). GetData answers Ok with the data, SFalse while the GPU has not got there.
    void Begin(Query* query);
    void End(Query* query);
    Result GetData(Query* query, void* data, std::uint32_t size, std::uint32_t flags);

    void OMSetRenderTargets(std::uint32_t count, RenderTargetView* const* views, DepthStencilView* depth);
    // Fills `count` slots with added references (null where unbound) and the depth view if asked for.
    void OMGetRenderTargets(std::uint32_t count, Ref<RenderTargetView>* views, Ref<DepthStencilView>* depth) const;
    void OMSetBlendState(BlendState* state, const float blendFactor[4], std::uint32_t sampleMask);
    void OMSetDepthStencilState(DepthStencilState* state, std::uint32_t stencilRef);

    void ClearRenderTargetView(RenderTargetView* view, const float color[4]);
    void ClearDepthStencilView(DepthStencilView* view, std::uint32_t clearFlags, float depth, std::uint8_t stencil);

    // Buffers: WriteDiscard on dynamic ones (each map gives fresh storage, earlier draws keep their data),
    // WriteNoOverwrite on dynamic ones, Read on staging ones. Textures: Read on staging ones.
    Result Map(Resource* resource, std::uint32_t subresource, MapType type, std::uint32_t flags,
               MappedSubresource* mapped);
    void Unmap(Resource* resource, std::uint32_t subresource);
    // Default-usage buffers (box.left..right in bytes) and single-sampled colour textures; other targets are
    // ignored, as the D3D runtime drops invalid calls.
    void UpdateSubresource(Resource* resource, std::uint32_t subresource, const Box* box, const void* data,
                           std::uint32_t rowPitch, std::uint32_t depthPitch);
    // Same-sized resources of one format family; a staging side is copied through CPU memory (not for the
    // D24S8 and D32S8 families, whose GL packing differs from D3D's bytes, nor for multisampled sources).
    void CopyResource(Resource* destination, Resource* source);
    void GenerateMips(ShaderResourceView* view);

    void Draw(std::uint32_t vertexCount, std::uint32_t startVertex);
    void DrawIndexed(std::uint32_t indexCount, std::uint32_t startIndex, std::int32_t baseVertex);

    // Unbinds everything and restores default states.
    void ClearState();
    void Flush();

    // Brings the CPU copies of buffers whose latest contents went straight into the constant ring up to date and
    // drops the context's hold on them; done at every flush, present and state clear.
    void settleRingOnly();

    // Forget what GL holds, after code outside this layer (an overlay renderer) changed GL state.
    void invalidateGlState() {
        cache_.invalidate();
        dirty_ = kDirtyAll;
    }

    // Layer internals.
    explicit DeviceContext(Device& device);
    ~DeviceContext();
    bool initialise();
    GlStateCache& cache() { return cache_; }
    FramebufferCache& framebuffers() { return framebuffers_; }
    void forgetView(std::uint64_t serial) {
        framebuffers_.forgetView(serial);
        dirty_ |= kDirtyFramebuffer | kDirtyPipeline;
    }

private:
    struct StageBindings {
        std::array<Ref<Buffer>, kConstantBufferSlots> constantBuffers;
        std::array<Ref<ShaderResourceView>, kShaderResourceSlots> views;
        std::array<Ref<SamplerState>, kSamplerSlots> samplers;
    };
    StageBindings& stage(ShaderStage stage);
    // The stage setters: D3D ignores slots past the end and binds null for a null list.
    template <typename T, std::size_t N>
    static bool setSlots(std::array<Ref<T>, N>& slots, std::uint32_t start, std::uint32_t count, T* const* objects);
    void setConstantBuffers(ShaderStage stage, std::uint32_t start, std::uint32_t count, Buffer* const* buffers);
    void bindStageTextures(const Shader* shader, const StageBindings& s);
    struct UniformSource {
        GLuint buffer = 0;
        std::uint32_t offset = 0, size = 0;
    };
    // Filled in place: a returned 12-byte struct would be stored in halves and read back whole, which stalls.
    void uniformSource(Buffer* buffer, UniformSource& source);
    // The buffer's latest contents (its CPU copy, settled first) into a fresh slice.
    void pushCpuCopy(Buffer& buffer);
    void bindUniform(GLuint index, const UniformSource& source);
    void bindConstantBuffers();
    bool prepareDraw();
    void applyPipelineState();
    void bindVertexInput();
    // Puts the contents of a ring-backed buffer where GL copies read and write them: its own storage.
    void leaveRing(Buffer& buffer);
    // Before a buffer's CPU copy is read: the latest contents, if only its ring slice holds them.
    void settle(Buffer& buffer);
    // After anything that may move the ring to its next chunk: slices of the chunk left stay readable for a lap
    // only, so the buffers that live there alone are settled now.
    void afterRingMoves() {
        if (ring_.chunk() != ringOnlyChunk_) settleRingOnly();
    }

    // What a draw must turn into GL again.
    enum Dirty : std::uint32_t {
        kDirtyFramebuffer = 1,
        kDirtyTextures = 2,
        kDirtyVertexInput = 4,
        kDirtyPipeline = 8,  // framebuffer binding, programs, state objects, topology's restart
        kDirtyAll = 15,
    };

    Device& device_;
    GlStateCache cache_;
    FramebufferCache framebuffers_;
    ConstantRing ring_;
    // Ring-backed buffers whose latest contents are in their ring slice alone: a whole-buffer UpdateSubresource
    // copies once, into the ring, and the CPU copy catches up only when something needs it or the ring moves on.
    std::vector<Ref<Buffer>> ringOnly_;
    std::uint64_t ringOnlyChunk_ = 0;
    std::uint32_t dirty_ = kDirtyAll;
    std::uint64_t pipelineApplied_ = 0;  // the cache's pipeline generation when a draw last applied its state
    GLuint drawFramebuffer_ = 0;  // of the bound targets, 0 when they form none
    GLuint pipeline_ = 0;
    Ref<InputLayout> emptyLayout_;  // vertex arrays for draws without an input layout

    Ref<InputLayout> layout_;
    std::array<Ref<Buffer>, kInputSlotCount> vertexBuffers_;
    std::array<std::uint32_t, kInputSlotCount> strides_{};
    std::array<std::uint32_t, kInputSlotCount> offsets_{};
    Ref<Buffer> indexBuffer_;
    Format indexFormat_ = Format::UNKNOWN;
    std::uint32_t indexOffset_ = 0;
    // What the bound vertex input adds to every draw (bindVertexInput): vertices to the first vertex or base
    // vertex, bytes to the index offset.
    static constexpr std::uint32_t kMaxVertexShift = 1u << 28;
    std::uint32_t vertexShift_ = 0;
    std::uint32_t indexBase_ = 0;
    PrimitiveTopology topology_ = PrimitiveTopology::Undefined;

    Ref<VertexShader> vertexShader_;
    Ref<PixelShader> pixelShader_;
    StageBindings vertexStage_;
    StageBindings pixelStage_;

    Ref<RasterizerState> rasterizer_;
    std::uint32_t viewportCount_ = 0;
    std::array<Viewport, kViewportSlots> viewports_{};
    std::uint32_t scissorCount_ = 0;

    std::array<Ref<RenderTargetView>, kMaxRenderTargets> renderTargets_;
    std::uint32_t renderTargetCount_ = 0;
    Ref<DepthStencilView> depthStencil_;
    Ref<BlendState> blend_;
    float blendFactor_[4] = {1, 1, 1, 1};
    std::uint32_t sampleMask_ = 0xFFFFFFFFu;
    Ref<DepthStencilState> depthStencilState_;
    std::uint32_t stencilRef_ = 0;
};

}  // namespace gpu
