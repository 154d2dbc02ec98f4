#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <tuple>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/gpu/device.h"
#include "platform/process/file_watcher.h"
#include "resources/demo_timeline.h"
#include "resources/resource_manifest.h"
#include "resources/resource_registry.h"

class FrameRenderer;

// Editor mode's live reload: a worker thread watches the show's files and, when one is saved, reads or
// compiles what depends on it in the background; the engine thread swaps the result in between two frames.
//  - the timeline: read again; scenes that new markers name load in the background and draw nothing until then;
//    a malformed or empty timeline keeps the one before;
//  - an HLSL file, or a file it includes: every program built from it is compiled again; a program that does
//    not compile keeps the one before;
//  - a scene file, or an image a scene's material uses: those scenes are loaded again.
// What failed is said in the status (the overlay shows it) and the old object stays. The worker hands over one
// result at a time and waits until the engine thread has taken it, so what the worker reads of the renderer
// (the scene table, the programs' source files) changes only while the worker waits.
class LiveReload {
public:
    struct Setup {
        FrameRenderer* renderer = nullptr;
        gpu::Device* device = nullptr;
        // The handle's slot is where every holder reads the timeline: the new one is put there.
        ResourceHandle<DemoTimeline> timeline;
        // Wakes a frame loop that waits while the music does not play.
        std::function<void()> requestRedraw;
        std::string folder = "resources";
        // Editor mode's timeline editing: whether a saved timeline's text is what the editor wrote itself (then it
        // is not read again), and, on the engine thread, the text of a timeline another program saved, once it
        // is in use.
        std::function<bool(std::string_view text)> isOwnWrite;
        std::function<void(const std::string& text)> timelineTaken;
    };

    LiveReload() = default;
    ~LiveReload();
    LiveReload(const LiveReload&) = delete;
    LiveReload& operator=(const LiveReload&) = delete;

    // Engine thread, once the renderer has loaded everything. False when the folder cannot be watched.
    bool start(Setup setup);
    void stop();

    // Engine thread, at the start of each frame: takes over what the worker has ready. One atomic load when
    // nothing is.
    void applyPending();

    // Any thread: loads these scenes in the background (a timeline the editor changed names them), and puts each in
    // the frame renderer's table between two frames.
    void loadScenes(std::vector<std::string> names);

    // Engine thread: the last reload's result, when it is new since the last call.
    bool takeStatus(std::string& text, bool& isError);
    // Waits until none of `files` has changed size or modification time for `quiet` (a save still being written
    // is not read half-way), at most `longest`; files that do not exist count as settled. False when `stop` asked
    // to stop first.
    static bool waitUntilSettled(const std::vector<std::string>& files, std::chrono::milliseconds quiet,
                                 std::chrono::milliseconds longest, const std::function<bool()>& stop);

    // Reloads carried out (applied or refused), for tests and figures.
    std::uint64_t reloads() const { return reloads_.load(); }

private:
    void run();
    void process(const std::vector<std::string>& changed);
    // False when there was nothing to do (the editor's own save).
    bool reloadTimeline();
    void loadNewScenes(const std::vector<std::string>& names);
    void reloadScenes(const std::vector<std::string>& names);
    void reloadShaders(const std::vector<std::string>& files);
    // Gives `apply` to the engine thread and waits until it has run there. False when stopping.
    bool handOver(std::function<void()> apply);
    void report(const std::string& text, bool isError);
    // Publishes what the reports of one batch of changes said.
    void closeBatch();

    Setup setup_;
    // The timeline's path, taken before the worker starts: the engine thread replaces the timeline object (the
    // editor's edits, a reload handed over), so the worker never reads through the handle.
    ResourcePath timelinePath_;
    ResourceManifest manifest_;
    platform::FileWatcher watcher_;
    std::thread worker_;
    std::atomic<bool> stopping_{false};
    std::atomic<std::uint64_t> reloads_{0};

    std::mutex mutex_;
    std::condition_variable taken_;
    std::function<void()> pending_;
    std::vector<std::string> scenesToLoad_;
    std::atomic<bool> hasPending_{false};
    std::string status_;
    bool statusIsError_ = false;
    bool statusIsNew_ = false;
    // The worker's batch of reports, published together (worker thread only).
    bool batchOpen_ = false;
    std::string batchText_;
    bool batchIsError_ = false;
};
