#include "render/graphics_context.h"

#include <cstdlib>

namespace {

constexpr gpu::FeatureLevel kFeatureLevels[] = {gpu::FeatureLevel::Level_11_0, gpu::FeatureLevel::Level_10_1};

[[noreturn]] void exitNow(int status) { std::_Exit(status); }

}  // namespace

GraphicsContext::ExitFunction GraphicsContext::exitProcess = exitNow;

GraphicsContext::~GraphicsContext() {
    if (immediateContext) immediateContext->ClearState();
    depthView = nullptr;
    depthTexture = nullptr;
    backBufferView = nullptr;
    backBufferTexture = nullptr;
    swapChain = nullptr;
    device = nullptr;
}

bool GraphicsContext::createDevice(SDL_Window* window) {
    gpu::Result result = gpu::CreateDevice(window, kFeatureLevels, 2, &device, nullptr, &immediateContext);
    if (result != gpu::Result::Ok) {
        device = nullptr;
        immediateContext = nullptr;
        return false;
    }
    return true;
}

bool GraphicsContext::createSwapChain(SDL_Window* window, std::uint32_t width, std::uint32_t height,
                                      std::uint32_t refreshNumerator, bool fullscreen) {
    acceptsResizes_.store(false, std::memory_order_release);
    if (!device) return false;
    gpu::SwapChainDesc desc;
    desc.BufferDesc.Width = width;
    desc.BufferDesc.Height = height;
    desc.BufferDesc.RefreshRate = {refreshNumerator, 1};
    desc.BufferDesc.Format = gpu::Format::R8G8B8A8_UNORM_SRGB;
    desc.SampleDesc = {1, 0};
    desc.BufferUsage = gpu::USAGE_RENDER_TARGET_OUTPUT;
    desc.BufferCount = 2;
    desc.OutputWindow = window;
    desc.Windowed = !fullscreen;
    desc.SwapEffect = gpu::SwapEffect::Discard;
    desc.Scaling = keepPictureSize_ ? gpu::Scaling::AspectRatioStretch : gpu::Scaling::Stretch;
    if (gpu::failed(gpu::CreateSwapChain(device.get(), desc, &swapChain))) return false;
    createBackBufferView();
    if (!backBufferView) {
        backBufferTexture = nullptr;
        swapChain = nullptr;
        return false;
    }
    createDepthBuffer(width, height);
    acceptsResizes_.store(true, std::memory_order_release);
    return true;
}

bool GraphicsContext::createOffscreenBackBuffer(std::uint32_t width, std::uint32_t height) {
    if (!device || width < 1 || height < 1) return false;
    gpu::Texture2DDesc desc;
    desc.Width = width;
    desc.Height = height;
    desc.Format = gpu::Format::R8G8B8A8_UNORM_SRGB;
    desc.BindFlags = gpu::BIND_RENDER_TARGET | gpu::BIND_SHADER_RESOURCE;
    if (gpu::failed(device->CreateTexture2D(desc, nullptr, &backBufferTexture))) return false;
    device->CreateRenderTargetView(backBufferTexture.get(), nullptr, &backBufferView);
    if (!backBufferView) {
        backBufferTexture = nullptr;
        return false;
    }
    createDepthBuffer(width, height);
    return true;
}

void GraphicsContext::createBackBufferView() {
    swapChain->GetBuffer(0, &backBufferTexture);
    if (backBufferTexture) device->CreateRenderTargetView(backBufferTexture.get(), nullptr, &backBufferView);
}

void GraphicsContext::createDepthBuffer(std::uint32_t width, std::uint32_t height) {
    depthView = nullptr;
    depthTexture = nullptr;
    gpu::Texture2DDesc desc;
    desc.Width = width;
    desc.Height = height;
    desc.Format = gpu::Format::D24_UNORM_S8_UINT;
    desc.BindFlags = gpu::BIND_DEPTH_STENCIL;
    gpu::Result result = device->CreateTexture2D(desc, nullptr, &depthTexture);
    if (gpu::failed(result)) {
        exitProcess(static_cast<int>(result));
        return;
    }
    gpu::DepthStencilViewDesc view;
    view.Format = gpu::Format::D24_UNORM_S8_UINT;
    device->CreateDepthStencilView(depthTexture.get(), &view, &depthView);
}

void GraphicsContext::resize(std::int32_t width, std::int32_t height) {
    if (!swapChain || width < 1 || height < 1 || keepPictureSize_) return;
    immediateContext->OMSetRenderTargets(0, nullptr, nullptr);
    backBufferView = nullptr;
    backBufferTexture = nullptr;
    swapChain->ResizeBuffers(0, 0, 0, gpu::Format::UNKNOWN, 0);
    createBackBufferView();
    gpu::RenderTargetView* target = backBufferView.get();
    immediateContext->OMSetRenderTargets(target ? 1 : 0, &target, nullptr);
    gpu::Viewport viewport{0.0f, 0.0f, static_cast<float>(width), static_cast<float>(height), 0.0f, 1.0f};
    immediateContext->RSSetViewports(1, &viewport);
    createDepthBuffer(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height));
}

void GraphicsContext::requestResize(std::int32_t width, std::int32_t height) {
    if (!acceptsResizes_.load(std::memory_order_acquire)) return;
    std::uint64_t packed =
        (std::uint64_t(static_cast<std::uint32_t>(width)) << 32) | static_cast<std::uint32_t>(height);
    pendingSize_.store(packed, std::memory_order_release);
}

void GraphicsContext::applyPendingResize() {
    std::uint64_t packed = pendingSize_.exchange(kNoRequest, std::memory_order_acq_rel);
    if (packed == kNoRequest || !swapChain) return;
    resize(static_cast<std::int32_t>(packed >> 32), static_cast<std::int32_t>(packed & 0xFFFFFFFFu));
}
