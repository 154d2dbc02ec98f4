#include "app/demo.h"

#include <memory>
#include <thread>

#include <pugixml.hpp>

#include "app/command_line.h"
#include "app/config_manager.h"
#include "app/debug_overlay.h"
#include "app/engine_runner.h"
#include "app/logging.h"
#include "app/window_manager.h"
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
    if (commandLine.projectFile) {
        // The project file is only checked for being XML; nothing of it is used.
        pugi::xml_document project;
        project.load_file(commandLine.projectFile->c_str());
        (void)project.first_child();
    }

    setUpLogging();
    std::shared_ptr<spdlog::logger> logger = demoLogger();

    configManager = new ConfigManager(&config, "config.json");
    logger->info("Creating instance of Demo");
    window = new WindowManager(nullptr, &config, this);
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
