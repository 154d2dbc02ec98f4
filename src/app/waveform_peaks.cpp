#include "app/waveform_peaks.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "platform/process/debug_output.h"
#include "platform/sound/sound_decoder.h"

WaveformPeaks::~WaveformPeaks() {
    if (worker_.joinable()) worker_.join();
}

std::vector<float> WaveformPeaks::measure(const std::vector<int16_t>& samples) {
    constexpr size_t kSamplesPerPeak = size_t{kFramesPerPeak} * 2;
    std::vector<float> peaks((samples.size() + kSamplesPerPeak - 1) / kSamplesPerPeak);
    for (size_t peak = 0; peak < peaks.size(); ++peak) {
        const size_t begin = peak * kSamplesPerPeak, end = std::min(samples.size(), begin + kSamplesPerPeak);
        int largest = 0;
        for (size_t i = begin; i < end; ++i) largest = std::max(largest, std::abs(int{samples[i]}));
        peaks[peak] = static_cast<float>(largest) / 32768.0f;
    }
    return peaks;
}

void WaveformPeaks::start(std::string utf8Path) {
    if (worker_.joinable()) return;
    worker_ = std::thread([this, path = std::move(utf8Path)] {
        const auto begun = std::chrono::steady_clock::now();
        sound::DecodedAudio audio;
        if (sound::decodeAudioFile(path, audio) == 0) peaks_ = measure(audio.samples);
        milliseconds_ = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begun).count();
        const std::string line = "waveform: " + std::to_string(audio.frames() / 44100) + " s of music in " +
                                 std::to_string(static_cast<long>(milliseconds_)) + " ms\n";
        platform::debugOutput(line.c_str());
        ready_.store(true, std::memory_order_release);
    });
}
