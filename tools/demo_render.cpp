// demo-render: renders frames of the show in the working directory to PNG files or a video, through the player's
// own frame renderer, at music positions that are set rather than played.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include "inspect/offline_renderer.h"
#include "tool_arguments.h"

namespace {

void printUsage() {
    std::fputs(
        "usage: demo-render [--size WxH] --at SECONDS --out FILE.png [--at SECONDS --out FILE.png]...\n"
        "       demo-render [--size WxH] --from SECONDS --to SECONDS --fps N (--out DIR | --video FILE.mp4)\n"
        "Run from the show's directory (the one holding resources/), like the player.\n"
        "--at/--out: one frame at that time of the music (pairs, repeatable).\n"
        "--from/--to/--fps: frames from..to (to excluded) at N a second, as DIR/frame_00000.png, ...,\n"
        "  or piped to ffmpeg with the music of the same range muxed in (--video).\n"
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
    double from = -1.0, to = -1.0, fps = 0.0;
    std::string sequenceDirectory;
    std::string video;
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
            if (argument == "--from") options.from = number;
            if (argument == "--to") options.to = number;
            if (argument == "--fps") options.fps = number;
        } else if (argument == "--out") {
            if (!hasValue || !*value) return fail("--out needs a file or directory name");
            if (!pendingTimes.empty()) {
                options.stills.emplace_back(pendingTimes.front(), value);
                pendingTimes.erase(pendingTimes.begin());
            } else {
                options.sequenceDirectory = value;
            }
        } else if (argument == "--video") {
            if (!hasValue || !*value) return fail("--video needs a file name");
            options.video = value;
        } else {
            return fail("unknown argument '" + argument + "'");
        }
        ++i;
    }
    if (!pendingTimes.empty()) return fail("every --at needs an --out after it");
    const bool range = options.from >= 0.0 || options.to >= 0.0 || options.fps > 0.0;
    if (range) {
        if (options.from < 0.0 || options.to < 0.0 || options.fps <= 0.0)
            return fail("a frame range needs --from, --to and --fps (more than 0)");
        if (options.to <= options.from) return fail("--to must be after --from");
        if (options.sequenceDirectory.empty() && options.video.empty())
            return fail("a frame range needs --out DIR or --video FILE.mp4");
    } else if (!options.sequenceDirectory.empty() || !options.video.empty()) {
        return fail("--video and a directory --out need --from, --to and --fps");
    }
    if (options.stills.empty() && !range) return fail("nothing to render");
    return true;
}

// One line, rewritten in place: frame, time, speed and the time left.
void showProgress(std::size_t done, std::size_t total, double seconds,
                  std::chrono::steady_clock::time_point started) {
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const double rate = elapsed > 0.0 ? static_cast<double>(done) / elapsed : 0.0;
    const double left = rate > 0.0 ? static_cast<double>(total - done) / rate : 0.0;
    std::fprintf(stderr, "\rframe %zu/%zu  t=%.3f s  %.2f frames/s  %.0f s left   ", done, total, seconds, rate,
                 left);
    if (done == total) std::fputc('\n', stderr);
}

bool writePng(const std::string& file, const OfflineRenderer& renderer, const std::vector<std::uint8_t>& rgba) {
    const int width = static_cast<int>(renderer.width()), height = static_cast<int>(renderer.height());
    if (!stbi_write_png(file.c_str(), width, height, 4, rgba.data(), width * 4))
        return fail("cannot write '" + file + "'");
    return true;
}

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

FILE* openVideo(const Options& options, const OfflineRenderer& renderer) {
    char geometry[64], rate[32], start[32], length[32];
    std::snprintf(geometry, sizeof geometry, "%ux%u", renderer.width(), renderer.height());
    std::snprintf(rate, sizeof rate, "%.6g", options.fps);
    std::snprintf(start, sizeof start, "%.6f", options.from);
    std::snprintf(length, sizeof length, "%.6f", options.to - options.from);
    const std::string command = std::string("ffmpeg -hide_banner -loglevel error -y -f rawvideo -pix_fmt rgba -s ") +
                                geometry + " -r " + rate + " -i - -ss " + start + " -t " + length + " -i " +
                                quoted(renderer.musicPath()) +
                                " -map 0:v -map 1:a -c:v libx264 -pix_fmt yuv420p -c:a aac -shortest " +
                                quoted(options.video);
    return popen(command.c_str(), "w");
}

bool renderRange(const Options& options, OfflineRenderer& renderer) {
    const auto count = static_cast<std::size_t>(std::ceil((options.to - options.from) * options.fps - 1e-9));
    FILE* video = nullptr;
    if (!options.video.empty()) {
        video = openVideo(options, renderer);
        if (!video) return fail("cannot start ffmpeg");
    }
    if (!options.sequenceDirectory.empty()) {
        std::error_code ignored;
        std::filesystem::create_directories(options.sequenceDirectory, ignored);
    }
    const auto started = std::chrono::steady_clock::now();
    std::vector<std::uint8_t> rgba;
    bool ok = true;
    for (std::size_t frame = 0; frame < count && ok; ++frame) {
        const double seconds = options.from + static_cast<double>(frame) / options.fps;
        std::string error;
        if (!renderer.renderAt(seconds, &rgba, &error)) {
            ok = fail(error);
            break;
        }
        if (!options.sequenceDirectory.empty()) {
            char name[32];
            std::snprintf(name, sizeof name, "/frame_%05zu.png", frame);
            ok = writePng(options.sequenceDirectory + name, renderer, rgba);
        }
        if (ok && video && std::fwrite(rgba.data(), 1, rgba.size(), video) != rgba.size())
            ok = fail("ffmpeg stopped taking frames");
        if (count > 24 || frame + 1 == count) showProgress(frame + 1, count, seconds, started);
    }
    if (video && pclose(video) != 0 && ok) ok = fail("ffmpeg could not write '" + options.video + "'");
    return ok;
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
        if (!renderer.renderAt(seconds, &rgba, &error)) return fail(error), 1;
        if (!writePng(file, renderer, rgba)) return 1;
    }
    if (options.from >= 0.0 && !renderRange(options, renderer)) return 1;
    return 0;
}
