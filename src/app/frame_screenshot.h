#pragma once

#include <string>

class GraphicsContext;

// Editor mode's F12: the back buffer as it will be presented (the overlay is not in it), read back and written as
// a PNG. Engine thread, between drawing a frame and presenting it. False with `error` set on failure.
bool writeFrameScreenshot(GraphicsContext& graphics, const std::string& file, std::string* error);

// "frame-MM-SS.mmm.png" for the music time, with "-2", "-3", ... added when the show folder already has one.
std::string screenshotFileName(double seconds);
