#include "support/window_capture.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <limits>

#include <stb/stb_image.h>
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace testing_support {

namespace {

Display* asDisplay(void* display) { return static_cast<Display*>(display); }

// A window that vanishes while it is read is an empty capture, not the end of the test program.
int ignoreErrors(Display*, XErrorEvent*) { return 0; }

int shiftOf(unsigned long mask) {
    int shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

}  // namespace

WindowCapture::WindowCapture() : display_(XOpenDisplay(nullptr)) { XSetErrorHandler(ignoreErrors); }

WindowCapture::~WindowCapture() {
    if (display_) XCloseDisplay(asDisplay(display_));
}

RgbImage WindowCapture::capture(unsigned long window) {
    XWindowAttributes attributes;
    if (!display_ || !XGetWindowAttributes(asDisplay(display_), window, &attributes)) return {};
    return capture(window, 0, 0, attributes.width, attributes.height);
}

RgbImage WindowCapture::capture(unsigned long window, int left, int top, int width, int height) {
    RgbImage image;
    if (!display_) return image;
    XImage* x = XGetImage(asDisplay(display_), window, left, top, static_cast<unsigned>(width),
                          static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (!x) return image;
    image.width = x->width;
    image.height = x->height;
    image.pixels.resize(static_cast<std::size_t>(x->width) * x->height * 3);
    const int redShift = shiftOf(x->red_mask), greenShift = shiftOf(x->green_mask), blueShift = shiftOf(x->blue_mask);
    std::uint8_t* out = image.pixels.data();
    for (int y = 0; y < x->height; ++y) {
        for (int column = 0; column < x->width; ++column) {
            const unsigned long pixel = XGetPixel(x, column, y);
            *out++ = static_cast<std::uint8_t>((pixel & x->red_mask) >> redShift);
            *out++ = static_cast<std::uint8_t>((pixel & x->green_mask) >> greenShift);
            *out++ = static_cast<std::uint8_t>((pixel & x->blue_mask) >> blueShift);
        }
    }
    XDestroyImage(x);
    return image;
}

std::string WindowCapture::title(unsigned long window) {
    char* name = nullptr;
    if (!display_ || !XFetchName(asDisplay(display_), window, &name) || !name) return {};
    std::string title = name;
    XFree(name);
    return title;
}

bool WindowCapture::position(unsigned long window, int& x, int& y) {
    Window child = 0;
    Display* display = asDisplay(display_);
    return display && XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
}

RgbImage loadRgbPng(const std::filesystem::path& file) {
    RgbImage image;
    int channels = 0;
    unsigned char* data = stbi_load(file.c_str(), &image.width, &image.height, &channels, 3);
    if (!data) return {};
    image.pixels.assign(data, data + static_cast<std::size_t>(image.width) * image.height * 3);
    stbi_image_free(data);
    return image;
}

bool saveRgbPng(const std::filesystem::path& file, const RgbImage& image) {
    return stbi_write_png(file.c_str(), image.width, image.height, 3, image.pixels.data(), image.width * 3) != 0;
}

double meanAbsoluteDifference(const RgbImage& a, const RgbImage& b) {
    if (a.width != b.width || a.height != b.height || a.empty() || a.pixels.size() != b.pixels.size())
        return std::numeric_limits<double>::max();
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i)
        sum += static_cast<std::uint64_t>(std::abs(a.pixels[i] - b.pixels[i]));
    return static_cast<double>(sum) / static_cast<double>(a.pixels.size());
}

}  // namespace testing_support
