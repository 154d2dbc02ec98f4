#include "support/gpu_test_support.h"

#include <cstdlib>
#include <cstring>

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xutil.h>

namespace testing_support {

HeadlessGpu createHeadlessGpu() {
    HeadlessGpu gpu;
    gpu::CreateDevice(nullptr, nullptr, 0, &gpu.device, nullptr, &gpu.context);
    return gpu;
}

gpu::ShaderBytecode glslShader(gpu::ShaderStage stage, const std::string& body) {
    gpu::ShaderBytecode code;
    code.Stage = stage;
    code.Glsl = "#version 450\n" + body;
    return code;
}

gpu::ShaderBytecode colourVertexShader() {
    gpu::ShaderBytecode code = glslShader(gpu::ShaderStage::Vertex, R"(
layout(location = 0) in vec2 POSITION;
layout(location = 1) in vec4 COLOR;
out gl_PerVertex { vec4 gl_Position; };
layout(location = 0) out vec4 vColour;
void main() { gl_Position = vec4(POSITION, 0.5, 1.0); vColour = COLOR; }
)");
    code.InputSignature = {{"POSITION", 0, gpu::RegisterComponentType::Float32, 0x3, 0},
                           {"COLOR", 0, gpu::RegisterComponentType::Float32, 0xF, 1}};
    return code;
}

gpu::ShaderBytecode tintPixelShader() {
    gpu::ShaderBytecode code = glslShader(gpu::ShaderStage::Pixel, R"(
layout(location = 0) in vec4 vColour;
layout(location = 0) out vec4 outColour;
layout(std140) uniform PS_b0 { vec4 tint; };
void main() { outColour = vColour * tint; }
)");
    code.ConstantBuffers = {{"PS_b0", 0}};
    return code;
}

std::vector<float> sampleView(gpu::Device& device, gpu::DeviceContext& context, gpu::ShaderResourceView* view,
                              const std::string& samplerType, const std::string& lookup) {
    gpu::Ref<gpu::VertexShader> vs;
    gpu::Ref<gpu::PixelShader> ps;
    device.CreateVertexShader(glslShader(gpu::ShaderStage::Vertex, R"(
out gl_PerVertex { vec4 gl_Position; };
layout(location = 0) out vec2 uv;
void main() {
    vec2 p = vec2((gl_VertexID << 1) & 2, gl_VertexID & 2);
    uv = p;
    gl_Position = vec4(p * vec2(2.0, -2.0) + vec2(-1.0, 1.0), 0.5, 1.0);
}
)"),
                              &vs);
    gpu::ShaderBytecode pixel =
        glslShader(gpu::ShaderStage::Pixel,
                   "layout(location = 0) in vec2 uv;\n"
                   "layout(location = 0) out vec4 result;\nuniform " +
                       samplerType + " PS_t0;\nvoid main() { result = vec4(" + lookup + "); }\n");
    pixel.Textures = {{"PS_t0", 0, 0}};
    device.CreatePixelShader(pixel, &ps);
    gpu::SamplerDesc pointDesc;
    pointDesc.Filter = gpu::Filter::MinMagMipPoint;
    gpu::Ref<gpu::SamplerState> point;
    device.CreateSamplerState(pointDesc, &point);
    gpu::Ref<gpu::Texture2D> target;
    gpu::Ref<gpu::RenderTargetView> rtv;
    device.CreateTexture2D(textureDesc(4, 4, gpu::Format::R32G32B32A32_FLOAT, gpu::BIND_RENDER_TARGET), nullptr,
                           &target);
    device.CreateRenderTargetView(target.get(), nullptr, &rtv);
    if (!vs || !ps || !point || !rtv) return {};

    gpu::RenderTargetView* targets[1] = {rtv.get()};
    context.OMSetRenderTargets(1, targets, nullptr);
    context.OMSetDepthStencilState(nullptr, 0);
    gpu::Viewport viewport{0, 0, 4, 4, 0, 1};
    context.RSSetViewports(1, &viewport);
    context.IASetInputLayout(nullptr);
    context.IASetPrimitiveTopology(gpu::PrimitiveTopology::TriangleList);
    context.VSSetShader(vs.get());
    context.PSSetShader(ps.get());
    context.PSSetShaderResources(0, 1, &view);
    gpu::SamplerState* samplers[1] = {point.get()};
    context.PSSetSamplers(0, 1, samplers);
    context.Draw(3, 0);
    context.PSSetShaderResources(0, 1, nullptr);
    context.OMSetRenderTargets(0, nullptr, nullptr);
    return readBackFloats(device, context, target.get());
}

gpu::Texture2DDesc textureDesc(std::uint32_t width, std::uint32_t height, gpu::Format format, std::uint32_t bindFlags) {
    gpu::Texture2DDesc desc;
    desc.Width = width;
    desc.Height = height;
    desc.Format = format;
    desc.BindFlags = bindFlags;
    return desc;
}

std::vector<std::uint8_t> readBack(gpu::Device& device, gpu::DeviceContext& context, gpu::Texture2D* texture,
                                   std::uint32_t subresource, gpu::Format readFormat) {
    gpu::Texture2DDesc desc = texture->GetDesc();
    desc.Format = readFormat == gpu::Format::UNKNOWN ? desc.Format : readFormat;
    desc.Usage = gpu::Usage::Staging;
    desc.BindFlags = 0;
    desc.CPUAccessFlags = gpu::CPU_ACCESS_READ;
    desc.MiscFlags = 0;
    gpu::Ref<gpu::Texture2D> staging;
    if (gpu::failed(device.CreateTexture2D(desc, nullptr, &staging))) return {};
    context.CopyResource(staging.get(), texture);
    gpu::MappedSubresource mapped;
    if (gpu::failed(context.Map(staging.get(), subresource, gpu::MapType::Read, 0, &mapped))) return {};
    std::uint32_t mip = subresource % desc.MipLevels;
    std::uint32_t rows = std::max(1u, desc.Height >> mip);
    const auto* bytes = static_cast<const std::uint8_t*>(mapped.pData);
    std::vector<std::uint8_t> out(bytes, bytes + std::size_t(mapped.RowPitch) * rows);
    context.Unmap(staging.get(), subresource);
    return out;
}

std::vector<float> readBackFloats(gpu::Device& device, gpu::DeviceContext& context, gpu::Texture2D* texture) {
    std::vector<std::uint8_t> bytes = readBack(device, context, texture);
    std::vector<float> floats(bytes.size() / sizeof(float));
    std::memcpy(floats.data(), bytes.data(), floats.size() * sizeof(float));
    return floats;
}

gpu::Ref<gpu::Buffer> makeBuffer(gpu::Device& device, std::uint32_t bindFlags, const void* data, std::uint32_t size,
                                 gpu::Usage usage) {
    gpu::BufferDesc desc;
    desc.ByteWidth = size;
    desc.Usage = usage;
    desc.BindFlags = bindFlags;
    if (usage == gpu::Usage::Dynamic) desc.CPUAccessFlags = gpu::CPU_ACCESS_WRITE;
    gpu::SubresourceData initial{data, 0, 0};
    gpu::Ref<gpu::Buffer> buffer;
    EXPECT_EQ(device.CreateBuffer(desc, data ? &initial : nullptr, &buffer), gpu::Result::Ok);
    return buffer;
}

gpu::Ref<gpu::Buffer> vertexBuffer(gpu::Device& device, const std::vector<float>& vertices) {
    return makeBuffer(device, gpu::BIND_VERTEX_BUFFER, vertices.data(),
                      static_cast<std::uint32_t>(vertices.size() * sizeof(float)), gpu::Usage::Immutable);
}

ColourPipeline makeColourPipeline(gpu::Device& device) {
    using namespace gpu;
    ColourPipeline p;
    p.vertexCode = colourVertexShader();
    EXPECT_EQ(device.CreateVertexShader(p.vertexCode, &p.vs), Result::Ok);
    EXPECT_EQ(device.CreatePixelShader(tintPixelShader(), &p.ps), Result::Ok);
    const InputElementDesc elements[] = {{"POSITION", 0, Format::R32G32_FLOAT},
                                         {"COLOR", 0, Format::R32G32B32A32_FLOAT}};
    EXPECT_EQ(device.CreateInputLayout(elements, 2, p.vertexCode, &p.layout), Result::Ok);
    return p;
}

void ColourDrawTest::setUpColourDraw(std::uint32_t size, std::uint32_t bindFlags, const float (&clear)[4]) {
    using namespace gpu;
    ASSERT_EQ(device_->CreateTexture2D(textureDesc(size, size, Format::R8G8B8A8_UNORM, bindFlags), nullptr, &target_),
              Result::Ok);
    ASSERT_EQ(device_->CreateRenderTargetView(target_.get(), nullptr, &rtv_), Result::Ok);
    ColourPipeline pipeline = makeColourPipeline(*device_);
    ASSERT_TRUE(pipeline.vs && pipeline.ps && pipeline.layout);
    vertexCode_ = std::move(pipeline.vertexCode);
    vs_ = std::move(pipeline.vs);
    ps_ = std::move(pipeline.ps);
    layout_ = std::move(pipeline.layout);
    const float white[4] = {1, 1, 1, 1};
    tint_ = makeBuffer(*device_, BIND_CONSTANT_BUFFER, white, sizeof(white), Usage::Dynamic);
    ASSERT_TRUE(tint_);

    context_->ClearRenderTargetView(rtv_.get(), clear);
    RenderTargetView* rtv = rtv_.get();
    context_->OMSetRenderTargets(1, &rtv, nullptr);
    Viewport viewport{0, 0, float(size), float(size), 0, 1};
    context_->RSSetViewports(1, &viewport);
    context_->IASetInputLayout(layout_.get());
    context_->IASetPrimitiveTopology(PrimitiveTopology::TriangleList);
    context_->VSSetShader(vs_.get());
    context_->PSSetShader(ps_.get());
    Buffer* cb = tint_.get();
    context_->PSSetConstantBuffers(0, 1, &cb);
}

SDL_Window* createTestWindow(int width, int height) {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
    SDL_Window* window = SDL_CreateWindow("gpu test", 0, 0, width, height, SDL_WINDOW_OPENGL);
    if (!window) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    // Pixels of an X window read back only once the server has mapped it.
    for (Uint32 start = SDL_GetTicks(); SDL_GetTicks() - start < 10000;) {
        SDL_Event event;
        if (SDL_WaitEventTimeout(&event, 50) && event.type == SDL_WINDOWEVENT &&
            event.window.event == SDL_WINDOWEVENT_EXPOSED) {
            break;
        }
        if (!display || !*display) break;
    }
    return window;
}

void destroyTestWindow(SDL_Window* window) {
    if (!window) return;
    SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

namespace {

// Reads the X window itself: what the server shows, after the swap.
bool readX11Window(SDL_Window* window, int width, int height, std::vector<std::uint8_t>* rgb) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
    XImage* image = XGetImage(info.info.x11.display, info.info.x11.window, 0, 0, width, height, AllPlanes, ZPixmap);
    if (!image) return false;
    rgb->resize(std::size_t(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            unsigned long pixel = XGetPixel(image, x, y);
            std::uint8_t* out = &(*rgb)[(std::size_t(y) * width + x) * 3];
            out[0] = static_cast<std::uint8_t>((pixel & image->red_mask) >> 16);
            out[1] = static_cast<std::uint8_t>((pixel & image->green_mask) >> 8);
            out[2] = static_cast<std::uint8_t>(pixel & image->blue_mask);
        }
    }
    XDestroyImage(image);
    return true;
}

}  // namespace

std::vector<std::uint8_t> readWindow(SDL_Window* window, gpu::DeviceContext& context, int width, int height) {
    glFinish();
    std::vector<std::uint8_t> rgb;
    if (readX11Window(window, width, height, &rgb)) return rgb;
    std::vector<std::uint8_t> bottomUp(std::size_t(width) * height * 3);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_FRONT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    context.invalidateGlState();
    rgb.resize(bottomUp.size());
    std::size_t row = std::size_t(width) * 3;
    for (int y = 0; y < height; ++y) {
        std::memcpy(rgb.data() + y * row, bottomUp.data() + (height - 1 - y) * row, row);
    }
    return rgb;
}

}  // namespace testing_support
