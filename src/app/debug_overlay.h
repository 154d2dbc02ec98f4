#pragma once

#include <array>
#include <atomic>
#include <mutex>
#include <thread>

#include <SDL.h>

// The immediate-mode debug overlay: set up on the engine thread, fed the window's input from the main thread,
// a frame begun every frame; nothing is ever drawn with it.
class DebugOverlay {
public:
    static DebugOverlay& instance();

    // Engine thread, with the window and its current GL context.
    bool initialize(SDL_Window* window, void* glContext, float displayWidth, float displayHeight);
    // Engine thread, once per frame: hands over the queued input and starts an overlay frame.
    void newFrame();

    // Main thread: the window's input, queued for the engine thread (the oldest is dropped when it is full).
    void handleInput(const SDL_Event& event);
    // Main thread: the window's new client size, taken over at the next frame.
    void requestDisplaySize(float width, float height);

    // The exit routine, any thread. The GL side is released only on the thread that owns the context.
    void shutdown();

private:
    static constexpr size_t kQueueSize = 256;

    std::mutex queueMutex;
    std::array<SDL_Event, kQueueSize> queue{};
    size_t queueHead = 0;
    size_t queueCount = 0;
    std::array<SDL_Event, kQueueSize> drained{};

    std::atomic<bool> initialized{false};
    std::atomic<bool> frameOpen{false};
    std::atomic<bool> resizePending{false};
    std::atomic<float> pendingWidth{0.0f};
    std::atomic<float> pendingHeight{0.0f};
    std::thread::id owner;
    std::mutex lifecycleMutex;
};
