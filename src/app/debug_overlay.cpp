#include "app/debug_overlay.h"

#include <imgui.h>
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
    for (size_t i = 0; i < count; ++i) ImGui_ImplSDL2_ProcessEvent(&drained[i]);
    if (resizePending.exchange(false)) {
        ImGui_ImplOpenGL3_DestroyDeviceObjects();
        ImGui::GetIO().DisplaySize = ImVec2(pendingWidth.load(), pendingHeight.load());
        ImGui_ImplOpenGL3_CreateDeviceObjects();
    }
    ImGui_ImplOpenGL3_NewFrame();
    ImGui_ImplSDL2_NewFrame();
    ImGui::NewFrame();
    frameOpen = true;
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
