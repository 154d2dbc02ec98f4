#pragma once

#include <functional>
#include <string>

namespace platform {

enum class MessageBoxIcon { None, Exclamation };

// Shows a modal message box with one OK button and blocks until it is closed. When no display can show it the
// caption and text go to standard error and the call returns at once.
void showMessageBox(const std::string& text, const std::string& caption, MessageBoxIcon icon = MessageBoxIcon::None);

// Replaces the message box for the rest of the process (tests record the boxes instead of showing them).
// An empty function restores the real one.
using MessageBoxHandler = std::function<void(const std::string& text, const std::string& caption, MessageBoxIcon)>;
void setMessageBoxHandler(MessageBoxHandler handler);

}  // namespace platform
