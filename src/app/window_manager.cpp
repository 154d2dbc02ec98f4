#include "app/window_manager.h"

#include <cstdio>
#include <iostream>

#include <spdlog/spdlog.h>

#include "app/debug_overlay.h"
#include "app/demo.h"
#include "app/frame_timer.h"
#include "app/logging.h"
#include "audio/audio_manager.h"
#include "platform/process/console.h"
#include "platform/process/message_box.h"
#include "platform/process/process_exit.h"
#include "post/frame_renderer.h"
#include "render/graphics_context.h"

namespace {

constexpr const char* kWindowClassName = "WindowClass";
constexpr const char* kWindowTitle = "CorvidMinimal";

}  // namespace

WindowManager::WindowManager(void* instance, ConfigValues* config, Demo* demo)
    : config(config), demo(demo), resources(ResourceManifest::instance()), instance(instance), logger(demoLogger()) {
    applySettings();
    switch (demo->displaySettings.windowMode) {
        case 0: fullScreen = true, framed = false; break;
        case 1: fullScreen = false, framed = true; break;
        case 2: fullScreen = false, framed = false; break;
        default: break;  // the built-in configuration never gives another mode
    }
}

void WindowManager::applySettings() {
    DisplaySettings& settings = demo->displaySettings;
    settings.moduleInstance = instance;
    settings.alwaysOnTop = config->flagSettings["alwaysOnTop"];
    settings.width = static_cast<uint32_t>(config->numericSettings["width"]);
    settings.height = static_cast<uint32_t>(config->numericSettings["height"]);
    settings.windowMode = config->flagSettings["windowed"];
    settings.vsync = config->numericSettings["vsync"];
    settings.multiSample = config->numericSettings["multiSample"];
}

void WindowManager::openConsole() {
    // Unbuffered streams, so that output shows at once next to the window.
    const auto [x, y] = config->windowPositions["consoleWindowPosition"];
    platform::openConsoleStreams();
    std::wcout.clear();
    std::cout.clear();
    std::wcerr.clear();
    std::cerr.clear();
    std::wcin.clear();
    std::cin.clear();
    platform::moveConsoleWindow(x, y);
}

bool WindowManager::createWindow(platform::WindowProcedure procedure, Demo* handler) {
    if (!platform::registerWindowClass(kWindowClassName, procedure)) {
        platform::showMessageBox("Window Registration Failed!", "Error!", platform::MessageBoxIcon::Exclamation);
        return false;
    }
    const auto [x, y] = config->windowPositions["mainWindowPosition"];
    platform::WindowDesc desc;
    desc.title = kWindowTitle;
    desc.style = framed ? platform::WindowStyle::Framed : platform::WindowStyle::Popup;
    desc.x = x;
    desc.y = y;
    desc.width = static_cast<int>(demo->displaySettings.width);
    desc.height = static_cast<int>(demo->displaySettings.height);
    desc.fullScreen = fullScreen;
    window = platform::createWindow(kWindowClassName, desc);
    if (!window) return false;
    platform::setWindowUserData(window, handler);
    return true;
}

bool WindowManager::pumpMessage() {
    platform::Message message;
    if (!platform::getMessage(message)) return false;
    platform::dispatchMessage(message);
    AudioManager* manager = audio.load(std::memory_order_acquire);
    if (!manager) return true;
    AudioManagerInterface* channel = manager->getAudio();
    return !(channel->getPosition() >= channel->getLength());
}

void WindowManager::attachGraphics(GraphicsContext* context) {
    const DisplaySettings& settings = demo->displaySettings;
    context->createDevice(window);
    // The picture is the configured size (times --scale) and keeps it: the window only decides where it is shown.
    context->keepPictureSize(true);
    context->createSwapChain(window, demo->picture.width, demo->picture.height, 60, fullScreen);
    if (settings.alwaysOnTop == 1) platform::makeWindowTopmost(window);
    graphics = context;
}

void WindowManager::setViewport(gpu::Viewport& viewport) {
    viewport.TopLeftX = 0.0f;
    viewport.TopLeftY = 0.0f;
    viewport.Width = static_cast<float>(demo->picture.width);
    viewport.Height = static_cast<float>(demo->picture.height);
    viewport.MinDepth = 0.0f;
    viewport.MaxDepth = 1.0f;
    if (graphics && graphics->immediateContext) graphics->immediateContext->RSSetViewports(1, &viewport);
}

void WindowManager::renderFrame() {
    gpu::DeviceContext* context = graphics ? graphics->immediateContext : nullptr;
    if (frameTimer) frameTimer->frameBegun(context);
    if (!renderer->beginFrame()) exitProgram(100);
    if (frameTimer) frameTimer->sceneDrawn(context);
    renderer->postProcess();
    if (frameTimer) frameTimer->postDrawn(context);
}

void WindowManager::exitProgram(uint32_t timeout, int exitCode) {
    DebugOverlay::instance().shutdown();
    if (logger) logger->flush();
    spdlog::drop_all();
    platform::postCloseToOwnWindows();
    platform::terminateOwnProcessAfter(timeout, exitCode);
}
