#include "inspect/capture.h"

#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

#include "inspect/capture_progress.h"
#include "inspect/offline_renderer.h"
#include "inspect/png_sequence_writer.h"

namespace {

// The shell's quoting: cmd.exe's double quotes on Windows (a double quote inside doubled; paths cannot hold one
// anyway), sh's single quotes elsewhere. Frames are bytes: on Windows the pipe must not turn line ends into CR LF.
#ifdef _WIN32
constexpr char kQuote = '"';
constexpr const char* kQuoteInside = "\"\"";
FILE* startPipe(const std::string& command) { return _popen(command.c_str(), "wb"); }
int endPipe(FILE* pipe) { return _pclose(pipe); }
#else
constexpr char kQuote = '\'';
constexpr const char* kQuoteInside = "'\\''";
FILE* startPipe(const std::string& command) { return popen(command.c_str(), "w"); }
int endPipe(FILE* pipe) { return pclose(pipe); }
#endif

std::string quoted(const std::string& text) {
    std::string out(1, kQuote);
    for (char c : text) {
        if (c == kQuote) {
            out += kQuoteInside;
        } else {
            out += c;
        }
    }
    return out + kQuote;
}

std::string frameFile(const std::string& directory, std::size_t frame) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame_%05zu.png", frame);
    return directory + name;
}

// Where collected frames go: the PNG writer's buffers, or ffmpeg's pipe.
class FrameOutput {
public:
    FrameOutput(const CaptureRange& range, const OfflineRenderer& renderer) : range_(range) {
        if (!range.sequenceDirectory.empty())
            png_ = std::make_unique<PngSequenceWriter>(renderer.width(), renderer.height(), range.encoders);
        frameBytes_ = std::size_t(renderer.width()) * renderer.height() * 4;
    }

    bool open(const OfflineRenderer& renderer, std::string* error) {
        if (range_.video.empty()) {
            std::error_code ignored;
            std::filesystem::create_directories(range_.sequenceDirectory, ignored);
            return true;
        }
        // An ffmpeg that stops early (missing, no libx264, an output it cannot write) must give a message, not
        // end this process on SIGPIPE at the next frame.
#ifdef SIGPIPE
        previousPipeHandler_ = std::signal(SIGPIPE, SIG_IGN);
        pipeHandlerSet_ = true;
#endif
        video_ = startPipe(videoCommand(range_, renderer));
        if (!video_) *error = "cannot start ffmpeg";
        return video_ != nullptr;
    }

    // Collects the renderer's oldest pending frame as frame number `frame`.
    bool collect(OfflineRenderer& renderer, std::size_t frame, std::string* error) {
        if (!png_) {
            // Straight from the mapped read-back into ffmpeg's pipe.
            return renderer.collectFrame(
                [&](const std::uint8_t* rgba) {
                    if (std::fwrite(rgba, 1, frameBytes_, video_) == frameBytes_) return true;
                    *error = "ffmpeg stopped taking frames";
                    return false;
                },
                error);
        }
        std::uint8_t* target = png_->acquire();
        if (!target) return png_->finish(error);
        if (!renderer.collectFrame(target, error)) return false;
        png_->submit(target, frameFile(range_.sequenceDirectory, frame));
        return true;
    }

    bool close(bool ok, std::string* error) {
        if (png_ && !png_->finish(error)) ok = false;
        if (video_) {
            const int status = endPipe(std::exchange(video_, nullptr));
            if (status != 0 && ok) {
                *error = "ffmpeg could not write '" + range_.video + "'";
                ok = false;
            }
        }
        return ok;
    }

    ~FrameOutput() {
        if (video_) endPipe(video_);
#ifdef SIGPIPE
        if (pipeHandlerSet_) std::signal(SIGPIPE, previousPipeHandler_);
#endif
    }

private:
    const CaptureRange& range_;
    std::unique_ptr<PngSequenceWriter> png_;
    std::size_t frameBytes_ = 0;
    FILE* video_ = nullptr;
    void (*previousPipeHandler_)(int) = SIG_DFL;
    bool pipeHandlerSet_ = false;
};

}  // namespace

std::size_t captureFrameCount(const CaptureRange& range) {
    return static_cast<std::size_t>(std::ceil((range.to - range.from) * range.fps - 1e-9));
}

std::string videoCommand(const CaptureRange& range, const OfflineRenderer& renderer) {
    // The music covers exactly the frames' span (count / fps), not the range asked for, so the two streams end
    // together whatever the rate; ffmpeg seeks the audio input sample-exactly.
    char geometry[64], rate[32], start[32], length[32];
    std::snprintf(geometry, sizeof geometry, "%ux%u", renderer.width(), renderer.height());
    std::snprintf(rate, sizeof rate, "%.6g", range.fps);
    std::snprintf(start, sizeof start, "%.6f", range.from);
    std::snprintf(length, sizeof length, "%.6f", static_cast<double>(captureFrameCount(range)) / range.fps);
    std::string command = std::string("ffmpeg -hide_banner -loglevel error -y -f rawvideo -pix_fmt rgba -s ") +
                          geometry + " -r " + rate + " -i - -ss " + start + " -t " + length + " -i " +
                          quoted(renderer.musicPath()) + " -map 0:v -map 1:a -c:v libx264";
    if (range.crf >= 0) command += " -crf " + std::to_string(range.crf);
    if (!range.preset.empty()) command += " -preset " + quoted(range.preset);
    return command + " -pix_fmt yuv420p -c:a aac -shortest " + quoted(range.video);
}

bool captureRange(OfflineRenderer& renderer, const CaptureRange& range, std::string* error) {
    const std::size_t count = captureFrameCount(range);
    FrameOutput output(range, renderer);
    if (!output.open(renderer, error)) return false;
    CaptureProgress progress(count);
    bool ok = true;
    std::size_t collected = 0;
    for (std::size_t frame = 0; frame < count && ok; ++frame) {
        if (renderer.pendingFrames() == OfflineRenderer::kReadBackDepth) {
            ok = output.collect(renderer, collected++, error);
            if (!ok) break;
        }
        const double seconds = range.from + static_cast<double>(frame) / range.fps;
        ok = renderer.submitFrame(seconds, error);
        if (ok && range.showProgress) progress.frameDone(frame + 1, seconds);
    }
    while (ok && renderer.pendingFrames() > 0) ok = output.collect(renderer, collected++, error);
    return output.close(ok, error);
}
