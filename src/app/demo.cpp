#include "app/demo.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>

#include "app/command_line.h"
#include "app/config_manager.h"
#include "app/debug_overlay.h"
#include "app/engine_runner.h"
#include "app/logging.h"
#include "app/setup_dialog.h"
#include "base/utf8_files.h"
#include "app/window_manager.h"
#include "platform/process/command_line_source.h"
#include "platform/window/window.h"
#include "render/graphics_context.h"
#include "resources/demo_timeline.h"

namespace {

// The words of the default-options file beside the program; none when there is no such file.
std::vector<std::string> defaultOptionWords() {
    const std::string folder = platform::programDirectory();
    if (folder.empty()) return {};
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(openUtf8File(folder + "/" + kDefaultOptionsFile, "rb"),
                                                         &std::fclose);
    if (!file) return {};
    std::string text;
    char chunk[4096];
    for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0;) text.append(chunk, got);
    return optionsFileWords(text);
}

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
    // Default options from the file beside the program come first: the command line's own override them.
    std::vector<std::string> words = withDefaultOptions(commandLine.arguments, defaultOptionWords());
    options = parsePlayerOptions(words);
    reportOptions(editorMode);
    if (options.programFolder) {
        // A packed show sits beside its player: found there however the player was started.
        std::error_code error;
        const std::string folder = platform::programDirectory();
        if (!folder.empty()) std::filesystem::current_path(utf8FilePath(folder), error);
        if (folder.empty() || error) std::fprintf(stderr, "demo: cannot change to the program's folder\n");
    }
    if (options.setup) {
        // Before anything is read or created: the dialog's choices are options like the typed ones.
        const std::optional<std::vector<std::string>> chosen = runSetupDialog(options, platform::displays());
        if (!chosen) return 0;
        words.insert(words.end(), chosen->begin(), chosen->end());
        options = parsePlayerOptions(words);
    }

    setUpLogging();
    std::shared_ptr<spdlog::logger> logger = demoLogger();

    configManager = new ConfigManager(&config, "config.json");
    std::optional<std::pair<int, int>> desktop;
    std::optional<std::pair<int, int>> corner;
    if (options.display) {
        const std::vector<platform::DisplayInfo> screens = platform::displays();
        const size_t index = static_cast<size_t>(*options.display - 1);
        if (index < screens.size()) {
            desktop = std::pair{screens[index].width, screens[index].height};
            corner = std::pair{screens[index].x, screens[index].y};
        } else {
            std::fprintf(stderr, "demo: there is no display %d; the first one is used\n", *options.display);
        }
    }
    if (!desktop && options.windowMode == 0 && !options.width) desktop = platform::desktopSize();
    applyPlayerOptions(options, config, desktop, corner);
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
            // Keys typed into a field of the editor's panel are text, not commands (F1 and F12 type nothing).
            if (editorMode && overlayTyping && message.wParam != platform::VK_F1 && message.wParam != platform::VK_F12) break;
            handleKey(message.wParam);
            if (editorMode) handleEditorKey(message.wParam, platform::shiftHeld(message), platform::controlHeld(message));
            break;
        case platform::WM_MOUSEMOVE:
        case platform::WM_MBUTTONDOWN:
            redrawRequested = true;
            break;
        default:
            // The editor's panels follow the mouse and the keyboard while the music is paused too.
            if (editorMode && (message.event.type == SDL_MOUSEBUTTONDOWN || message.event.type == SDL_MOUSEBUTTONUP ||
                               message.event.type == SDL_MOUSEWHEEL || message.event.type == SDL_TEXTINPUT ||
                               message.event.type == SDL_KEYUP)) {
                redrawRequested = true;
            }
            break;
    }
    return platform::defaultWindowProcedure(message);
}

void Demo::handleKey(uint64_t key) {
    // The device stays alive: the engine thread may still be drawing with it, and the process end releases it.
    if (key == platform::VK_ESCAPE) platform::postQuitMessage(0);
}

void Demo::handleEditorKey(uint64_t key, bool shift, bool control) {
    if (const std::optional<TimelineEditor::Command> command = editCommandForKey(key, control, shift)) {
        timelineEditor.press(*command);
    } else if (control) {
        return;  // Ctrl with a transport key is no transport command
    } else if (key == platform::VK_F1) {
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
