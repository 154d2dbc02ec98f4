#include "app/setup_dialog.h"

#include <cstdio>
#include <cstdlib>

#include <SDL.h>
#include <epoxy/gl.h>
#include <imgui.h>
#include <backends/imgui_impl_opengl3.h>
#include <backends/imgui_impl_sdl.h>

#include "app/setup_choices.h"

const char* const kSetupWindowClass = "DemoSetup";

namespace {

constexpr int kDialogWidth = 560;
constexpr int kDialogHeight = 200;

std::optional<SetupChoices::Key> keyFor(const SDL_KeyboardEvent& key) {
    using Key = SetupChoices::Key;
    switch (key.keysym.sym) {
        case SDLK_UP: return Key::Up;
        case SDLK_DOWN: return Key::Down;
        case SDLK_TAB: return (key.keysym.mod & KMOD_SHIFT) ? Key::Up : Key::Down;
        case SDLK_LEFT: return Key::Left;
        case SDLK_RIGHT: return Key::Right;
        case SDLK_HOME: return Key::First;
        case SDLK_END: return Key::Last;
        case SDLK_SPACE: return Key::Activate;
        case SDLK_RETURN:
        case SDLK_KP_ENTER: return Key::Start;
        case SDLK_ESCAPE: return Key::Quit;
        default: return std::nullopt;
    }
}

void drawDialog(SetupChoices& choices) {
    const ImGuiIO& io = ImGui::GetIO();
    ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f));
    ImGui::SetNextWindowSize(io.DisplaySize);
    constexpr ImGuiWindowFlags kFlags = ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                                        ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoNav;
    if (ImGui::Begin("Setup", nullptr, kFlags)) {
        ImGui::TextUnformatted("CorvidMinimal");
        ImGui::TextDisabled("Up/Down: setting   Left/Right: change   Enter: start   Escape: quit");
        ImGui::Separator();
        ImGui::Spacing();
        const float valueColumn = ImGui::GetFontSize() * 8.0f;
        const float rightArrow = io.DisplaySize.x - ImGui::GetFrameHeight() - ImGui::GetStyle().WindowPadding.x;
        for (size_t i = 0; i < choices.rows().size(); ++i) {
            const SetupChoices::Row row = choices.rows()[i];
            if (row == SetupChoices::Row::Start) continue;
            const bool selected = row == choices.selectedRow();
            ImGui::PushID(static_cast<int>(i));
            ImGui::PushStyleColor(ImGuiCol_Text, selected ? ImVec4(1.0f, 0.85f, 0.3f, 1.0f)
                                                          : ImGui::GetStyleColorVec4(ImGuiCol_Text));
            ImGui::AlignTextToFramePadding();
            ImGui::Text("%s %s", selected ? ">" : " ", SetupChoices::label(row));
            ImGui::SameLine(valueColumn);
            if (ImGui::ArrowButton("less", ImGuiDir_Left)) choices.step(row, -1);
            ImGui::SameLine();
            ImGui::TextUnformatted(choices.valueText(row).c_str());
            ImGui::SameLine(rightArrow);
            if (ImGui::ArrowButton("more", ImGuiDir_Right)) choices.step(row, 1);
            ImGui::PopStyleColor();
            ImGui::PopID();
        }
        ImGui::Spacing();
        ImGui::Separator();
        ImGui::Spacing();
        const bool startSelected = choices.selectedRow() == SetupChoices::Row::Start;
        if (startSelected) ImGui::PushStyleColor(ImGuiCol_Button, ImGui::GetStyleColorVec4(ImGuiCol_ButtonActive));
        if (ImGui::Button("Start (Enter)")) choices.start();
        if (startSelected) ImGui::PopStyleColor();
        ImGui::SameLine();
        if (ImGui::Button("Quit (Escape)")) choices.quit();
    }
    ImGui::End();
}

}  // namespace

std::optional<std::vector<std::string>> runSetupDialog(const PlayerOptions& options,
                                                       std::vector<platform::DisplayInfo> displays) {
    if (displays.empty()) {
        std::fprintf(stderr, "demo: no display for the setup dialog; the show starts with its options\n");
        return std::vector<std::string>{};
    }
    SetupChoices choices(options, std::move(displays));
#ifndef _WIN32
    // The X11 class is read from the environment when video starts; the player's window sets its own later.
    setenv("SDL_VIDEO_X11_WMCLASS", kSetupWindowClass, 1);
#endif
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "demo: no setup dialog (%s); the show starts with its options\n", SDL_GetError());
        return std::vector<std::string>{};
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    const int display = static_cast<int>(choices.displayIndex());
    SDL_Window* window = SDL_CreateWindow("CorvidMinimal setup", SDL_WINDOWPOS_CENTERED_DISPLAY(display),
                                          SDL_WINDOWPOS_CENTERED_DISPLAY(display), kDialogWidth, kDialogHeight,
                                          SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
    SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
    if (!context) {
        std::fprintf(stderr, "demo: no setup dialog (%s); the show starts with its options\n", SDL_GetError());
        if (window) SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return std::vector<std::string>{};
    }
    SDL_GL_MakeCurrent(window, context);
    SDL_GL_SetSwapInterval(1);
    IMGUI_CHECKVERSION();
    ImGuiContext* imgui = ImGui::CreateContext();
    ImGui::GetIO().IniFilename = nullptr;
    const bool windowBackEnd = ImGui_ImplSDL2_InitForOpenGL(window, context);
    const bool backEnds = windowBackEnd && ImGui_ImplOpenGL3_Init("#version 450 core");
    if (!backEnds) choices.start();  // nothing to draw with: the show starts as it would without the dialog

    while (choices.outcome() == SetupChoices::Outcome::Open) {
        ImGui_ImplOpenGL3_NewFrame();
        ImGui_ImplSDL2_NewFrame();
        ImGui::NewFrame();
        drawDialog(choices);
        ImGui::Render();
        int width = 0, height = 0;
        SDL_GL_GetDrawableSize(window, &width, &height);
        glViewport(0, 0, width, height);
        glClearColor(0.08f, 0.08f, 0.1f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
        SDL_GL_SwapWindow(window);

        // Drawn again when something happens, and now and then for the buttons' hover.
        SDL_Event event;
        for (bool got = SDL_WaitEventTimeout(&event, 250) != 0; got; got = SDL_PollEvent(&event) != 0) {
            ImGui_ImplSDL2_ProcessEvent(&event);
            if (event.type == SDL_QUIT ||
                (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE)) {
                choices.quit();
            } else if (event.type == SDL_KEYDOWN) {
                if (const std::optional<SetupChoices::Key> key = keyFor(event.key)) choices.press(*key);
            }
        }
    }

    if (backEnds) ImGui_ImplOpenGL3_Shutdown();
    if (windowBackEnd) ImGui_ImplSDL2_Shutdown();
    ImGui::DestroyContext(imgui);
    SDL_GL_MakeCurrent(window, nullptr);
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    if (choices.outcome() == SetupChoices::Outcome::Quit) return std::nullopt;
    return backEnds ? choices.optionWords() : std::vector<std::string>{};
}
