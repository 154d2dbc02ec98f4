#include "app/debug_overlay.h"

#include <algorithm>

#include <imgui.h>
#include <imgui_internal.h>
#include <backends/imgui_impl_opengl3.h>
#include <backends/imgui_impl_sdl.h>

#include "platform/process/debug_output.h"

DebugOverlay& DebugOverlay::instance() {
    static DebugOverlay overlay;
    return overlay;
}

bool DebugOverlay::initialize(SDL_Window* window, void* glContext, float displayWidth, float displayHeight) {
    std::lock_guard lock(lifecycleMutex);
    if (initialized || !window || !glContext) return false;
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;  // the overlay keeps no settings file
    // The cursor belongs to the player: hidden during a show, visible in editor mode. Left to the back end, every
    // new frame would show it again, and from the engine thread.
    io.ConfigFlags |= ImGuiConfigFlags_NoMouseCursorChange;
    io.DisplaySize = ImVec2(displayWidth, displayHeight);
    if (!ImGui_ImplSDL2_InitForOpenGL(window, glContext)) {
        platform::debugOutput("Debug overlay: the window back end did not start\n");
        ImGui::DestroyContext();
        return false;
    }
    if (!ImGui_ImplOpenGL3_Init("#version 450 core")) {
        platform::debugOutput("Debug overlay: the OpenGL back end did not start\n");
        ImGui_ImplSDL2_Shutdown();
        ImGui::DestroyContext();
        return false;
    }
    platform::debugOutput("Debug overlay: started\n");
    owner = std::this_thread::get_id();
    initialized = true;
    return true;
}

void DebugOverlay::newFrame() {
    if (!initialized || std::this_thread::get_id() != owner) return;
    size_t count = 0;
    {
        std::lock_guard lock(queueMutex);
        for (; count < queueCount; ++count) drained[count] = queue[(queueHead + count) % kQueueSize];
        queueHead = 0;
        queueCount = 0;
    }
    if (frameOpen) ImGui::EndFrame();
    // Key releases held back from the frame before (see below) come first.
    for (size_t i = 0; i < deferredCount; ++i) ImGui_ImplSDL2_ProcessEvent(&deferred[i]);
    deferredCount = 0;
    for (size_t i = 0; i < count; ++i) {
        // This version of ImGui reads keys as held or not once a frame: a key pressed and released within one
        // (slow) frame would be lost, so its release waits for the next frame.
        if (drained[i].type == SDL_KEYUP && deferredCount < deferred.size()) {
            bool pressedNow = false;
            for (size_t j = 0; j < i; ++j)
                pressedNow = pressedNow || (drained[j].type == SDL_KEYDOWN &&
                                            drained[j].key.keysym.scancode == drained[i].key.keysym.scancode);
            if (pressedNow) {
                deferred[deferredCount++] = drained[i];
                continue;
            }
        }
        ImGui_ImplSDL2_ProcessEvent(&drained[i]);
        // Where the pointer is, from the window's own events: the back end's query of the global pointer is not
        // updated by every server (a pointer moved under Xvfb stays where it was to it).
        if (drained[i].type == SDL_MOUSEMOTION) {
            pointer = ImVec2(static_cast<float>(drained[i].motion.x), static_cast<float>(drained[i].motion.y));
        } else if (drained[i].type == SDL_MOUSEBUTTONDOWN || drained[i].type == SDL_MOUSEBUTTONUP) {
            pointer = ImVec2(static_cast<float>(drained[i].button.x), static_cast<float>(drained[i].button.y));
            const int button = drained[i].button.button == SDL_BUTTON_LEFT ? 0 : drained[i].button.button == SDL_BUTTON_RIGHT ? 1 : 2;
            buttonsDown[button] = drained[i].type == SDL_MOUSEBUTTONDOWN;
            buttonsPressed[button] = buttonsPressed[button] || buttonsDown[button];
        }
    }
    if (resizePending.exchange(false)) {
        ImGui_ImplOpenGL3_DestroyDeviceObjects();
        ImGui::GetIO().DisplaySize = ImVec2(pendingWidth.load(), pendingHeight.load());
        ImGui_ImplOpenGL3_CreateDeviceObjects();
    }
    ImGui_ImplOpenGL3_NewFrame();
    ImGui_ImplSDL2_NewFrame();
    // The buttons too: the back end reads them from SDL's state, which the main thread updates ahead of the
    // events this frame has taken, so a press could be seen before the pointer's move to it. A press and release
    // within one frame still count as a click.
    if (pointer.x >= 0.0f) ImGui::GetIO().MousePos = pointer;
    for (int button = 0; button < 3; ++button) {
        ImGui::GetIO().MouseDown[button] = buttonsDown[button] || buttonsPressed[button];
        buttonsPressed[button] = false;
    }
    ImGui::NewFrame();
    frameOpen = true;
}

void DebugOverlay::draw(const OverlayReport& report, void (*more)(void* context), void* context) {
    if (!initialized || !frameOpen || std::this_thread::get_id() != owner) return;
    constexpr ImGuiWindowFlags kFlags = ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_AlwaysAutoResize |
                                        ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoFocusOnAppearing |
                                        ImGuiWindowFlags_NoNav | ImGuiWindowFlags_NoInputs;
    ImGui::SetNextWindowPos(ImVec2(12.0f, 12.0f));
    ImGui::SetNextWindowBgAlpha(0.65f);
    if (ImGui::Begin("Editor", nullptr, kFlags)) {
        const auto millis = static_cast<long long>(report.seconds * 1000.0 + 0.5);
        ImGui::Text("%02lld:%02lld.%03lld   byte %llu   %s%s", millis / 60000, millis / 1000 % 60, millis % 1000,
                    static_cast<unsigned long long>(report.position), report.paused ? "PAUSED" : "playing",
                    report.looping ? "   LOOP" : "");
        if (report.markerIndex) {
            ImGui::Text("marker %zu of %zu  \"%s\"  %5.1f %%", *report.markerIndex + 1, report.markerCount,
                        report.markerLabel, report.markerProgress * 100.0);
        } else {
            ImGui::Text("no marker here (%zu in the timeline)", report.markerCount);
        }
        if (report.animationTime) {
            ImGui::Text("scene animation time %.1f (ticks of the scene file)", *report.animationTime);
        } else {
            ImGui::TextUnformatted("no scene");
        }
        ImGui::Text("%.2f ms/frame: scene %.2f ms, post %.2f ms (%s)   %.1f fps", report.frameMilliseconds,
                    report.sceneMilliseconds, report.postMilliseconds, report.gpuTimed ? "GPU timer" : "CPU clock",
                    report.framesPerSecond);
        // Always a line, so that the window keeps its size when a result arrives.
        if (report.statusIsError) {
            const float displayWidth = ImGui::GetIO().DisplaySize.x;
            ImGui::PushStyleColor(ImGuiCol_Text, ImVec4(1.0f, 0.45f, 0.4f, 1.0f));
            ImGui::PushTextWrapPos(std::min(ImGui::GetFontSize() * 50.0f, std::max(displayWidth - 40.0f, 100.0f)));
            ImGui::TextUnformatted(report.status);
            ImGui::PopTextWrapPos();
            ImGui::PopStyleColor();
        } else {
            ImGui::TextUnformatted(report.status[0] != '\0' ? report.status : "live reload: watching resources/");
        }
        ImGui::TextDisabled("F1 hides this, F12 saves the frame");
        if (report.saveTimeMilliseconds > 0.0) ImGui::TextDisabled("timeline.xml saved in %.1f ms", report.saveTimeMilliseconds);
    }
    ImGui::End();
    if (more) more(context);
    // As this frame's widgets left it (WantTextInput would tell only at the next frame's start, and a paused
    // player may draw that frame only when a key arrives, which would then be taken for typing).
    const ImGuiContext& state = *ImGui::GetCurrentContext();
    typing_ = state.ActiveId != 0 && state.ActiveId == state.InputTextState.ID;
    ImGui::Render();
    frameOpen = false;
    drawPending = true;
}

void DebugOverlay::renderToWindow(void* overlay, int, int) {
    auto* self = static_cast<DebugOverlay*>(overlay);
    if (!self->drawPending || std::this_thread::get_id() != self->owner) return;
    self->drawPending = false;
    ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
}

void DebugOverlay::handleInput(const SDL_Event& event) {
    std::lock_guard lock(queueMutex);
    if (queueCount == kQueueSize) {
        queueHead = (queueHead + 1) % kQueueSize;
        --queueCount;
    }
    queue[(queueHead + queueCount) % kQueueSize] = event;
    ++queueCount;
}

void DebugOverlay::requestDisplaySize(float width, float height) {
    pendingWidth = width;
    pendingHeight = height;
    resizePending = true;
}

void DebugOverlay::shutdown() {
    std::lock_guard lock(lifecycleMutex);
    if (!initialized || std::this_thread::get_id() != owner) return;
    if (frameOpen) ImGui::EndFrame();
    ImGui_ImplOpenGL3_Shutdown();
    ImGui_ImplSDL2_Shutdown();
    ImGui::DestroyContext();
    initialized = false;
    frameOpen = false;
}
