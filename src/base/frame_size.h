#pragma once

#include <cstdint>

// The size of the frames a renderer draws, in pixels.
struct FrameSize {
    uint32_t width = 0;
    uint32_t height = 0;
};

// The player's built-in window size (the configuration store's "width" and "height"): the tools draw and measure
// at it unless told otherwise.
constexpr FrameSize kPlayerFrameSize{1920, 1080};
