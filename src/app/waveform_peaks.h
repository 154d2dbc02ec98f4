#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

// The music's loudness outline for the editor's timeline strip: the largest sample of each stretch of
// kFramesPerPeak sample frames, both channels, 0..1. Decoded and measured once on a thread of its own; ready()
// says when the peaks can be read (they never change after).
class WaveformPeaks {
public:
    static constexpr uint32_t kFramesPerPeak = 256;  // 5.8 ms: finer than a pixel at any useful zoom

    WaveformPeaks() = default;
    ~WaveformPeaks();
    WaveformPeaks(const WaveformPeaks&) = delete;
    WaveformPeaks& operator=(const WaveformPeaks&) = delete;

    // Starts decoding `utf8Path` (the music file) in the background.
    void start(std::string utf8Path);
    bool ready() const { return ready_.load(std::memory_order_acquire); }
    const std::vector<float>& peaks() const { return peaks_; }
    // How long decoding and measuring took (once ready).
    double milliseconds() const { return milliseconds_; }

    // The peaks of interleaved 16-bit stereo samples.
    static std::vector<float> measure(const std::vector<int16_t>& samples);

private:
    std::thread worker_;
    std::vector<float> peaks_;
    double milliseconds_ = 0.0;
    std::atomic<bool> ready_{false};
};
