#pragma once

// gpu::SwapChain: DXGI's swap chain for an SDL window.
//
// The window: create it on the main thread with SDL_WINDOW_OPENGL (SDL_Init(SDL_INIT_VIDEO) first; no other GL
// attribute is needed, the default double-buffered visual serves). Then, on the engine thread, gpu::CreateDevice
// with that window creates the GL 4.5 core context there (SDL_GL_CreateContext), and CreateSwapChain for the same
// window. Present and ResizeBuffers run on that thread only.
//
// The back buffer is a texture with its own framebuffer: D3D's top-left origin holds for it like for every other
// target, and Present copies it to the window turned upright (sRGB conversion off for the copy, so the bytes
// pass unchanged), then swaps with SDL_GL_SwapWindow, paced by SDL_GL_SetSwapInterval(sync interval).

#include <cstdint>

#include <epoxy/gl.h>

#include "platform/gpu/descs.h"
#include "platform/gpu/ref_counted.h"
#include "platform/gpu/result.h"
#include "platform/gpu/texture2d.h"

struct SDL_Window;

namespace gpu {

class Device;

struct Rational {
    std::uint32_t Numerator = 0;
    std::uint32_t Denominator = 0;
};

struct ModeDesc {
    std::uint32_t Width = 0;  // 0: the window's drawable size
    std::uint32_t Height = 0;
    Rational RefreshRate;
    gpu::Format Format = gpu::Format::R8G8B8A8_UNORM;
    std::uint32_t ScanlineOrdering = 0;
    std::uint32_t Scaling = 0;
};

enum SwapChainUsage : std::uint32_t { USAGE_SHADER_INPUT = 0x10, USAGE_RENDER_TARGET_OUTPUT = 0x20 };
enum class SwapEffect : std::uint32_t { Discard = 0, Sequential = 1, FlipSequential = 3, FlipDiscard = 4 };
enum PresentFlag : std::uint32_t { PRESENT_TEST = 0x1 };
// How Present fits a back buffer of another size than the window (DXGI_SCALING's numbers): stretched to the whole
// window, or as large as the window allows with its aspect kept and black bars beside or above it.
enum class Scaling : std::uint32_t { Stretch = 0, AspectRatioStretch = 2 };

struct SwapChainDesc {
    ModeDesc BufferDesc;
    gpu::SampleDesc SampleDesc;
    std::uint32_t BufferUsage = USAGE_RENDER_TARGET_OUTPUT;
    std::uint32_t BufferCount = 2;
    SDL_Window* OutputWindow = nullptr;
    bool Windowed = true;
    gpu::SwapEffect SwapEffect = gpu::SwapEffect::Discard;
    std::uint32_t Flags = 0;
    gpu::Scaling Scaling = gpu::Scaling::Stretch;
};

// Where Present puts a buffer of bufferWidth x bufferHeight in a window of windowWidth x windowHeight: x, y (from
// the window's top-left), width, height in window pixels.
struct PresentRect {
    int x = 0, y = 0, width = 0, height = 0;
};
PresentRect presentRect(Scaling scaling, int bufferWidth, int bufferHeight, int windowWidth, int windowHeight);

class SwapChain final : public RefCounted {
public:
    // Buffer 0 only, as with the discard swap effect.
    Result GetBuffer(std::uint32_t index, Ref<Texture2D>* buffer);
    // syncInterval 0..4; PRESENT_TEST presents nothing.
    Result Present(std::uint32_t syncInterval, std::uint32_t flags);
    // 0 keeps the count or format; width or height 0 take the window's drawable size. Fails with InvalidCall while
    // anything outside the swap chain (a texture reference, a view) still holds the back buffer.
    Result ResizeBuffers(std::uint32_t bufferCount, std::uint32_t width, std::uint32_t height, Format format,
                         std::uint32_t flags);
    Result GetDesc(SwapChainDesc* desc) const;
    // Full-screen state as asked for at creation. The window's mode is the window owner's business (main thread).
    Result GetFullscreenState(bool* fullscreen) const;

    // Drawn by Present over the picture in window pixels (the window's own framebuffer bound, GL's bottom-left
    // origin), after the copy and before the swap: the debug overlay, which would come out upside down in the
    // back buffer. Null draws nothing.
    using OverlayCallback = void (*)(void* user, int windowWidth, int windowHeight);
    void setOverlay(OverlayCallback callback, void* user);

    // Layer internals.
    SwapChain(Device& device, const SwapChainDesc& desc);
    ~SwapChain() override;
    Result createBackBuffer();

private:
    void dropBackBuffer();

    Device& device_;
    SwapChainDesc desc_;
    Ref<Texture2D> backBuffer_;
    GLuint readFramebuffer_ = 0;
    int interval_ = -1;
    OverlayCallback overlay_ = nullptr;
    void* overlayUser_ = nullptr;
};

// IDXGIFactory::CreateSwapChain. The device must have been created for desc.OutputWindow, on this thread, and
// outlives the swap chain.
Result CreateSwapChain(Device* device, const SwapChainDesc& desc, Ref<SwapChain>* swapChain);

}  // namespace gpu
