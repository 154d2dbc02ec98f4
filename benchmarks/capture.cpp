// Captures of the sample show through the offline renderer, as demo-render makes them: frames a second for PNG
// sequences and for video at 1280x720 and 1920x1080, on the current driver and then on Mesa's no-op driver, where
// what remains is the capture's own cost (drawing, read-back, encoding). Also the PNG encoder alone on a drawn
// frame, since the no-op driver's frames are blank and compress far better than real ones.
//   bench_capture [show-folder [frames]]

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <epoxy/gl.h>

#include "bench_noop_driver.h"
#include "bench_show_folder.h"
#include "bench_timing.h"
#include "inspect/capture.h"
#include "inspect/offline_renderer.h"
#include "base/png_encoding.h"

namespace fs = std::filesystem;

namespace {

// Frames a second of one capture of `frames` frames from 40 s of the music (the busiest section).
double captureRate(OfflineRenderer& renderer, int frames, bool video, const fs::path& scratch) {
    CaptureRange range;
    range.from = 40.0;
    range.fps = 30.0;
    range.to = range.from + frames / range.fps;
    range.showProgress = false;
    fs::remove_all(scratch);
    if (video) {
        fs::create_directories(scratch);
        range.video = (scratch / "capture.mp4").string();
        range.preset = "veryfast";
    } else {
        range.sequenceDirectory = (scratch / "frames").string();
    }
    std::string error;
    const auto start = Clock::now();
    if (!captureRange(renderer, range, &error)) {
        std::fprintf(stderr, "capture failed: %s\n", error.c_str());
        return 0.0;
    }
    const double seconds = millisecondsSince(start) / 1000.0;
    fs::remove_all(scratch);
    return frames / seconds;
}

// ffmpeg alone on as many blank frames from /dev/zero, the same encoder settings: the ceiling of a video capture
// on the no-op driver, whose frames are blank too.
double ffmpegAloneRate(std::uint32_t width, std::uint32_t height, int frames) {
    const std::string command = "ffmpeg -hide_banner -loglevel error -f rawvideo -pix_fmt rgba -s " +
                                std::to_string(width) + "x" + std::to_string(height) +
                                " -r 30 -i /dev/zero -frames:v " + std::to_string(frames) +
                                " -c:v libx264 -preset veryfast -pix_fmt yuv420p -f null -";
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0) return 0.0;
    return frames / (millisecondsSince(start) / 1000.0);
}

}  // namespace

int main(int argc, char** argv) {
    if (!enterShow(argc, argv, "bench_capture [show-folder [frames]]")) return 1;
    const int frames = argc > 2 ? std::max(4, std::atoi(argv[2])) : (onNoopDriver() ? 90 : 12);
    const fs::path scratch = fs::temp_directory_path() / ("bench_capture_" + std::to_string(getpid()));
    std::string renderer;
    for (const auto& [width, height] : {std::pair{1280u, 720u}, std::pair{1920u, 1080u}}) {
        OfflineRenderer offline;
        std::string error;
        if (!offline.open(width, height, &error)) {
            std::fprintf(stderr, "cannot open the show: %s\n", error.c_str());
            return 1;
        }
        renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
        if (width == 1280)
            std::printf("Captures of the sample show on %s, %u cores, %d frames each%s\n", renderer.c_str(),
                        std::thread::hardware_concurrency(), frames,
                        onNoopDriver() ? " (no-op driver: nothing drawn, the capture's own cost)" : "");
        const double png = captureRate(offline, frames, false, scratch);
        const double video = captureRate(offline, frames, true, scratch);
        std::printf("  %4ux%-4u  PNG sequence %6.1f frames/s   video (libx264 veryfast) %6.1f frames/s\n", width,
                    height, png, video);
        if (onNoopDriver())
            std::printf("            ffmpeg alone on as many blank frames: %.1f frames/s\n",
                        ffmpegAloneRate(width, height, frames));
        if (!onNoopDriver()) {
            // The encoder on a drawn frame, one thread: the sequence's rate on n cores is at most n / this.
            std::vector<std::uint8_t> rgba, file;
            if (!offline.renderAt(40.0, &rgba, &error)) return 1;
            std::vector<double> times;
            for (int i = 0; i < 5; ++i) {
                const auto start = Clock::now();
                if (!encodePng(rgba.data(), width, height, &file, &error)) return 1;
                times.push_back(millisecondsSince(start));
            }
            std::printf("            PNG encoding of a drawn frame, one thread: %.1f ms (%.1f MB)\n", median(times),
                        double(file.size()) / 1e6);
        }
    }
    return runAgainOnNoopDriver(argv, renderer.c_str());
}
