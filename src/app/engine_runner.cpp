#include "app/engine_runner.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <thread>

#include "app/debug_overlay.h"
#include "app/demo.h"
#include "app/frame_screenshot.h"
#include "app/live_reload.h"
#include "app/window_manager.h"
#include "audio/audio_manager.h"
#include "base/music_format.h"
#include "platform/process/debug_output.h"
#include "platform/process/system_path.h"
#include "base/wide_text.h"
#include "post/effect_registry.h"
#include "post/frame_renderer.h"
#include "platform/sound/sound_decoder.h"
#include "render/graphics_context.h"
#include "resources/resource_manifest.h"

#include <SDL.h>

EngineRunner::EngineRunner(Demo* demo, std::shared_ptr<spdlog::logger> logger, ResourceHandle<DemoTimeline> timeline)
    : demo(demo), logger(std::move(logger)), timeline(std::move(timeline)) {}

void EngineRunner::stop(const char* consoleMessage) {
    if (consoleMessage) std::fprintf(stderr, "%s\n", consoleMessage);
    demo->window->exitProgram(100);
}

void EngineRunner::operator()() {
    try {
        setUp();
        frameLoop();
    } catch (const std::exception& error) {
        logger->critical("{}", error.what());
        std::fprintf(stderr, "%s\n", error.what());
        demo->window->exitProgram(100, 1);
    }
}

void EngineRunner::setUp() {
    WindowManager* window = demo->window;
    const DisplaySettings& settings = demo->displaySettings;

    // The music decodes (in the file helper) while the device is made; readAudioFile below takes the result.
    if (const std::u16string* track = ResourceManifest::instance().findPath("audioTrack"))
        sound::prefetchAudioFile(narrowToUtf8(*track));

    logger->info("DirectX: creating context");
    auto* graphics = new GraphicsContext();
    demo->publishGraphics(graphics);
    window->attachGraphics(graphics);
    if (!graphics->device || !graphics->swapChain) {
        logger->critical("DirectX: unable to create the graphics device or its swap chain");
        stop("Unable to create the graphics device or its swap chain for the window.");
    }

    logger->info("DirectX: creating viewport");
    gpu::Viewport viewport{};
    window->setViewport(viewport);

    DebugOverlay::instance().initialize(window->windowHandle(), SDL_GL_GetCurrentContext(),
                                        static_cast<float>(settings.width), static_cast<float>(settings.height));

    const ResourceManifest resources = ResourceManifest::instance();
    // The run goes on with what could be read; without this line a broken manifest shows only as its
    // consequence (no music track, say).
    if (!resources.loadError().empty()) {
        logger->error("Unable to read the resource manifest: {}", resources.loadError());
        std::fprintf(stderr, "Unable to read the resource manifest: %s\n", resources.loadError().c_str());
    }

    auto* audio = new AudioManager();
    demo->audio = audio;
    audio->setTimeline(timeline);
    if (!audio->isInitialized()) stop("Unable to start the sound system.");
    const std::u16string* track = resources.findPath("audioTrack");
    if (!audio->readAudioFile(track ? *track : std::u16string())) stop("Unable to read the music track.");
    window->setAudio(audio);
    window->setTimeline(timeline);

    if (demo->editorMode) {
        if (demo->options.startSeconds) {
            const double bytes = *demo->options.startSeconds * music_format::kBytesPerSecond;
            audio->setPosition(clampToTrack(static_cast<int64_t>(std::min(bytes, 1e18)), audio->getAudio()->getLength()));
        } else {
            audio->setPosition(static_cast<uint64_t>(demo->config.editorState["position"]));
        }
    } else {
        audio->setPosition(0);
        demo->config.editorState["paused"] = 0;
        platform::showCursor(false);
    }

    auto* effects = new EffectRegistry();
    demo->effects = effects;
    auto* renderer = new FrameRenderer(graphics, audio, timeline, demo->picture);
    renderer->setEffects(effects);
    renderer->loadResources();
    renderer->loadTimelineScenes();
    window->setRenderer(renderer);

    if (demo->editorMode) {
        demo->transport.bindState(&demo->config.editorState["position"], &demo->config.editorState["paused"]);
        frameTimer.create(graphics->device.get());
        window->setFrameTimer(&frameTimer);
        if (graphics->swapChain) graphics->swapChain->setOverlay(DebugOverlay::renderToWindow, &DebugOverlay::instance());
        liveReload = std::make_unique<LiveReload>();
        startEditing();
        LiveReload::Setup reload;
        reload.renderer = renderer;
        reload.device = graphics->device.get();
        reload.timeline = timeline;
        reload.requestRedraw = [this] { demo->redrawRequested = true; };
        if (demo->timelineEditor.isOpen()) {
            reload.isOwnWrite = [this](std::string_view text) { return demo->timelineEditor.isOwnWrite(text); };
            reload.timelineTaken = [this](const std::string& text) { demo->timelineEditor.takeExternal(text); };
        }
        if (!liveReload->start(std::move(reload))) {
            status = "the show's files cannot be watched: no live reload";
            statusIsError = true;
        }
    }

    if (demo->config.editorState["paused"] == 0) audio->play();
    demo->engineStarted = true;
}

void EngineRunner::frameLoop() {
    WindowManager* window = demo->window;
    GraphicsContext* graphics = demo->graphicsContext();
    AudioManagerInterface* channel = demo->audio->getAudio();
    const uint32_t syncInterval = static_cast<uint32_t>(demo->displaySettings.vsync);
    bool endAnnounced = false;

    while (demo->running) {
        // No frame is begun after the end of the music: the run ends while this thread waits, not a frame later
        // (a frame can take a second on a software renderer).
        if (endAnnounced) {
            waitWhileIdle();
            continue;
        }
        graphics->applyPendingResize();
        DebugOverlay::instance().newFrame();
        // The overlay's back end talks to GL directly, behind the graphics layer's state cache.
        graphics->immediateContext->invalidateGlState();
        const auto frameStart = demo->editorMode ? std::chrono::steady_clock::now() : std::chrono::steady_clock::time_point{};
        if (liveReload) {
            liveReload->applyPending();
            liveReload->takeStatus(status, statusIsError);
        }
        if (demo->editorMode) {
            runEditCommands();
            demo->transport.apply(*demo->audio, timeline->markerList());
        }
        window->renderFrame();
        if (demo->editorMode) editorFrameDone();
        graphics->swapChain->Present(syncInterval, 0);
        if (demo->editorMode) {
            measureFrame(frameStart);
            const TimelineEditor& editor = demo->timelineEditor;
            if (editor.changes() != editsShown && editor.lastChange() < frameStart) {
                // The first frame drawn after an edit is on screen now.
                editsShown = editor.changes();
                char line[96];
                std::snprintf(line, sizeof line, "edit: on screen %.1f ms after the change\n",
                              std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - editor.lastChange()).count());
                platform::debugOutput(line);
            }
        }

        // The main thread notices the end of the music only when a message arrives: send it one.
        if (channel->getPosition() >= channel->getLength()) {
            endAnnounced = true;
            platform::postMessage(window->windowHandle(), platform::WM_NULL, 0, 0);
        }
        if (!demo->audio->isPlaying()) waitWhileIdle();
    }
}

void EngineRunner::startEditing() {
    manifest = ResourceManifest::instance();
    if (const std::u16string* track = manifest.findPath("audioTrack")) waveform->start(platform::systemPath(*track));
    TimelineEditor::Setup setup;
    setup.timeline = timeline;
    setup.file = platform::systemPath(timeline->getPath().text());
    FrameRenderer* renderer = demo->window->frameRenderer();
    // Scenes that an edit names and nobody has loaded load in the background; their markers draw no scene until then.
    setup.changed = [this, renderer](const std::vector<TimelineMarker>& markers) {
        std::vector<std::string> names;
        for (const TimelineMarker& marker : markers) {
            if (marker.scene.empty() || renderer->sceneTable().count(marker.scene) ||
                renderer->scenesLoading.count(marker.scene)) {
                continue;
            }
            renderer->scenesLoading.insert(marker.scene);
            names.push_back(marker.scene);
        }
        if (liveReload) liveReload->loadScenes(names);
        demo->redrawRequested = true;
    };
    std::string error;
    if (!demo->timelineEditor.open(std::move(setup), &error)) {
        status = error + ": no editing";
        statusIsError = true;
    }
}

void EngineRunner::runEditCommands() {
    demo->timelineEditor.runCommands(demo->audio->getAudio()->getPosition(), panels.selected);
}

void EngineRunner::editorFrameDone() {
    const FrameRenderer& renderer = *demo->window->frameRenderer();
    const MusicMoment& moment = renderer.drawnMoment();
    if (demo->screenshotRequested.exchange(false)) {
        const std::string file = screenshotFileName(moment.seconds);
        std::string error;
        if (writeFrameScreenshot(*demo->graphicsContext(), file, &error)) {
            status = "F12: wrote " + file;
            statusIsError = false;
        } else {
            status = "F12: " + error;
            statusIsError = true;
        }
    }
    if (!demo->overlayVisible) return;
    OverlayReport report;
    report.seconds = moment.seconds;
    report.position = moment.position;
    report.markerLabel = moment.marker.label.c_str();
    report.markerIndex = moment.markerIndex;
    report.markerCount = timeline->markerList().size();
    report.markerProgress = moment.progress;
    report.animationTime = renderer.drawnAnimationTime();
    report.frameMilliseconds = frameMilliseconds;
    report.framesPerSecond = framesPerSecond;
    report.sceneMilliseconds = frameTimer.sceneMilliseconds();
    report.postMilliseconds = frameTimer.postMilliseconds();
    report.gpuTimed = frameTimer.gpuTimed();
    report.paused = demo->transport.paused();
    report.looping = demo->transport.looping();
    report.status = status.c_str();
    report.statusIsError = statusIsError;
    report.saveTimeMilliseconds = demo->timelineEditor.lastSaveMilliseconds();
    EditorPanelsContext panelsContext;
    panelsContext.audio = demo->audio;
    panelsContext.renderer = demo->window->frameRenderer();
    panelsContext.editor = &demo->timelineEditor;
    panelsContext.transport = &demo->transport;
    panelsContext.manifest = &manifest;
    panelsContext.waveform = waveform.get();
    struct Panels {
        EngineRunner* runner;
        const EditorPanelsContext* context;
    } panelsCall{this, &panelsContext};
    DebugOverlay::instance().draw(report, [](void* context) {
        auto* call = static_cast<Panels*>(context);
        if (call->runner->panels.draw(*call->context)) call->runner->demo->redrawRequested = true;
    }, &panelsCall);
    demo->overlayTyping = DebugOverlay::instance().typing();
}

void EngineRunner::measureFrame(std::chrono::steady_clock::time_point frameStart) {
    using Milliseconds = std::chrono::duration<double, std::milli>;
    const double work = Milliseconds(std::chrono::steady_clock::now() - frameStart).count();
    // Smoothed over about ten frames, so the figures can be read.
    frameMilliseconds = frameMilliseconds == 0.0 ? work : frameMilliseconds * 0.9 + work * 0.1;
    if (lastFrameStart.time_since_epoch().count() != 0) {
        const double interval = Milliseconds(frameStart - lastFrameStart).count();
        if (interval > 0.0) {
            const double rate = 1000.0 / interval;
            framesPerSecond = framesPerSecond == 0.0 ? rate : framesPerSecond * 0.9 + rate * 0.1;
        }
    }
    lastFrameStart = frameStart;
}

void EngineRunner::waitWhileIdle() {
    for (int step = 0; step < 10 && demo->running; ++step) {
        if (demo->redrawRequested || demo->audio->isPlaying()) {
            demo->redrawRequested = false;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}
