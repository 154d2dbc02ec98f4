#ifdef _WIN32
// Windows has no EGL: a device without a window to show draws through WGL contexts of a hidden SDL window.

#include <SDL.h>

#include "platform/gpu/gl_contexts.h"

namespace gpu {
namespace {

class HiddenWindowContexts final : public GlContexts {
public:
    HiddenWindowContexts(SDL_Window* window, std::unique_ptr<GlContexts> contexts)
        : window_(window), contexts_(std::move(contexts)) {}
    ~HiddenWindowContexts() override {
        contexts_.reset();
        SDL_DestroyWindow(window_);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    bool bindResourceContext() override { return contexts_->bindResourceContext(); }
    void unbindResourceContext() override { contexts_->unbindResourceContext(); }
    // A headless device has no window services: the hidden window is only where the contexts live.

private:
    SDL_Window* window_;
    std::unique_ptr<GlContexts> contexts_;
};

}  // namespace

std::unique_ptr<GlContexts> createHeadlessContexts(std::string* error) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        *error = std::string("cannot start the video system: ") + SDL_GetError();
        return nullptr;
    }
    SDL_Window* window = SDL_CreateWindow("", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 16, 16,
                                          SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window) {
        *error = std::string("cannot create a hidden window for OpenGL: ") + SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    std::unique_ptr<GlContexts> contexts = createWindowContexts(window, error);
    if (!contexts) {
        SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    return std::make_unique<HiddenWindowContexts>(window, std::move(contexts));
}

}  // namespace gpu

#endif  // _WIN32
