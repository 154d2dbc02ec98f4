// demo-render: renders frames of the show in the working directory to PNG files or a video, through the player's
// own frame renderer, at music positions that are set rather than played.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "inspect/capture.h"
#include "inspect/offline_renderer.h"
#include "base/png_encoding.h"
#include "tool_arguments.h"

namespace {

void printUsage() {
    std::fputs(
        "usage: demo-render [--size WxH] --at SECONDS --out FILE.png [--at SECONDS --out FILE.png]...\n"
        "       demo-render [--size WxH] --from SECONDS --to SECONDS --fps N (--out DIR | --video FILE.mp4\n"
        "                   [--crf N] [--preset NAME])\n"
        "Run from the show's directory (the one holding resources/), like the player.\n"
        "--at/--out: one frame at that time of the music (pairs, repeatable).\n"
        "--from/--to/--fps: frames from..to (to excluded) at N a second, as DIR/frame_00000.png, ...,\n"
        "  or piped to ffmpeg with the music of the same frames muxed in (--video; libx264 with --crf 0..51\n"
        "  and --preset, ultrafast to veryslow, when given).\n"
        "--size: the frame size (default 1920x1080, the player's configured size).\n",
        stderr);
}

bool fail(const std::string& message) {
    std::fprintf(stderr, "demo-render: %s\n", message.c_str());
    return false;
}

bool parseSize(const char* text, std::uint32_t& width, std::uint32_t& height) {
    unsigned w = 0, h = 0;
    char tail = 0;
    if (std::sscanf(text, "%ux%u%c", &w, &h, &tail) != 2 || w < 1 || h < 1 || w > 16384 || h > 16384) return false;
    width = w;
    height = h;
    return true;
}

struct Options {
    std::uint32_t width = 1920, height = 1080;
    std::vector<std::pair<double, std::string>> stills;  // --at/--out pairs
    CaptureRange range = [] {
        CaptureRange unset;  // -1: not given
        unset.from = unset.to = -1.0;
        return unset;
    }();
};

bool parseArguments(int argc, char** argv, Options& options) {
    std::vector<double> pendingTimes;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        const char* value = hasValue ? argv[i + 1] : "";
        double number = 0.0;
        if (argument == "--size") {
            if (!hasValue || !parseSize(value, options.width, options.height))
                return fail("--size needs WIDTHxHEIGHT, for example 1280x720");
        } else if (argument == "--at" || argument == "--from" || argument == "--to" || argument == "--fps") {
            if (!hasValue || !parseNonNegative(value, number)) return fail(argument + " needs a number, 0 or more");
            if (argument == "--at") pendingTimes.push_back(number);
            if (argument == "--from") options.range.from = number;
            if (argument == "--to") options.range.to = number;
            if (argument == "--fps") options.range.fps = number;
        } else if (argument == "--out") {
            if (!hasValue || !*value) return fail("--out needs a file or directory name");
            if (!pendingTimes.empty()) {
                options.stills.emplace_back(pendingTimes.front(), value);
                pendingTimes.erase(pendingTimes.begin());
            } else {
                options.range.sequenceDirectory = value;
            }
        } else if (argument == "--video") {
            if (!hasValue || !*value) return fail("--video needs a file name");
            options.range.video = value;
        } else if (argument == "--crf") {
            if (!hasValue || !parseNonNegative(value, number) || number > 51 || number != std::floor(number))
                return fail("--crf needs a whole number from 0 to 51");
            options.range.crf = static_cast<int>(number);
        } else if (argument == "--preset") {
            static const char* const kPresets[] = {"ultrafast", "superfast", "veryfast", "faster", "fast",
                                                   "medium",    "slow",      "slower",   "veryslow", "placebo"};
            bool known = false;
            for (const char* preset : kPresets) known = known || std::strcmp(preset, value) == 0;
            if (!hasValue || !known) return fail("--preset needs one of libx264's presets, ultrafast to veryslow");
            options.range.preset = value;
        } else {
            return fail("unknown argument '" + argument + "'");
        }
        ++i;
    }
    if (!pendingTimes.empty()) return fail("every --at needs an --out after it");
    CaptureRange& r = options.range;
    const bool range = r.from >= 0.0 || r.to >= 0.0 || r.fps > 0.0;
    if (range) {
        if (r.from < 0.0 || r.to < 0.0 || r.fps <= 0.0)
            return fail("a frame range needs --from, --to and --fps (more than 0)");
        if (r.to <= r.from) return fail("--to must be after --from");
        if (r.sequenceDirectory.empty() && r.video.empty())
            return fail("a frame range needs --out DIR or --video FILE.mp4");
        if (!r.sequenceDirectory.empty() && !r.video.empty())
            return fail("a frame range goes to --out DIR or to --video FILE.mp4, not both");
    } else if (!r.sequenceDirectory.empty() || !r.video.empty()) {
        return fail("--video and a directory --out need --from, --to and --fps");
    }
    if ((r.crf >= 0 || !r.preset.empty()) && r.video.empty()) return fail("--crf and --preset are for --video");
    if (options.stills.empty() && !range) return fail("nothing to render");
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            printUsage();
            return 0;
        }
    }
    Options options;
    if (!parseArguments(argc, argv, options)) {
        printUsage();
        return 1;
    }

    OfflineRenderer renderer;
    std::string error;
    if (!renderer.open(options.width, options.height, &error)) {
        fail(error);
        return 1;
    }
    std::vector<std::uint8_t> rgba;
    for (const auto& [seconds, file] : options.stills) {
        if (!renderer.renderAt(seconds, &rgba, &error) ||
            !writePngFile(file, rgba.data(), renderer.width(), renderer.height(), &error))
            return fail(error), 1;
    }
    if (options.range.from >= 0.0 && !captureRange(renderer, options.range, &error)) return fail(error), 1;
    return 0;
}
