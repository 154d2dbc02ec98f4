#include "platform/process/message_box.h"

#include <SDL.h>

#include <cstdio>
#include <mutex>

namespace platform {

namespace {

std::mutex handlerMutex;
MessageBoxHandler handler;

}  // namespace

void setMessageBoxHandler(MessageBoxHandler replacement) {
    std::lock_guard lock(handlerMutex);
    handler = std::move(replacement);
}

void showMessageBox(const std::string& text, const std::string& caption, MessageBoxIcon icon) {
    {
        std::lock_guard lock(handlerMutex);
        if (handler) {
            handler(text, caption, icon);
            return;
        }
    }
    const Uint32 flags = icon == MessageBoxIcon::Exclamation ? SDL_MESSAGEBOX_WARNING : SDL_MESSAGEBOX_INFORMATION;
    if (SDL_ShowSimpleMessageBox(flags, caption.c_str(), text.c_str(), nullptr) != 0) {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    }
}

}  // namespace platform
