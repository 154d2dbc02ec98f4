#pragma once

// The compiled stages of one material or one post-processing pass, from HLSL files named in the manifest:
// a vertex shader with the input layout of its own input signature, and a pixel shader.

#include <array>
#include <cstddef>
#include <memory>
#include <string>

#include "platform/gpu/device.h"

class ShaderProgram {
public:
    ShaderProgram() = default;
    explicit ShaderProgram(gpu::Device* device) : device(device) {}

    // The compiler's result; on success the vertex shader and its input layout are set. Messages go to the
    // debugger output only.
    gpu::Result loadVertexShader(const char16_t* path, const char* name);
    // The compiler's result; on success the pixel shader is set. The input layout is untouched.
    gpu::Result loadPixelShader(const char16_t* path, const char* name);

    // The input element format for a reflected input's component mask and type (mask 4 reads three components).
    static gpu::Format inputElementFormat(std::uint8_t mask, gpu::RegisterComponentType type);

    gpu::VertexShader* vertexShader() const { return vertex.get(); }
    gpu::PixelShader* pixelShader() const { return pixel.get(); }
    gpu::InputLayout* inputLayout() const { return layout.get(); }

    gpu::Ref<gpu::VertexShader> vertex;
    gpu::Ref<gpu::PixelShader> pixel;
    // Slot order: vertex, pixel, domain, hull, geometry, and one more; only the first two are filled.
    std::array<std::string, 6> stageNames;
    // Of the stage compiled last; shared with every program compiled from the same file (null after a failure).
    std::shared_ptr<const gpu::ShaderBytecode> code;
    gpu::Device* device = nullptr;
    gpu::Ref<gpu::InputLayout> layout;
    std::u16string sourcePath;  // of the file compiled last
    // Per stage (vertex, pixel): the file it was compiled from, empty when the stage was never loaded; and the
    // compiler's messages of the last compile, errors and warnings.
    std::array<std::u16string, 2> stagePaths;
    std::string messages;

private:
    // Compiles one stage into `code`, naming stage `slot`; the compiler's messages go to the debugger output.
    gpu::Result compileStage(const char16_t* path, const char* name, std::size_t slot, const char* profile);
};
