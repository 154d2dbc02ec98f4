#include "app/config_values.h"

#include "base/frame_size.h"

void ConfigValues::setDefaults() {
    windowPositions = {{"mainWindowPosition", {0, 0}}, {"consoleWindowPosition", {0, 0}}};
    editorState = {{"position", 0}, {"paused", 0}};
    flagSettings = {{"windowed", 1}, {"alwaysOnTop", 0}};
    numericSettings = {{"width", kPlayerFrameSize.width}, {"height", kPlayerFrameSize.height}, {"vsync", 1}, {"multiSample", 1}};
}
