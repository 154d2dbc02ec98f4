#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <mutex>
#include <thread>

#include <SDL.h>
#include <imgui.h>

// What editor mode's overlay shows for one frame.
struct OverlayReport {
    double seconds = 0.0;        // music time
    uint64_t position = 0;       // music position, bytes
    const char* markerLabel = "";
    std::optional<size_t> markerIndex;
    size_t markerCount = 0;
    double markerProgress = 0.0;
    std::optional<double> animationTime;  // what the scene was drawn at; none without a scene
    double frameMilliseconds = 0.0;       // the frame's own work, from its start to its presentation
    double framesPerSecond = 0.0;         // from the time between frame starts (low while paused: frames on demand)
    double sceneMilliseconds = 0.0;
    double postMilliseconds = 0.0;
    bool gpuTimed = false;  // scene and post measured by the GPU (else by the clock around their submission)
    bool paused = false;
    bool looping = false;
    const char* status = "";  // the last reload's or screenshot's result
    bool statusIsError = false;
    double saveTimeMilliseconds = 0.0;  // the editor's last save of the timeline; 0 before the first
};

// The immediate-mode debug overlay: set up on the engine thread, fed the window's input from the main thread,
// a frame begun every frame. Only editor mode draws with it (draw, then the swap chain's overlay callback).
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

    // Engine thread, after the frame is drawn and before it is presented: lays the report out for this frame, and
    // then whatever `more` lays out (editor mode's panels) in the same frame.
    void draw(const OverlayReport& report, void (*more)(void* context) = nullptr, void* context = nullptr);
    // Engine thread: whether a text field of the overlay has the keyboard (its keys are then not commands).
    bool typing() const { return typing_; }
    // The swap chain's overlay callback (platform/gpu/swap_chain.h): renders what draw laid out, if anything.
    static void renderToWindow(void* overlay, int windowWidth, int windowHeight);

    // The exit routine, any thread. The GL side is released only on the thread that owns the context.
    void shutdown();

private:
    static constexpr size_t kQueueSize = 256;

    std::mutex queueMutex;
    std::array<SDL_Event, kQueueSize> queue{};
    size_t queueHead = 0;
    size_t queueCount = 0;
    std::array<SDL_Event, kQueueSize> drained{};
    std::array<SDL_Event, 16> deferred{};  // key releases for the next frame
    size_t deferredCount = 0;

    std::atomic<bool> initialized{false};
    std::atomic<bool> frameOpen{false};
    bool drawPending = false;
    std::atomic<bool> resizePending{false};
    std::atomic<float> pendingWidth{0.0f};
    std::atomic<float> pendingHeight{0.0f};
    std::thread::id owner;
    bool typing_ = false;
    ImVec2 pointer{-1.0f, -1.0f};  // the last position the window's events gave, window pixels
    bool buttonsDown[3] = {false, false, false};     // left, right, middle, by the events
    bool buttonsPressed[3] = {false, false, false};  // pressed since the last frame
    std::mutex lifecycleMutex;
};
