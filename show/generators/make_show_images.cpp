// Makes the images of the sample show in SHOW_DIR/resources/textures: the preloader "preload.png" and the two
// logos "Lorvanecrafts_1920.png" and "orvelle.png" (1920 x 1080, straight alpha, mostly transparent, drawn over
// the whole frame by the overlay pass). Type comes from DejaVu when it is installed, else from stb_easy_font.
// Usage: make_show_images SHOW_DIR [--force]
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include <zlib.h>

// zlib deflates far tighter than stb's own compressor; these images are committed, so size matters.
static unsigned char* deflateWithZlib(unsigned char* data, int length, int* outLength, int quality);
#define STBIW_ZLIB_COMPRESS deflateWithZlib
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb/stb_truetype.h>
#include <stb/stb_easy_font.h>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr float kPi = 3.14159265f;
const char* const kFontDirectory = "/usr/share/fonts/truetype/dejavu/";

// Colours are in display (sRGB-encoded) space, as a designer picks them; alpha is straight.
struct Colour {
    float r = 0, g = 0, b = 0, a = 1;
};

Colour hex(unsigned rgb, float alpha = 1.0f) {
    return {((rgb >> 16) & 0xFF) / 255.0f, ((rgb >> 8) & 0xFF) / 255.0f, (rgb & 0xFF) / 255.0f, alpha};
}

Colour mix(const Colour& a, const Colour& b, float t) {
    t = std::clamp(t, 0.0f, 1.0f);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

float smoothstep(float edge0, float edge1, float x) {
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

// Coverage of a pixel by a shape whose signed distance (pixels, negative inside) is d.
float coverage(float d) { return std::clamp(0.5f - d, 0.0f, 1.0f); }

// Premultiplied RGBA canvas; everything is composited with "over".
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height), pixels_(std::size_t(width) * height) {}

    int width() const { return width_; }
    int height() const { return height_; }

    // Paints `paint` over the canvas inside the box, weighted by `amount` (0..1) at each pixel centre.
    void draw(int x0, int y0, int x1, int y1, const std::function<float(float, float)>& amount,
              const std::function<Colour(float, float)>& paint) {
        x0 = std::max(x0, 0), y0 = std::max(y0, 0), x1 = std::min(x1, width_), y1 = std::min(y1, height_);
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                const float px = x + 0.5f, py = y + 0.5f;
                const float weight = amount(px, py);
                if (weight <= 0.0f) continue;
                over(x, y, paint(px, py), weight);
            }
        }
    }

    void fill(const std::function<Colour(float, float)>& paint) {
        draw(0, 0, width_, height_, [](float, float) { return 1.0f; }, paint);
    }

    void over(int x, int y, const Colour& c, float weight) {
        const float a = std::clamp(c.a * weight, 0.0f, 1.0f);
        std::array<float, 4>& p = pixels_[std::size_t(y) * width_ + x];
        p[0] = c.r * a + p[0] * (1.0f - a);
        p[1] = c.g * a + p[1] * (1.0f - a);
        p[2] = c.b * a + p[2] * (1.0f - a);
        p[3] = a + p[3] * (1.0f - a);
    }

    // 8-bit straight alpha; fully transparent pixels are stored as zero so that the empty parts of the logos
    // compress to almost nothing. (Dithering the gradients would triple the file sizes.)
    std::vector<unsigned char> bytes(int components) const {
        std::vector<unsigned char> out(std::size_t(width_) * height_ * components);
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                const std::array<float, 4>& p = pixels_[std::size_t(y) * width_ + x];
                const float alpha = components == 4 ? p[3] : 1.0f;
                const int a8 = int(std::lround(alpha * 255.0f));
                unsigned char* o = &out[(std::size_t(y) * width_ + x) * components];
                for (int i = 0; i < 3; ++i) {
                    const float straight = alpha > 0.0f ? p[i] / alpha : 0.0f;
                    o[i] = a8 > 0 ? (unsigned char)std::clamp(int(std::lround(straight * 255.0f)), 0, 255) : 0;
                }
                if (components == 4) o[3] = (unsigned char)std::clamp(a8, 0, 255);
            }
        }
        return out;
    }

private:
    int width_;
    int height_;
    std::vector<std::array<float, 4>> pixels_;
};

// A coverage mask (text, glows) with the position of its top-left corner on the canvas.
struct Mask {
    int width = 0;
    int height = 0;
    std::vector<float> values;
    float at(int x, int y) const {
        return x < 0 || y < 0 || x >= width || y >= height ? 0.0f : values[std::size_t(y) * width + x];
    }
};

// Three box blurs in each direction: close to a Gaussian of the given radius.
Mask blurred(const Mask& source, int radius) {
    Mask out = source;
    std::vector<float> line;
    for (int pass = 0; pass < 6; ++pass) {
        const bool horizontal = pass % 2 == 0;
        const int length = horizontal ? out.width : out.height;
        const int lines = horizontal ? out.height : out.width;
        line.resize(length);
        for (int l = 0; l < lines; ++l) {
            auto index = [&](int i) { return horizontal ? std::size_t(l) * out.width + i : std::size_t(i) * out.width + l; };
            float sum = 0.0f;
            for (int i = -radius; i <= radius; ++i) sum += (i >= 0 && i < length) ? out.values[index(i)] : 0.0f;
            for (int i = 0; i < length; ++i) {
                line[i] = sum / float(2 * radius + 1);
                const int add = i + radius + 1, drop = i - radius;
                if (add < length) sum += out.values[index(add)];
                if (drop >= 0) sum -= out.values[index(drop)];
            }
            for (int i = 0; i < length; ++i) out.values[index(i)] = line[i];
        }
    }
    return out;
}

// Text set in one font, as a mask with room around it for glows.
class Typeface {
public:
    explicit Typeface(const std::string& file) {
        std::ifstream in(kFontDirectory + file, std::ios::binary);
        data_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        loaded_ = !data_.empty() &&
                  stbtt_InitFont(&font_, reinterpret_cast<const unsigned char*>(data_.data()), 0) != 0;
        if (!loaded_) std::fprintf(stderr, "make_show_images: %s not found, using the built-in font\n", file.c_str());
    }

    // Cap height `size` pixels; `tracking` is extra space between letters as a fraction of the size.
    // The baseline lies `padding + ascent` pixels below the mask's top.
    Mask set(const std::string& text, float size, float tracking, int padding) const {
        return loaded_ ? setTrueType(text, size, tracking, padding) : setEasyFont(text, size, tracking, padding);
    }

private:
    // Texts are Latin-1: one byte, one code point.
    static int codepoint(const std::string& text, std::size_t i) { return static_cast<unsigned char>(text[i]); }

    Mask setTrueType(const std::string& text, float size, float tracking, int padding) const {
        int capX0, capY0, capX1, capY1;
        stbtt_GetCodepointBox(&font_, 'H', &capX0, &capY0, &capX1, &capY1);
        const float scale = size / float(capY1);
        int ascent, descent, gap;
        stbtt_GetFontVMetrics(&font_, &ascent, &descent, &gap);
        float advance = 0.0f;
        for (std::size_t i = 0; i < text.size(); ++i) {
            int width, lsb;
            stbtt_GetCodepointHMetrics(&font_, codepoint(text, i), &width, &lsb);
            advance += width * scale + (i + 1 < text.size() ? tracking * size : 0.0f);
            if (i + 1 < text.size()) advance += scale * stbtt_GetCodepointKernAdvance(&font_, codepoint(text, i), codepoint(text, i + 1));
        }
        Mask mask;
        mask.width = int(std::ceil(advance)) + 2 * padding;
        mask.height = int(std::ceil((ascent - descent) * scale)) + 2 * padding;
        mask.values.assign(std::size_t(mask.width) * mask.height, 0.0f);
        const float baseline = padding + ascent * scale;
        float pen = float(padding);
        for (std::size_t i = 0; i < text.size(); ++i) {
            const float shift = pen - std::floor(pen);
            int x0, y0, x1, y1;
            stbtt_GetCodepointBitmapBoxSubpixel(&font_, codepoint(text, i), scale, scale, shift, 0, &x0, &y0, &x1, &y1);
            const int w = x1 - x0, h = y1 - y0;
            if (w > 0 && h > 0) {
                std::vector<unsigned char> glyph(std::size_t(w) * h);
                stbtt_MakeCodepointBitmapSubpixel(&font_, glyph.data(), w, h, w, scale, scale, shift, 0, codepoint(text, i));
                const int left = int(std::floor(pen)) + x0, top = int(std::lround(baseline)) + y0;
                for (int y = 0; y < h; ++y) {
                    for (int x = 0; x < w; ++x) {
                        const int mx = left + x, my = top + y;
                        if (mx < 0 || my < 0 || mx >= mask.width || my >= mask.height) continue;
                        float& v = mask.values[std::size_t(my) * mask.width + mx];
                        v = std::max(v, glyph[std::size_t(y) * w + x] / 255.0f);
                    }
                }
            }
            int width, lsb;
            stbtt_GetCodepointHMetrics(&font_, codepoint(text, i), &width, &lsb);
            pen += width * scale + tracking * size;
            if (i + 1 < text.size()) pen += scale * stbtt_GetCodepointKernAdvance(&font_, codepoint(text, i), codepoint(text, i + 1));
        }
        return mask;
    }

    // stb_easy_font's quads, scaled up: blocky, but enough to keep the images readable without DejaVu.
    static Mask setEasyFont(const std::string& text, float size, float tracking, int padding) {
        std::vector<char> buffer(std::max<std::size_t>(text.size(), 1) * 270 * 4);
        std::string copy = text;
        for (char& c : copy) {
            if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126) c = '.';  // ASCII only
        }
        stb_easy_font_spacing(tracking * 7.0f);
        const int quads = stb_easy_font_print(0, 0, copy.data(), nullptr, buffer.data(), int(buffer.size()));
        const float scale = size / 7.0f;
        Mask mask;
        mask.width = int(std::ceil(stb_easy_font_width(copy.data()) * scale)) + 2 * padding;
        mask.height = int(std::ceil(10.0f * scale)) + 2 * padding;
        mask.values.assign(std::size_t(mask.width) * mask.height, 0.0f);
        const float* vertices = reinterpret_cast<const float*>(buffer.data());
        for (int q = 0; q < quads; ++q) {
            const float* v = vertices + q * 16;  // four vertices of x, y, z, colour
            const int x0 = padding + int(v[0] * scale), y0 = padding + int(v[1] * scale);
            const int x1 = padding + int(v[8] * scale), y1 = padding + int(v[9] * scale);
            for (int y = std::max(y0, 0); y < std::min(y1, mask.height); ++y)
                for (int x = std::max(x0, 0); x < std::min(x1, mask.width); ++x)
                    mask.values[std::size_t(y) * mask.width + x] = 1.0f;
        }
        return mask;
    }

    std::vector<char> data_;
    stbtt_fontinfo font_{};
    bool loaded_ = false;
};

// Composites a mask with its top-left corner at (left, top), painted by `paint` in canvas coordinates.
void drawMask(Canvas& canvas, const Mask& mask, int left, int top, float strength,
              const std::function<Colour(float, float)>& paint) {
    canvas.draw(left, top, left + mask.width, top + mask.height,
                [&](float x, float y) { return strength * mask.at(int(x) - left, int(y) - top); }, paint);
}

// A horizontal hairline from x0 to x1 at y, fading out towards both ends.
void drawHairline(Canvas& canvas, float x0, float x1, float y, float thickness, const Colour& colour) {
    canvas.draw(int(x0), int(y - thickness - 2), int(x1) + 1, int(y + thickness + 2),
                [=](float x, float py) {
                    const float t = (x - x0) / (x1 - x0);
                    const float fade = smoothstep(0.0f, 0.3f, t) * smoothstep(1.0f, 0.7f, t);
                    return fade * coverage(std::fabs(py - y) - thickness * 0.5f);
                },
                [=](float, float) { return colour; });
}

// Text with a soft glow under it; (centreX, baseline) places it. Answers the mask's left edge and width.
struct Placed {
    int left;
    int width;
};
Placed drawTitle(Canvas& canvas, const Typeface& face, const std::string& text, float size, float tracking,
                 float centreX, float top, const std::function<Colour(float, float)>& paint, const Colour& glow,
                 int glowRadius) {
    const int padding = glowRadius * 3;
    const Mask mask = face.set(text, size, tracking, padding);
    const int left = int(std::lround(centreX - mask.width * 0.5f));
    const int maskTop = int(std::lround(top)) - padding;
    if (glow.a > 0.0f) drawMask(canvas, blurred(mask, glowRadius), left, maskTop, 1.0f, [&](float, float) { return glow; });
    drawMask(canvas, mask, left, maskTop, 1.0f, paint);
    return {left + padding, mask.width - 2 * padding};
}

// The preloader: shown over black while the scenes load. Opaque.
Canvas makePreload(const Typeface& light, const Typeface& regular) {
    Canvas canvas(kWidth, kHeight);
    const float cx = kWidth * 0.5f, cy = 470.0f;
    const float horizon = 700.0f;
    canvas.fill([&](float x, float y) {
        Colour c = mix(hex(0x05060b), hex(0x0c0f1c), y / kHeight);
        const float d = std::hypot((x - cx) / 1.3f, y - cy);
        c = mix(c, hex(0x1a2748), 0.55f * std::exp(-d * d / (2.0f * 330.0f * 330.0f)));
        // A faint haze along the horizon of the floor grid.
        c = mix(c, hex(0x16324a), 0.35f * std::exp(-std::pow((y - horizon) / 40.0f, 2.0f)) *
                                      std::exp(-std::pow((x - cx) / 700.0f, 2.0f)));
        return c;
    });

    // A floor grid running to the horizon, fading into the distance.
    const Colour gridColour = hex(0x3fa7c9);
    canvas.draw(0, int(horizon), kWidth, kHeight,
                [&](float x, float y) {
                    const float depth = (y - horizon) / (kHeight - horizon);  // 0 at the horizon
                    if (depth <= 0.0f) return 0.0f;
                    const float z = 1.0f / depth;  // distance
                    const float rows = z * 1.6f;
                    const float rowPixels = std::fabs(1.6f / (depth * depth * (kHeight - horizon)));
                    const float rowLine = std::fabs(rows - std::round(rows)) / std::max(rowPixels * 1.6f, 1e-4f);
                    const float u = (x - cx) / (y - horizon) * 2.5f;
                    const float colPixels = 2.5f / (y - horizon);
                    const float colLine = std::fabs(u - std::round(u)) / colPixels;
                    const float line = std::max(coverage(rowLine * 1.0f - 0.5f), coverage(colLine - 0.6f));
                    const float fade = smoothstep(0.0f, 0.9f, depth) * std::exp(-std::pow((x - cx) / 900.0f, 2.0f));
                    return line * fade * 0.32f;
                },
                [&](float, float) { return gridColour; });

    // The loading ring: a dim full circle with a bright arc sweeping into it.
    const float radius = 92.0f;
    canvas.draw(int(cx - radius - 8), int(cy - radius - 8), int(cx + radius + 8), int(cy + radius + 8),
                [&](float x, float y) { return 0.16f * coverage(std::fabs(std::hypot(x - cx, y - cy) - radius) - 1.2f); },
                [](float, float) { return hex(0xc8d4ec); });
    auto arcAngle = [&](float x, float y) {  // 0 at the arc's head, growing backwards along the sweep
        float a = std::atan2(y - cy, x - cx) - (-0.35f * kPi);
        a = std::fmod(a + 4.0f * kPi, 2.0f * kPi);
        return a / (2.0f * kPi);
    };
    Mask arc;
    const int arcBox = int(radius) + 60;
    arc.width = arc.height = 2 * arcBox;
    arc.values.assign(std::size_t(arc.width) * arc.height, 0.0f);
    for (int y = 0; y < arc.height; ++y) {
        for (int x = 0; x < arc.width; ++x) {
            const float px = cx - arcBox + x + 0.5f, py = cy - arcBox + y + 0.5f;
            const float tail = arcAngle(px, py);
            const float along = tail < 0.45f ? 1.0f - tail / 0.45f : 0.0f;
            arc.values[std::size_t(y) * arc.width + x] =
                along * coverage(std::fabs(std::hypot(px - cx, py - cy) - radius) - 2.6f);
        }
    }
    const int arcLeft = int(cx) - arcBox, arcTop = int(cy) - arcBox;
    drawMask(canvas, blurred(arc, 9), arcLeft, arcTop, 1.6f, [](float, float) { return hex(0x39b8ff, 0.9f); });
    drawMask(canvas, arc, arcLeft, arcTop, 1.0f, [&](float x, float y) {
        return mix(hex(0x2f8dff), hex(0xe6fbff), 1.0f - arcAngle(x, y) / 0.45f);
    });
    // The arc's head: a small bright dot.
    const float headX = cx + radius * std::cos(-0.35f * kPi), headY = cy + radius * std::sin(-0.35f * kPi);
    canvas.draw(int(headX) - 12, int(headY) - 12, int(headX) + 13, int(headY) + 13,
                [&](float x, float y) { return coverage(std::hypot(x - headX, y - headY) - 4.5f); },
                [](float, float) { return hex(0xffffff); });

    // The title and a line under it.
    drawTitle(canvas, light, "loading", 46.0f, 0.42f, cx, 630.0f,
              [](float, float) { return hex(0xe9eef8); }, hex(0x4aa8ff, 0.35f), 8);
    drawHairline(canvas, cx - 150.0f, cx + 150.0f, 708.0f, 1.2f, hex(0x6fb6ff, 0.7f));
    drawTitle(canvas, regular, "PLEASE WAIT WHILE THE SCENES ARE PREPARED", 12.0f, 0.35f, cx, 735.0f,
              [](float, float) { return hex(0x8c97ad); }, Colour{0, 0, 0, 0}, 1);

    drawTitle(canvas, regular, "LORVANECRAFTS  &  ORVELLE", 13.0f, 0.6f, cx, 1035.0f,
              [](float, float) { return hex(0x5d6883); }, Colour{0, 0, 0, 0}, 1);
    return canvas;
}

// Logo 1: a wordmark with an emblem on a soft dark band in the lower third.
Canvas makeLorvanecrafts(const Typeface& bold, const Typeface& regular) {
    Canvas canvas(kWidth, kHeight);
    const float bandY = 820.0f;  // centre of the band

    // The band: darkens the scene behind the type, fading out to the sides and to top and bottom.
    canvas.draw(0, int(bandY - 150), kWidth, int(bandY + 150),
                [&](float x, float y) {
                    const float across = smoothstep(960.0f, 420.0f, std::fabs(x - kWidth * 0.5f));
                    const float down = smoothstep(150.0f, 20.0f, std::fabs(y - bandY));
                    return across * down;
                },
                [](float, float) { return hex(0x07060a, 0.72f); });

    const float size = 92.0f;
    const Mask word = bold.set("Lorvanecrafts", size, 0.02f, 0);
    const float emblemSize = 64.0f, gap = 44.0f;
    const float total = emblemSize * 2.0f + gap + word.width;
    const float left = kWidth * 0.5f - total * 0.5f;
    const float ex = left + emblemSize, ey = bandY - 8.0f;

    // Emblem: three nested, turned squares (a cut gem), gold lines with a glow.
    Mask emblem;
    const int box = int(emblemSize) + 40;
    emblem.width = emblem.height = 2 * box;
    emblem.values.assign(std::size_t(emblem.width) * emblem.height, 0.0f);
    for (int y = 0; y < emblem.height; ++y) {
        for (int x = 0; x < emblem.width; ++x) {
            const float px = x + 0.5f - box, py = y + 0.5f - box;
            float v = 0.0f;
            for (int k = 0; k < 3; ++k) {
                const float turn = kPi * 0.25f + k * kPi / 12.0f;
                const float c = std::cos(turn), s = std::sin(turn);
                const float u = std::fabs(px * c - py * s), w = std::fabs(px * s + py * c);
                const float half = emblemSize * (1.0f - 0.2f * k);
                v = std::max(v, coverage(std::fabs(std::max(u, w) - half) - (k == 0 ? 2.6f : 1.4f)));
            }
            // A solid core.
            v = std::max(v, coverage(std::fabs(px) + std::fabs(py) - emblemSize * 0.32f));
            emblem.values[std::size_t(y) * emblem.width + x] = v;
        }
    }
    auto gold = [&](float x, float y) {
        const float t = (x - left) / total;
        Colour c = mix(hex(0xffd27a), hex(0xff6a3d), t);
        // A brighter sheen across the upper half of the letters.
        return mix(c, hex(0xfff3d6), 0.45f * smoothstep(bandY - 20.0f, bandY - 80.0f, y));
    };
    drawMask(canvas, blurred(emblem, 14), int(ex) - box, int(ey) - box, 0.8f,
             [](float, float) { return hex(0xff8a3d, 0.85f); });
    drawMask(canvas, emblem, int(ex) - box, int(ey) - box, 1.0f, gold);

    // The wordmark, vertically centred on the emblem.
    const float wordLeft = left + emblemSize * 2.0f + gap;
    const float wordTop = ey - size * 0.5f;
    const int padding = 36;
    const Mask padded = bold.set("Lorvanecrafts", size, 0.02f, padding);
    const int maskLeft = int(wordLeft) - padding;
    // Ascent puts the cap line below the mask's top: line the caps up with the emblem's middle.
    const int maskTop = int(wordTop) - padding - int((padded.height - 2 * padding) * 0.22f);
    drawMask(canvas, blurred(padded, 12), maskLeft + 4, maskTop + 6, 0.9f, [](float, float) { return hex(0x000000, 0.8f); });
    drawMask(canvas, blurred(padded, 16), maskLeft, maskTop, 0.6f, [](float, float) { return hex(0xff7a2e, 0.7f); });
    drawMask(canvas, padded, maskLeft, maskTop, 1.0f, gold);

    drawHairline(canvas, left - 120.0f, left + total + 120.0f, bandY + 74.0f, 1.3f, hex(0xffb45e, 0.8f));
    drawTitle(canvas, regular, "CODE   \xb7   DESIGN   \xb7   MUSIC", 16.0f, 0.55f, kWidth * 0.5f, bandY + 92.0f,
              [](float, float) { return hex(0xf3e6d2); }, Colour{0, 0, 0, 0}, 1);
    return canvas;
}

// Logo 2: a lower-case italic wordmark inside an orbit, in the centre of the frame.
Canvas makeOrvelle(const Typeface& italic, const Typeface& regular) {
    Canvas canvas(kWidth, kHeight);
    const float cx = kWidth * 0.5f, cy = kHeight * 0.5f;

    // A soft dark pool behind the logo.
    canvas.draw(int(cx - 720), int(cy - 360), int(cx + 720), int(cy + 360),
                [&](float x, float y) {
                    const float d = std::hypot((x - cx) / 700.0f, (y - cy) / 340.0f);
                    return smoothstep(1.0f, 0.1f, d);
                },
                [](float, float) { return hex(0x05040c, 0.7f); });

    // The orbit: a tilted ellipse ring crossing behind the word, bright on its near side.
    const float ra = 430.0f, rb = 120.0f, tilt = -0.16f;
    const float ct = std::cos(tilt), st = std::sin(tilt);
    auto orbit = [&](float x, float y, float& angle) {
        const float u = (x - cx) * ct + (y - cy) * st, v = -(x - cx) * st + (y - cy) * ct;
        angle = std::atan2(v / rb, u / ra);
        const float k = std::hypot(u / ra, v / rb);
        const float gradient = std::hypot(u / (ra * ra), v / (rb * rb)) / std::max(k, 1e-4f);
        return (k - 1.0f) / std::max(gradient, 1e-4f);  // approximate distance in pixels
    };
    Mask ring;
    ring.width = kWidth;
    ring.height = 520;
    const int ringTop = int(cy) - 260;
    ring.values.assign(std::size_t(ring.width) * ring.height, 0.0f);
    for (int y = 0; y < ring.height; ++y) {
        for (int x = int(cx - ra - 40); x < int(cx + ra + 40); ++x) {
            float angle;
            const float d = orbit(x + 0.5f, ringTop + y + 0.5f, angle);
            const float near = 0.25f + 0.75f * smoothstep(-0.2f, 1.0f, std::sin(angle));
            ring.values[std::size_t(y) * ring.width + x] = near * coverage(std::fabs(d) - 1.6f);
        }
    }
    auto cool = [&](float x, float y) {
        const float t = (x - (cx - ra)) / (2.0f * ra);
        Colour c = mix(hex(0x5ee7ff), hex(0xb46bff), t);
        return mix(c, hex(0xf2f7ff), 0.35f * smoothstep(cy + 10.0f, cy - 60.0f, y));
    };
    drawMask(canvas, blurred(ring, 12), 0, ringTop, 1.0f, [](float, float) { return hex(0x6a8cff, 0.8f); });
    drawMask(canvas, ring, 0, ringTop, 1.0f, cool);

    // A small planet riding the orbit.
    const float moonAngle = 0.1f * kPi;
    const float mx = cx + ra * std::cos(moonAngle) * ct - rb * std::sin(moonAngle) * st;
    const float my = cy + ra * std::cos(moonAngle) * st + rb * std::sin(moonAngle) * ct;
    canvas.draw(int(mx) - 40, int(my) - 40, int(mx) + 41, int(my) + 41,
                [&](float x, float y) { return 0.6f * std::exp(-std::pow(std::hypot(x - mx, y - my) / 16.0f, 2.0f)); },
                [](float, float) { return hex(0x9fe9ff); });
    canvas.draw(int(mx) - 12, int(my) - 12, int(mx) + 13, int(my) + 13,
                [&](float x, float y) { return coverage(std::hypot(x - mx, y - my) - 7.0f); },
                [](float, float) { return hex(0xffffff); });

    // The word itself, with a dark shadow and a cool glow.
    const float size = 118.0f;
    const int padding = 40;
    const Mask word = italic.set("orvelle", size, 0.03f, padding);
    const int left = int(cx - word.width * 0.5f);
    const int top = int(cy - word.height * 0.5f) + 10;
    drawMask(canvas, blurred(word, 14), left + 5, top + 8, 1.0f, [](float, float) { return hex(0x000000, 0.85f); });
    drawMask(canvas, blurred(word, 18), left, top, 0.9f, [](float, float) { return hex(0x7a5cff, 0.6f); });
    drawMask(canvas, word, left, top, 1.0f, cool);

    drawTitle(canvas, regular, "TOGETHER WITH", 14.0f, 0.8f, cx, cy - 190.0f,
              [](float, float) { return hex(0xbfc8e6, 0.85f); }, Colour{0, 0, 0, 0}, 1);
    return canvas;
}

}  // namespace

static unsigned char* deflateWithZlib(unsigned char* data, int length, int* outLength, int) {
    uLongf size = compressBound(uLong(length));
    auto* out = static_cast<unsigned char*>(STBIW_MALLOC(size));
    if (!out || compress2(out, &size, data, uLong(length), Z_BEST_COMPRESSION) != Z_OK) {
        STBIW_FREE(out);
        return nullptr;
    }
    *outLength = int(size);
    return out;
}

namespace {

bool writePng(const std::filesystem::path& file, const Canvas& canvas, int components) {
    const std::vector<unsigned char> bytes = canvas.bytes(components);
    if (!stbi_write_png(file.c_str(), canvas.width(), canvas.height(), components, bytes.data(),
                        canvas.width() * components)) {
        std::fprintf(stderr, "make_show_images: cannot write %s\n", file.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: make_show_images SHOW_DIR [--force]\n", stderr);
        return 1;
    }
    const std::filesystem::path textures = std::filesystem::path(argv[1]) / "resources" / "textures";
    const bool force = argc > 2 && std::strcmp(argv[2], "--force") == 0;
    std::filesystem::create_directories(textures);

    const Typeface light("DejaVuSans-ExtraLight.ttf");
    const Typeface regular("DejaVuSans.ttf");
    const Typeface bold("DejaVuSans-Bold.ttf");
    const Typeface italic("DejaVuSerif-Italic.ttf");

    struct Image {
        const char* name;
        std::function<Canvas()> make;
        int components;
    };
    const Image images[] = {
        {"preload.png", [&] { return makePreload(light, regular); }, 3},
        {"Lorvanecrafts_1920.png", [&] { return makeLorvanecrafts(bold, regular); }, 4},
        {"orvelle.png", [&] { return makeOrvelle(italic, regular); }, 4},
    };
    bool ok = true;
    for (const Image& image : images) {
        const std::filesystem::path file = textures / image.name;
        if (!force && std::filesystem::exists(file)) continue;
        ok = writePng(file, image.make(), image.components) && ok;
    }
    return ok ? 0 : 1;
}
