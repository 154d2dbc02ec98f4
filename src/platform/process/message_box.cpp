#include "platform/process/message_box.h"

#include <cstdio>
#include <mutex>

#ifdef _WIN32
#include <windows.h>

#include "base/wide_text.h"
#else
#include <SDL.h>
#endif

namespace platform {

namespace {

std::mutex handlerMutex;
MessageBoxHandler handler;

// False when the box could not be shown at all.
bool showSystemMessageBox(const std::string& text, const std::string& caption, MessageBoxIcon icon) {
#ifdef _WIN32
    const std::u16string wideText = widenUtf8(text);
    const std::u16string wideCaption = widenUtf8(caption);
    const UINT type = MB_OK | (icon == MessageBoxIcon::Exclamation ? MB_ICONEXCLAMATION : 0);
    return MessageBoxW(nullptr, reinterpret_cast<LPCWSTR>(wideText.c_str()), reinterpret_cast<LPCWSTR>(wideCaption.c_str()),
                       type) != 0;
#else
    const Uint32 flags = icon == MessageBoxIcon::Exclamation ? SDL_MESSAGEBOX_WARNING : SDL_MESSAGEBOX_INFORMATION;
    return SDL_ShowSimpleMessageBox(flags, caption.c_str(), text.c_str(), nullptr) == 0;
#endif
}

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
    if (!showSystemMessageBox(text, caption, icon)) std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

}  // namespace platform
