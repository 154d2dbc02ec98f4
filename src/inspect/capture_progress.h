#pragma once

// How far a capture is, on standard error: a bar rewritten in place on a terminal (frame, percent, frames a
// second, time left), the plain line otherwise, so logs of batch captures stay readable.

#include <chrono>
#include <cstddef>
#include <cstdio>

class CaptureProgress {
public:
    CaptureProgress(std::size_t total, std::FILE* out = stderr);
    // After each frame; the first call starts the clock's count of frames.
    void frameDone(std::size_t done, double seconds);

private:
    std::size_t total_;
    std::FILE* out_;
    bool terminal_;
    std::chrono::steady_clock::time_point started_;
    std::chrono::steady_clock::time_point lastShown_{};
};
