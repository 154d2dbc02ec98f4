#pragma once

#include <chrono>
#include <memory>
#include <string>

#include <spdlog/logger.h>

#include "app/editor_panels.h"
#include "app/frame_timer.h"
#include "app/live_reload.h"
#include "app/waveform_peaks.h"
#include "resources/demo_timeline.h"
#include "resources/resource_registry.h"

class Demo;

// The engine thread: sets up the graphics, the overlay, the music and the frame renderer in a fixed order, then
// draws frames until the main thread ends the run. The music's position is the clock; Present paces the frames.
class EngineRunner {
public:
    EngineRunner(Demo* demo, std::shared_ptr<spdlog::logger> logger, ResourceHandle<DemoTimeline> timeline);

    // A set-up error that cannot be handled (an empty timeline, an image that cannot be decoded) ends the run
    // in an orderly way with exit code 1, its reason logged and printed.
    void operator()();

private:
    void setUp();
    // Ends the program through the exit routine; here when set-up cannot go on.
    [[noreturn]] void stop(const char* consoleMessage);
    void frameLoop();
    // While the music is not playing: up to 10 waits of 50 ms, cut short by input, by playback starting or by the
    // end of the run.
    void waitWhileIdle();
    // Editor mode, between drawing a frame and presenting it: the F12 screenshot and the overlay.
    void editorFrameDone();
    // Editor mode, at set-up: the timeline's editing, its panels and the waveform they show.
    void startEditing();
    // Editor mode: the editing keys pressed since the last frame.
    void runEditCommands();
    // Editor mode, after Present: the frame's time and the frame rate for the overlay.
    void measureFrame(std::chrono::steady_clock::time_point frameStart);

    Demo* demo;
    std::shared_ptr<spdlog::logger> logger;
    ResourceHandle<DemoTimeline> timeline;

    // Editor mode.
    FrameTimer frameTimer;
    std::unique_ptr<LiveReload> liveReload;
    EditorPanels panels;
    std::unique_ptr<WaveformPeaks> waveform = std::make_unique<WaveformPeaks>();
    ResourceManifest manifest;
    uint64_t editsShown = 0;
    std::chrono::steady_clock::time_point lastFrameStart{};
    double frameMilliseconds = 0.0;
    double framesPerSecond = 0.0;
    std::string status;  // the last reload's or screenshot's result, shown by the overlay
    bool statusIsError = false;
};
