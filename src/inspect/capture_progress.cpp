#include "inspect/capture_progress.h"

#include <unistd.h>

#include <algorithm>

CaptureProgress::CaptureProgress(std::size_t total, std::FILE* out)
    : total_(total), out_(out), terminal_(isatty(fileno(out)) != 0), started_(std::chrono::steady_clock::now()) {}

void CaptureProgress::frameDone(std::size_t done, double seconds) {
    const auto now = std::chrono::steady_clock::now();
    const bool last = done == total_;
    // Short captures stay quiet until their end; a terminal is redrawn at most ten times a second.
    if (!last && total_ <= 24) return;
    if (!last && terminal_ && now - lastShown_ < std::chrono::milliseconds(100)) return;
    lastShown_ = now;
    const double elapsed = std::chrono::duration<double>(now - started_).count();
    const double rate = elapsed > 0.0 ? static_cast<double>(done) / elapsed : 0.0;
    const double left = rate > 0.0 ? static_cast<double>(total_ - done) / rate : 0.0;
    if (terminal_) {
        constexpr int kWidth = 30;
        const double fraction = total_ ? static_cast<double>(done) / static_cast<double>(total_) : 1.0;
        const int filled = std::clamp(static_cast<int>(fraction * kWidth), 0, kWidth);
        char bar[kWidth + 1];
        for (int i = 0; i < kWidth; ++i) bar[i] = i < filled ? '#' : '-';
        bar[kWidth] = 0;
        std::fprintf(out_, "\r[%s] %3.0f%%  frame %zu/%zu  %.1f frames/s  %.0f s left  ", bar, fraction * 100.0,
                     done, total_, rate, left);
    } else {
        std::fprintf(out_, "\rframe %zu/%zu  t=%.3f s  %.2f frames/s  %.0f s left   ", done, total_, seconds, rate,
                     left);
    }
    if (last) std::fputc('\n', out_);
    std::fflush(out_);
}
