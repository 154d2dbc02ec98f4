#pragma once

#include <atomic>
#include <cstdint>

#include "app/config_values.h"
#include "app/display_settings.h"
#include "app/player_options.h"
#include "app/timeline_editor.h"
#include "app/transport.h"
#include "base/frame_size.h"
#include "platform/window/messages.h"
#include "resources/resource_path.h"
#include "resources/resource_registry.h"

class GraphicsContext;
class WindowManager;
class ConfigManager;
class AudioManager;
class EffectRegistry;

// The application: runs the main thread from the command line to the exit routine and owns what both threads
// share. The main and the engine thread share only the four flags and the two pointers the engine thread
// publishes once (graphics here, the audio manager in the window object).
class Demo {
public:
    Demo();
    ~Demo();
    Demo(const Demo&) = delete;
    Demo& operator=(const Demo&) = delete;

    // Always 0 when it returns; normally the exit routine ends the process before.
    int run();

    // The window procedure's handler for every message of the main window; answers the default procedure's
    // answer.
    int64_t handleMessage(const platform::Message& message);
    void handleKey(uint64_t key);

    GraphicsContext* graphicsContext() const { return graphics.load(std::memory_order_acquire); }
    void publishGraphics(GraphicsContext* context) { graphics.store(context, std::memory_order_release); }

    DisplaySettings displaySettings{};
    std::atomic<GraphicsContext*> graphics{nullptr};
    WindowManager* window = nullptr;
    ConfigValues config;
    ConfigManager* configManager = nullptr;
    ResourceRegistry factories;
    AudioManager* audio = nullptr;
    EffectRegistry* effects = nullptr;
    std::atomic<bool> engineStarted{false};
    std::atomic<bool> editorMode{false};
    std::atomic<bool> running{true};
    std::atomic<bool> redrawRequested{false};
    ResourcePath timelinePath;

    // Beyond the command line's two words: the party-hall and editor options of this run, the size the frame is
    // drawn at (the window's, times --scale), and editor mode's transport and overlay keys.
    PlayerOptions options;
    FrameSize picture;
    Transport transport;
    std::atomic<bool> overlayVisible{true};
    std::atomic<bool> screenshotRequested{false};
    // Editor mode: the timeline's editing (its keys pressed here, carried out by the engine thread), and whether a
    // text field of the overlay has the keyboard, so that typing there is no command.
    TimelineEditor timelineEditor;
    std::atomic<bool> overlayTyping{false};

private:
    void reportOptions(bool editor) const;
    void handleEditorKey(uint64_t key, bool shift, bool control);
};
