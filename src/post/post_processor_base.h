#pragma once

// What every full-screen effect shares: the quad and its vertex shader, fixed pipeline states, the point (s0)
// and linear (s1) samplers, and the per-pass constants at b0 (sizes of the pass's inputs and output). An effect
// queues a pass's views into `inputs` and `outputs` and calls drawPass with the pass's pixel shader.

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "platform/gpu/device.h"
#include "platform/gpu/device_context.h"
#include "render/constant_buffer.h"
#include "render/render_target.h"
#include "render/shader_program.h"
#include "resources/resource_manifest.h"

class PostProcessorBase;

// Sees every pass as drawn, after its inputs were unbound (tools and tests).
class PostPassObserver {
public:
    struct Pass {
        gpu::PixelShader* shader = nullptr;
        std::uint32_t inputCount = 0;
        gpu::ShaderResourceView* inputs[16] = {};
        std::uint32_t outputCount = 0;
        gpu::RenderTargetView* outputs[8] = {};
    };
    virtual ~PostPassObserver() = default;
    virtual void passDrawn(const PostProcessorBase& effect, const Pass& pass) = 0;
};

// The pass constants at b0: width and height of inputs 0 to 3 and of output 0; the buffer is 48 bytes.
struct PassConstants {
    float inputSize[4][2];
    float outputSize[2];
};
static_assert(sizeof(PassConstants) == 40);

class PostProcessorBase {
public:
    static constexpr std::uint32_t kQuadStride = 24;
    static constexpr std::uint32_t kPassConstantsByteWidth = ConstantBuffer<PassConstants>::kByteWidth;

    PostProcessorBase();
    virtual ~PostProcessorBase() = default;
    PostProcessorBase(const PostProcessorBase&) = delete;
    PostProcessorBase& operator=(const PostProcessorBase&) = delete;

    // The quad and its program, the states, the samplers and the pass constants.
    virtual void initialize(gpu::Device* device);
    // Stores the context and binds the shared state; the views are not used here.
    virtual void render(gpu::DeviceContext* context, gpu::ShaderResourceView* input, gpu::RenderTargetView* output);
    // The working size; targets an effect already made keep theirs.
    virtual void resize(std::uint32_t width, std::uint32_t height);
    // One pass over the queued views; afterwards both lists are empty and shader inputs 0 to 15 unbound.
    virtual void drawPass(gpu::PixelShader* pixelShader);

    // Size of the texture behind a view at the view's mip, each dimension at least 1; (0, 0) for null.
    static void viewSize(const gpu::ShaderResourceView* view, float size[2]);
    static void viewSize(const gpu::RenderTargetView* view, float size[2]);

    gpu::Device* device = nullptr;
    gpu::DeviceContext* context = nullptr;
    gpu::Ref<gpu::Buffer> quadVertexBuffer;
    gpu::Ref<gpu::Buffer> quadIndexBuffer;
    ShaderProgram quadProgram;
    gpu::Ref<gpu::SamplerState> pointSampler;
    gpu::Ref<gpu::SamplerState> linearSampler;
    gpu::Ref<gpu::DepthStencilState> depthStencilState;
    gpu::Ref<gpu::BlendState> blendState;
    gpu::Ref<gpu::RasterizerState> rasterizerState;
    std::vector<gpu::ShaderResourceView*> inputs;  // borrowed, bound from t0
    std::vector<gpu::RenderTargetView*> outputs;   // borrowed, bound from target 0
    gpu::Ref<gpu::Buffer> passConstants;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    ResourceManifest manifest;
    PostPassObserver* passObserver = nullptr;

protected:
    // Queues `passInputs` (from t0) and `output`, then draws the pass.
    void runPass(gpu::PixelShader* pixelShader, std::initializer_list<gpu::ShaderResourceView*> passInputs,
                 gpu::RenderTargetView* output);
    // A pass program compiled from the manifest's pixel shader `key`, stage name "p".
    ShaderProgram loadPassProgram(gpu::Device* device, const char* key) const;
    // An intermediate target at the working size: RGBA16F, one mip, one sample.
    void createIntermediate(RenderTarget& target) const;
};
