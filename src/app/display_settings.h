#pragma once

#include <cstdint>

// The window and presentation settings of this run, copied from the configuration when the window object is
// built.
struct DisplaySettings {
    uint32_t width = 0;
    uint32_t height = 0;
    int32_t windowMode = 0;  // 0 full screen, 1 windowed, 2 borderless
    int32_t vsync = 0;       // sync interval of Present
    int32_t multiSample = 0; // recorded; every target is single-sampled
    int32_t alwaysOnTop = 0; // 1 makes the window topmost once the graphics are attached
    void* moduleInstance = nullptr;  // kept for the record; no meaning on this platform
};
