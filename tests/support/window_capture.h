#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

// 8-bit RGB, row 0 at the top.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    bool empty() const { return pixels.empty(); }
};

// What another process's window shows on the test's X server, read back through the server as a person's
// screenshot would be.
class WindowCapture {
public:
    WindowCapture();
    ~WindowCapture();
    WindowCapture(const WindowCapture&) = delete;
    WindowCapture& operator=(const WindowCapture&) = delete;

    // Empty when the window is gone or cannot be read.
    RgbImage capture(unsigned long window);
    // A part of it: cheap enough to poll many times a second.
    RgbImage capture(unsigned long window, int x, int y, int width, int height);
    std::string title(unsigned long window);
    // The window's top-left corner on the screen.
    bool position(unsigned long window, int& x, int& y);

private:
    void* display_ = nullptr;
};

// A PNG file as RGB (alpha dropped); empty when it cannot be read.
RgbImage loadRgbPng(const std::filesystem::path& file);
bool saveRgbPng(const std::filesystem::path& file, const RgbImage& image);

// Mean absolute difference per channel in 0..255; a very large value when the sizes differ.
double meanAbsoluteDifference(const RgbImage& a, const RgbImage& b);

}  // namespace testing_support
