#include "app/player_options.h"

#include <algorithm>
#include <charconv>
#include <cmath>

const char* const kPlayerUsage =
    "usage: demo [editor] [projectfile FILE] [--size WxH] [--fullscreen | --windowed | --borderless] "
    "[--vsync 0|1] [--scale F] [--display N] [--setup | --no-setup] [--in-program-folder] [--at SECONDS]";

const char* const kDefaultOptionsFile = "demo-options.txt";

namespace {

constexpr uint32_t kLargestSide = 16384;  // the largest texture the graphics layer promises
constexpr double kSmallestScale = 0.1;
constexpr double kLargestScale = 4.0;

template <typename Number>
bool parseWhole(std::string_view text, Number& value) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end && !text.empty();
}

bool parseReal(std::string_view text, double& value) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end && !text.empty() && std::isfinite(value);
}

bool parseSize(std::string_view text, uint32_t& width, uint32_t& height) {
    const size_t x = text.find_first_of("xX");
    if (x == std::string_view::npos) return false;
    return parseWhole(text.substr(0, x), width) && parseWhole(text.substr(x + 1), height) && width >= 1 &&
           height >= 1 && width <= kLargestSide && height <= kLargestSide;
}

std::string quoted(const std::string* value) {
    if (!value) return "nothing";
    std::string text = "\"";
    text += *value;
    text += '"';
    return text;
}

}  // namespace

PlayerOptions parsePlayerOptions(const std::vector<std::string>& arguments) {
    PlayerOptions options;
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::string& word = arguments[i];
        if (word.size() < 2 || word.compare(0, 2, "--") != 0) continue;
        // A value is the next word, unless that is an option itself.
        const std::string* value =
            i + 1 < arguments.size() && arguments[i + 1].compare(0, 2, "--") != 0 ? &arguments[i + 1] : nullptr;
        auto complain = [&](const char* wants) {
            std::string line = word;
            line += " needs ";
            line += wants;
            line += ", not ";
            line += quoted(value);
            options.problems.push_back(std::move(line));
        };
        if (word == "--fullscreen") {
            options.windowMode = 0;
        } else if (word == "--windowed") {
            options.windowMode = 1;
        } else if (word == "--borderless") {
            options.windowMode = 2;
        } else if (word == "--in-program-folder") {
            options.programFolder = true;
        } else if (word == "--setup" || word == "--no-setup") {
            options.setup = word == "--setup";  // --no-setup: straight into the show, whatever the defaults say
        } else if (word == "--size" || word == "--vsync" || word == "--scale" || word == "--at" ||
                   word == "--display") {
            // Each takes the next word; a bad one is named and the option ignored.
            uint32_t width = 0, height = 0;
            int32_t vsync = -1;
            double number = -1.0;
            if (word == "--size") {
                if (value && parseSize(*value, width, height)) {
                    options.width = width;
                    options.height = height;
                } else {
                    complain("WIDTHxHEIGHT, each 1 to 16384 (for example 1280x720)");
                }
            } else if (word == "--vsync") {
                if (value && parseWhole(*value, vsync) && (vsync == 0 || vsync == 1)) {
                    options.vsync = vsync;
                } else {
                    complain("0 or 1");
                }
            } else if (word == "--scale") {
                if (value && parseReal(*value, number) && number >= kSmallestScale && number <= kLargestScale) {
                    options.scale = number;
                } else {
                    complain("a factor from 0.1 to 4 (for example 0.5)");
                }
            } else if (word == "--display") {
                int32_t display = 0;
                if (value && parseWhole(*value, display) && display >= 1 && display <= 64) {
                    options.display = display;
                } else {
                    complain("a display number, 1 for the first");
                }
            } else if (value && parseReal(*value, number) && number >= 0.0) {
                options.startSeconds = number;
            } else {
                complain("a time in seconds from the start of the music (for example 42.5)");
            }
            if (value) ++i;
        } else {
            std::string line = "unknown option ";
            line += word;
            options.problems.push_back(std::move(line));
        }
    }
    return options;
}

std::vector<std::string> optionsFileWords(const std::string& text) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++i;
        } else if (c == '#') {
            i = text.find('\n', i);
            if (i == std::string::npos) break;
        } else {
            std::string word;
            bool quoted = false;
            for (; i < text.size(); ++i) {
                const char d = text[i];
                if (d == '"') {
                    quoted = !quoted;
                } else if (!quoted && (d == ' ' || d == '\t' || d == '\r' || d == '\n')) {
                    break;
                } else {
                    word += d;
                }
            }
            words.push_back(std::move(word));
        }
    }
    return words;
}

std::vector<std::string> withDefaultOptions(const std::vector<std::string>& arguments,
                                            const std::vector<std::string>& defaults) {
    std::vector<std::string> merged;
    if (!arguments.empty()) merged.push_back(arguments.front());
    merged.insert(merged.end(), defaults.begin(), defaults.end());
    if (!arguments.empty()) merged.insert(merged.end(), arguments.begin() + 1, arguments.end());
    return merged;
}

void applyPlayerOptions(const PlayerOptions& options, ConfigValues& config,
                        std::optional<std::pair<int, int>> desktopSize,
                        std::optional<std::pair<int, int>> displayCorner) {
    if (displayCorner) config.windowPositions["mainWindowPosition"] = *displayCorner;
    if (options.windowMode) config.flagSettings["windowed"] = *options.windowMode;
    if (options.width && options.height) {
        config.numericSettings["width"] = static_cast<int32_t>(*options.width);
        config.numericSettings["height"] = static_cast<int32_t>(*options.height);
    } else if (options.windowMode == 0 && desktopSize && desktopSize->first > 0 && desktopSize->second > 0) {
        config.numericSettings["width"] = desktopSize->first;
        config.numericSettings["height"] = desktopSize->second;
    }
    if (options.vsync) config.numericSettings["vsync"] = *options.vsync;
}

FrameSize pictureSize(uint32_t width, uint32_t height, double scale) {
    auto scaled = [scale](uint32_t side) {
        return static_cast<uint32_t>(std::clamp(std::lround(side * scale), 1L, static_cast<long>(kLargestSide)));
    };
    return {scaled(width), scaled(height)};
}
