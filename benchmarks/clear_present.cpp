// Frames per second of the clear-and-present loop through the window path, and the time from start to the
// first presented frame. Run under an X server (or SDL_VIDEODRIVER=offscreen); software GL as in the tests.
//   bench_clear_present [width height [frames]]

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include <SDL.h>

#include "render/frame_targets.h"
#include "render/graphics_context.h"

int main(int argc, char** argv) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    int width = argc > 2 ? std::atoi(argv[1]) : 1920;
    int height = argc > 2 ? std::atoi(argv[2]) : 1080;
    int frames = argc > 3 ? std::atoi(argv[3]) : 300;
    if (width <= 0 || height <= 0 || frames <= 0) {
        std::fprintf(stderr, "usage: bench_clear_present [width height [frames]]\n");
        return 2;
    }
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "no video: %s\n", SDL_GetError());
        return 1;
    }
    SDL_Window* window = SDL_CreateWindow("clear_present", 0, 0, width, height, SDL_WINDOW_OPENGL);
    if (!window) {
        std::fprintf(stderr, "no window: %s\n", SDL_GetError());
        return 1;
    }
    auto graphics = std::make_unique<GraphicsContext>();
    if (!graphics->createDevice(window) ||
        !graphics->createSwapChain(window, std::uint32_t(width), std::uint32_t(height), 60, false)) {
        std::fprintf(stderr, "no device or swap chain\n");
        return 1;
    }
    gpu::DeviceContext& context = *graphics->immediateContext;
    gpu::Viewport viewport = fullViewport(std::uint32_t(width), std::uint32_t(height));
    context.RSSetViewports(1, &viewport);

    auto frame = [&] {
        SDL_PumpEvents();
        graphics->applyPendingResize();
        context.ClearRenderTargetView(graphics->backBufferView.get(), kClearColour);
        graphics->swapChain->Present(0, 0);
    };
    frame();
    glFinish();
    const double firstFrameMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();

    const auto loopStart = Clock::now();
    for (int i = 0; i < frames; ++i) frame();
    glFinish();
    const double seconds = std::chrono::duration<double>(Clock::now() - loopStart).count();
    std::printf("clear_present %dx%d sync 0 (%s, %s): %.1f frames/s over %d frames (%.2f ms a frame)\n", width, height,
                SDL_GetCurrentVideoDriver(), reinterpret_cast<const char*>(glGetString(GL_RENDERER)), frames / seconds,
                frames, 1000.0 * seconds / frames);
    std::printf("start to first presented frame: %.1f ms\n", firstFrameMs);
    graphics.reset();
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
