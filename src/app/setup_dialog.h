#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/player_options.h"
#include "platform/window/window.h"

// The X11 class of the dialog's window (the player's own is "WindowClass").
extern const char* const kSetupWindowClass;

// The start-up dialog (--setup): a small window drawn with Dear ImGui, shown before anything of the show is read.
// It starts from `options` and offers the display (when there are several), the resolution (that display's modes
// and the show's own size), full screen, windowed or borderless, vsync and the --scale quality. Answers the
// choices as options for the command line when the show is to start (Enter or Start), nothing when it is not
// (Escape or closing the window). Without a display or an OpenGL context it says so and answers no choices: the
// show starts with `options`. Main thread only.
std::optional<std::vector<std::string>> runSetupDialog(const PlayerOptions& options,
                                                       std::vector<platform::DisplayInfo> displays);
