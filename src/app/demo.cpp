#include "app/demo.h"

#include <cstdio>
#include <memory>
#include <thread>

#include "app/command_line.h"
#include "app/config_manager.h"
#include "app/debug_overlay.h"
#include "app/engine_runner.h"
#include "app/logging.h"
#include "app/window_manager.h"
#include "platform/process/command_line_source.h"
#include "platform/window/window.h"
#include "render/graphics_context.h"
#include "resources/demo_timeline.h"

namespace {

int64_t windowProcedure(const platform::Message& message) {
    auto* demo = static_cast<Demo*>(platform::windowUserData(message.window));
    if (demo) return demo->handleMessage(message);
    return platform::defaultWindowProcedure(message);
}

}  // namespace

Demo::Demo() {
    factories.registerFactory<DemoTimeline>(std::make_unique<TimelineFactory>());
    timelinePath = ResourcePath(kTimelineFile);
}

Demo::~Demo() = default;

int Demo::run() {
    CommandLine commandLine;
    editorMode = commandLine.editor;
    if (commandLine.projectFile) (void)checkProjectFile(*commandLine.projectFile);
    options = parsePlayerOptions(commandLine.arguments);
    reportOptions(editorMode);

    setUpLogging();
    std::shared_ptr<spdlog::logger> logger = demoLogger();

    configManager = new ConfigManager(&config, "config.json");
    std::optional<std::pair<int, int>> desktop;
    if (options.windowMode == 0 && !options.width) desktop = platform::desktopSize();
    applyPlayerOptions(options, config, desktop);
    logger->info("Creating instance of Demo");
    window = new WindowManager(platform::moduleInstance(), &config, this);
    picture = pictureSize(displaySettings.width, displaySettings.height, options.scale);
    window->openConsole();
    logger->info("Console window open");
    window->createWindow(windowProcedure, this);
    logger->info("Window handler procedure assigned");
    engineStarted = false;

    ResourceHandle<DemoTimeline> timeline = factories.acquire<DemoTimeline>(timelinePath);
    std::thread engine(EngineRunner(this, logger, std::move(timeline)));

    while (running) running = window->pumpMessage();

    if (engineStarted) {
        engine.join();
    } else {
        engine.detach();  // still setting up (compiling, loading): not waited for
    }
    window->exitProgram(100);
    return 0;
}

int64_t Demo::handleMessage(const platform::Message& message) {
    DebugOverlay::instance().handleInput(message.event);
    switch (message.message) {
        case platform::WM_DESTROY:
            platform::postQuitMessage(0);
            break;
        case platform::WM_SIZE: {
            const int width = platform::lowWord(message.lParam);
            const int height = platform::highWord(message.lParam);
            // The engine thread owns the immediate context: it applies the new size between two frames.
            if (GraphicsContext* context = graphicsContext()) context->requestResize(width, height);
            DebugOverlay::instance().requestDisplaySize(static_cast<float>(width), static_cast<float>(height));
            break;
        }
        case platform::WM_KEYDOWN:
            redrawRequested = true;
            handleKey(message.wParam);
            if (editorMode) handleEditorKey(message.wParam, platform::shiftHeld(message));
            break;
        case platform::WM_MOUSEMOVE:
        case platform::WM_MBUTTONDOWN:
            redrawRequested = true;
            break;
        default:
            break;
    }
    return platform::defaultWindowProcedure(message);
}

void Demo::handleKey(uint64_t key) {
    // The device stays alive: the engine thread may still be drawing with it, and the process end releases it.
    if (key == platform::VK_ESCAPE) platform::postQuitMessage(0);
}

void Demo::handleEditorKey(uint64_t key, bool shift) {
    if (key == platform::VK_F1) {
        overlayVisible = !overlayVisible;
    } else if (key == platform::VK_F12) {
        screenshotRequested = true;
    } else if (const std::optional<TransportCommand> command = transportCommandForKey(key, shift)) {
        transport.press(*command);
    }
}

void Demo::reportOptions(bool editor) const {
    std::vector<std::string> problems = options.problems;
    if (options.startSeconds && !editor) problems.emplace_back("--at is for editor mode; the show starts at its beginning");
    for (const std::string& problem : problems) std::fprintf(stderr, "demo: %s\n", problem.c_str());
    if (!options.problems.empty()) std::fprintf(stderr, "%s\n", kPlayerUsage);
}
