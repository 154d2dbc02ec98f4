#pragma once

// An effect that draws with its own parameter block `Block` at b1: how every effect is set up and how its block
// reaches the shaders.

#include <cstddef>
#include <cstdint>
#include <span>

#include "post/post_processor_base.h"

template <typename Block>
class PostEffect : public PostProcessorBase {
public:
    void setParameters(const Block& block) { parameters.data = block; }

    ConstantBuffer<Block> parameters;

protected:
    // Initialises, stores the working size, creates the parameter buffer, compiles `passes[i]` from the pixel
    // shader `keys[i]`, then creates the intermediate targets.
    void setupEffect(gpu::Device* newDevice, std::uint32_t newWidth, std::uint32_t newHeight,
                     std::span<ShaderProgram> passes, std::span<const char* const> keys,
                     std::span<RenderTarget> targets = {}) {
        this->initialize(newDevice);
        this->width = newWidth;
        this->height = newHeight;
        parameters.create(this->device);
        for (std::size_t i = 0; i < passes.size(); ++i) passes[i] = this->loadPassProgram(this->device, keys[i]);
        for (RenderTarget& target : targets) this->createIntermediate(target);
    }
    // Uploads the block and binds it at b1 for the passes that follow.
    void bindParameters() {
        parameters.update(this->context);
        gpu::Buffer* const buffers[1] = {parameters.buffer.get()};
        this->context->PSSetConstantBuffers(1, 1, buffers);
    }
};
