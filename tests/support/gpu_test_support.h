#pragma once

#include <gtest/gtest.h>

// Headless devices, tiny hand-written shaders and read-back for the GPU layer's tests.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gpu/device.h"
#include "platform/gpu/device_context.h"

struct SDL_Window;

namespace testing_support {

struct HeadlessGpu {
    gpu::Ref<gpu::Device> device;
    gpu::DeviceContext* context = nullptr;
};

// An EGL surfaceless device owned by the calling thread; null members when none can be made.
HeadlessGpu createHeadlessGpu();

// Tests that draw off-screen on a headless device: device_ and context_ are ready in every test.
class HeadlessGpuTest : public ::testing::Test {
protected:
    void SetUp() override {
        gpu_ = createHeadlessGpu();
        ASSERT_TRUE(gpu_.device) << "no headless GL device";
        device_ = gpu_.device.get();
        context_ = gpu_.context;
    }

    HeadlessGpu gpu_;
    gpu::Device* device_ = nullptr;
    gpu::DeviceContext* context_ = nullptr;
};

// Vertex shader over POSITION (float2 at location 0) and COLOR (float4 at location 1), passing the colour on.
gpu::ShaderBytecode colourVertexShader();
// Pixel shader writing the interpolated colour times the vec4 of constant buffer b0 (block "PS_b0").
gpu::ShaderBytecode tintPixelShader();
// Bytecode of one stage from GLSL body text (the #version line is added).
gpu::ShaderBytecode glslShader(gpu::ShaderStage stage, const std::string& body);

// Samples `view` over a 4 x 4 RGBA32F target with a point sampler and answers the target's texels
// (`lookup`: GLSL expression over `PS_t0` and `uv`, for example "texture(PS_t0, uv)"; `samplerType` its type).
std::vector<float> sampleView(gpu::Device& device, gpu::DeviceContext& context, gpu::ShaderResourceView* view,
                              const std::string& samplerType = "sampler2D",
                              const std::string& lookup = "texture(PS_t0, uv)");

// One 2D texture with the bind flags given, UNKNOWN-free defaults otherwise.
gpu::Texture2DDesc textureDesc(std::uint32_t width, std::uint32_t height, gpu::Format format, std::uint32_t bindFlags);

// The bytes of one subresource through a staging copy, rows tightly packed (readFormat: the staging format,
// UNKNOWN for the texture's own).
std::vector<std::uint8_t> readBack(gpu::Device& device, gpu::DeviceContext& context, gpu::Texture2D* texture,
                                   std::uint32_t subresource = 0, gpu::Format readFormat = gpu::Format::UNKNOWN);
std::vector<float> readBackFloats(gpu::Device& device, gpu::DeviceContext& context, gpu::Texture2D* texture);

// A buffer of `size` bytes from `data` (none when null; a Dynamic one is writable through Map); null when creation
// fails, which the test is told of.
gpu::Ref<gpu::Buffer> makeBuffer(gpu::Device& device, std::uint32_t bindFlags, const void* data, std::uint32_t size,
                                 gpu::Usage usage = gpu::Usage::Default);
// A vertex buffer of (x, y, r, g, b, a) vertices.
gpu::Ref<gpu::Buffer> vertexBuffer(gpu::Device& device, const std::vector<float>& vertices);

// colourVertexShader, tintPixelShader and the input layout of (x, y, r, g, b, a) vertices; null members when
// creation fails, which the test is told of.
struct ColourPipeline {
    gpu::ShaderBytecode vertexCode;
    gpu::Ref<gpu::VertexShader> vs;
    gpu::Ref<gpu::PixelShader> ps;
    gpu::Ref<gpu::InputLayout> layout;
};
ColourPipeline makeColourPipeline(gpu::Device& device);

// Tests that draw (x, y, r, g, b, a) triangle lists with colourVertexShader and tintPixelShader (tint_: a dynamic
// white constant buffer in b0) into one RGBA8 square target, cleared and bound with its viewport.
class ColourDrawTest : public HeadlessGpuTest {
protected:
    void setUpColourDraw(std::uint32_t size, std::uint32_t bindFlags, const float (&clear)[4]);

    gpu::Ref<gpu::Texture2D> target_;
    gpu::Ref<gpu::RenderTargetView> rtv_;
    gpu::ShaderBytecode vertexCode_;
    gpu::Ref<gpu::VertexShader> vs_;
    gpu::Ref<gpu::PixelShader> ps_;
    gpu::Ref<gpu::InputLayout> layout_;
    gpu::Ref<gpu::Buffer> tint_;
};

// An SDL window made for GL on the X display the test run provides, or SDL's offscreen driver without one.
// Null (and SDL not initialised) when neither works.
SDL_Window* createTestWindow(int width, int height);
void destroyTestWindow(SDL_Window* window);

// Pixels of the window as last presented, row 0 at the top, RGB8: from the X server when the window is an X
// window, else from the GL front buffer of the device's context.
std::vector<std::uint8_t> readWindow(SDL_Window* window, gpu::DeviceContext& context, int width, int height);

}  // namespace testing_support
