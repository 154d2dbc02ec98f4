#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include <spdlog/logger.h>

#include "app/config_values.h"
#include "platform/gpu/descs.h"
#include "platform/window/window.h"
#include "resources/demo_timeline.h"
#include "resources/resource_manifest.h"
#include "resources/resource_registry.h"

class Demo;
class GraphicsContext;
class AudioManager;
class FrameRenderer;
class FrameTimer;

// The program's one window: settings, console, main window and message loop on the main thread; the engine
// thread attaches the graphics, the music, the timeline and the frame renderer as it creates them and draws each
// frame through it. Also carries the exit routine.
class WindowManager {
public:
    WindowManager(void* instance, ConfigValues* config, Demo* demo);
    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;

    // Main thread.
    void applySettings();
    void openConsole();
    bool createWindow(platform::WindowProcedure procedure, Demo* handler);
    bool pumpMessage();

    // Engine thread.
    platform::WindowHandle windowHandle() const { return window; }
    void attachGraphics(GraphicsContext* context);
    void setViewport(gpu::Viewport& viewport);
    void setAudio(AudioManager* manager) { audio.store(manager, std::memory_order_release); }
    void setTimeline(ResourceHandle<DemoTimeline> handle) { timeline = std::move(handle); }
    void setRenderer(FrameRenderer* frameRenderer) { renderer = frameRenderer; }
    FrameRenderer* frameRenderer() const { return renderer; }
    // Editor mode: times the scene and the effect chain of each frame (null: nothing is timed).
    void setFrameTimer(FrameTimer* timer) { frameTimer = timer; }
    // Draws one frame; ends the program when the current marker's scene is not loaded.
    void renderFrame();

    // Either thread: ends the process after `timeout` milliseconds with `exitCode` (0 unless a fatal error ends
    // the run).
    [[noreturn]] void exitProgram(uint32_t timeout, int exitCode = 0);

    bool isFullScreen() const { return fullScreen; }
    bool isFramed() const { return framed; }

private:
    ConfigValues* config;
    Demo* demo;
    ResourceManifest resources;
    void* instance;
    platform::WindowHandle window = nullptr;
    GraphicsContext* graphics = nullptr;
    std::atomic<AudioManager*> audio{nullptr};
    ResourceHandle<DemoTimeline> timeline;
    FrameRenderer* renderer = nullptr;
    FrameTimer* frameTimer = nullptr;
    bool fullScreen = false;
    bool framed = false;
    std::shared_ptr<spdlog::logger> logger;
};
