#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/config_values.h"
#include "base/frame_size.h"

// The options for the party hall and for editor mode, beside the command line's two words: each overrides one
// built-in display setting (or, with --at, the editor's start position); without them nothing changes.
struct PlayerOptions {
    std::optional<uint32_t> width;   // --size WxH
    std::optional<uint32_t> height;
    std::optional<int32_t> windowMode;  // --fullscreen 0, --windowed 1, --borderless 2 (the last one given counts)
    std::optional<int32_t> vsync;       // --vsync 0|1
    double scale = 1.0;                 // --scale F: the picture is drawn at F times the window's size
    std::optional<double> startSeconds; // --at SECONDS, editor mode
    std::optional<int32_t> display;     // --display N: the window on display N (1 is the first)
    bool programFolder = false;  // --in-program-folder: the show is read (and demo.log written) beside the program
    bool setup = false;  // --setup: the start-up dialog chooses the settings before anything loads (--no-setup: not)
    // One line for each option that is unknown or has a bad value; the option is ignored and the run goes on.
    std::vector<std::string> problems;
};

extern const char* const kPlayerUsage;

// Reads the options from the arguments (the program name first, skipped). Words that do not begin with "--" are
// the command line's business and are passed over here.
PlayerOptions parsePlayerOptions(const std::vector<std::string>& arguments);

// The file beside the program that holds default options in the command line's own words.
extern const char* const kDefaultOptionsFile;

// The words of a default-options file: separated by white space, "double quotes" keep spaces in one word, and a
// '#' at the start of a word comments out the rest of its line.
std::vector<std::string> optionsFileWords(const std::string& text);

// The arguments with the default options put right after the program name, so that the command line's own
// options, coming later, override them.
std::vector<std::string> withDefaultOptions(const std::vector<std::string>& arguments,
                                            const std::vector<std::string>& defaults);

// Writes the overrides into the display settings of the configuration. Full screen without --size takes the
// desktop's resolution, when it is known; --display places the window at that display's corner (`displayCorner`).
void applyPlayerOptions(const PlayerOptions& options, ConfigValues& config,
                        std::optional<std::pair<int, int>> desktopSize,
                        std::optional<std::pair<int, int>> displayCorner = std::nullopt);

// The size the frame is drawn at: the window's size times the scale, at least one pixel each way.
FrameSize pictureSize(uint32_t width, uint32_t height, double scale);
