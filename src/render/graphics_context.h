#pragma once

// The program's one graphics device, immediate context and swap chain, with the back buffer's views and depth.
//
// Threads: createDevice, createSwapChain, resize and applyPendingResize run on the engine thread (the device's
// owner); requestResize on any thread. The window is made by the main thread with SDL_WINDOW_OPENGL (see
// platform/gpu/swap_chain.h); createDevice makes the GL context for it on the calling thread.

#include <atomic>
#include <cstdint>

#include "platform/gpu/device.h"
#include "platform/gpu/device_context.h"
#include "platform/gpu/swap_chain.h"

struct SDL_Window;

class GraphicsContext {
public:
    GraphicsContext() = default;
    GraphicsContext(const GraphicsContext&) = delete;
    GraphicsContext& operator=(const GraphicsContext&) = delete;
    // Children before the device (the fields' order would release the device before the swap chain).
    ~GraphicsContext();

    // Device and immediate context for the window (null: a headless device). True when both exist; on failure
    // every member stays null.
    bool createDevice(SDL_Window* window = nullptr);

    // Swap chain with an sRGB back buffer of width x height, its view, and a D24S8 depth buffer of that size.
    // True when the swap chain and the back buffer's view exist (there is no debug interface to report here);
    // false, with those members null, otherwise. A depth texture that cannot be made ends the process with the
    // failure code as exit status.
    bool createSwapChain(SDL_Window* window, std::uint32_t width, std::uint32_t height, std::uint32_t refreshNumerator,
                         bool fullscreen);

    // For a device without a window (offline rendering): a back buffer that is a texture of its own, sRGB like the
    // swap chain's, with its view and depth, and no swap chain. Frames drawn into it are read back instead of
    // presented. True when the texture and its view exist.
    bool createOffscreenBackBuffer(std::uint32_t width, std::uint32_t height);

    // The player's presentation, set before createSwapChain: the back buffer keeps the size it is made with,
    // whatever the window's, and Present shows it as large as the window allows with its aspect kept (black bars).
    // The frame's own targets never follow the window, so following it would only stretch the picture.
    void keepPictureSize(bool keep) { keepPictureSize_ = keep; }

    // The back buffer, its view, the viewport and the back buffer's depth follow the window (unless the picture
    // keeps its size, above); nothing else does.
    // Skipped while there is no swap chain, and for sizes below 1 (a minimised window), where a depth texture
    // could not be made.
    void resize(std::int32_t width, std::int32_t height);

    // Window-procedure side: records the latest size, lock-free. The engine thread applies it between frames.
    // A request made before the swap chain exists is dropped when it is made, so the rule does not depend on
    // when the engine thread's first frame comes: the swap chain takes the configured size.
    void requestResize(std::int32_t width, std::int32_t height);
    // Engine thread, between frames: runs resize for the latest request, if any.
    void applyPendingResize();

    // Where a failed back-buffer depth texture ends the process; tests replace it.
    using ExitFunction = void (*)(int status);
    static ExitFunction exitProcess;

    gpu::Ref<gpu::SwapChain> swapChain;
    gpu::Ref<gpu::Device> device;
    gpu::DeviceContext* immediateContext = nullptr;  // borrowed from the device
    gpu::Ref<gpu::RenderTargetView> backBufferView;
    gpu::Ref<gpu::Texture2D> backBufferTexture;
    gpu::Ref<gpu::Texture2D> depthTexture;
    gpu::Ref<gpu::DepthStencilView> depthView;

private:
    void createBackBufferView();
    void createDepthBuffer(std::uint32_t width, std::uint32_t height);

    static constexpr std::uint64_t kNoRequest = ~0ull;
    std::atomic<std::uint64_t> pendingSize_{kNoRequest};
    std::atomic<bool> acceptsResizes_{false};  // set once the swap chain and its back buffer exist
    bool keepPictureSize_ = false;
};
