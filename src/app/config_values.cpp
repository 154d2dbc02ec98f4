#include "app/config_values.h"

void ConfigValues::setDefaults() {
    windowPositions = {{"mainWindowPosition", {0, 0}}, {"consoleWindowPosition", {0, 0}}};
    editorState = {{"position", 0}, {"paused", 0}};
    flagSettings = {{"windowed", 1}, {"alwaysOnTop", 0}};
    numericSettings = {{"width", 1920}, {"height", 1080}, {"vsync", 1}, {"multiSample", 1}};
}
