// Figures for the sound layer: how long decoding and converting a 4-minute 48 kHz Ogg Vorbis track takes (the
// player does it at start-up), what it costs per resampler quality, the memory the decoded track takes, and how
// far the playback position strays from wall time over 10 s on SDL's dummy driver.
//   bench_audio_decode [FILE]   (without FILE a 4-minute test track is encoded first, which takes a while)
#include <samplerate.h>
#include <sndfile.h>
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/sound/sound.h"
#include "platform/sound/sound_decoder.h"
#include "base/wide_text.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

long peakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Music-like enough for Vorbis: a few drifting tones and some noise.
bool writeTestTrack(const std::string& path, int seconds) {
    SF_INFO info{};
    info.samplerate = 48000;
    info.channels = 2;
    info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) return false;
    std::vector<float> chunk(48000 * 2);
    uint32_t noise = 1;
    for (int s = 0; s < seconds; ++s) {
        for (int i = 0; i < 48000; ++i) {
            const double t = s + i / 48000.0;
            noise = noise * 1664525u + 1013904223u;
            const double n = (noise >> 8) / double(1 << 24) - 0.5;
            const double v = 0.3 * std::sin(2 * M_PI * 220 * t) + 0.2 * std::sin(2 * M_PI * (330 + 20 * std::sin(t)) * t);
            chunk[2 * i] = float(v + 0.05 * n);
            chunk[2 * i + 1] = float(v - 0.05 * n);
        }
        sf_writef_float(file, chunk.data(), 48000);
    }
    sf_close(file);
    return true;
}

void compareQualities(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) return;
    const auto decodeStart = Clock::now();
    std::vector<float> source(size_t(info.frames) * info.channels);
    const sf_count_t frames = sf_readf_float(file, source.data(), info.frames);
    sf_close(file);
    std::printf("  decoding alone (libsndfile, to float): %.2f s\n", secondsSince(decodeStart));

    const double ratio = 44100.0 / info.samplerate;
    std::vector<float> out(size_t(std::ceil(frames * ratio) + 64) * info.channels);
    const std::pair<int, const char*> qualities[] = {{SRC_LINEAR, "linear"},
                                                     {SRC_SINC_FASTEST, "sinc fastest"},
                                                     {SRC_SINC_MEDIUM_QUALITY, "sinc medium"},
                                                     {SRC_SINC_BEST_QUALITY, "sinc best"}};
    for (const auto& [quality, name] : qualities) {
        SRC_DATA data{};
        data.data_in = source.data();
        data.input_frames = long(frames);
        data.data_out = out.data();
        data.output_frames = long(out.size() / info.channels);
        data.src_ratio = ratio;
        const auto start = Clock::now();
        const int error = src_simple(&data, quality, info.channels);
        std::printf("  converting only, %-13s %.2f s%s\n", name, secondsSince(start), error ? " (failed)" : "");
    }
}

void positionAgainstWallTime(const std::string& path) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    if (!sound::initialize(sound::kDefaultDevice, 44100, 0)) {
        std::printf("  no output: %s\n", sound::errorText(sound::lastError()));
        return;
    }
    const sound::Handle stream = sound::createFileStream(widenUtf8(path));
    if (!stream || !sound::channelPlay(stream, false)) {
        std::printf("  cannot play: %s\n", sound::errorText(sound::lastError()));
        sound::shutdown();
        return;
    }
    const auto start = Clock::now();
    double worst = 0, sum = 0, last = 0;
    int samples = 0;
    uint64_t previous = 0;
    bool backwards = false;
    while (secondsSince(start) < 10.0) {
        const uint64_t position = sound::channelGetPosition(stream, sound::kPositionBytes);
        const double error = double(position) / sound::kBytesPerSecond - secondsSince(start);
        backwards |= position < previous;
        previous = position;
        worst = std::max(worst, std::abs(error));
        sum += std::abs(error);
        last = error;
        ++samples;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const auto queryStart = Clock::now();
    for (int i = 0; i < 1000000; ++i) previous += sound::channelGetPosition(stream, sound::kPositionBytes) & 1;
    const double queryNanos = secondsSince(queryStart) * 1e3;
    std::printf("  position - wall time over 10 s (dummy driver): mean |error| %.1f ms, worst %.1f ms, at 10 s %+.1f ms"
                " (%+.2f %%), %s\n",
                sum / samples * 1e3, worst * 1e3, last * 1e3, last / 10.0 * 100, backwards ? "WENT BACKWARDS" : "monotonic");
    std::printf("  one position query: %.0f ns\n", queryNanos);
    sound::shutdown();
}

}  // namespace

int main(int argc, char** argv) {
    std::string path;
    std::filesystem::path temporary;
    if (argc > 1) {
        path = argv[1];
    } else {
        temporary = std::filesystem::temp_directory_path() / "bench-audio-decode.ogg";
        path = temporary.string();
        const auto start = Clock::now();
        if (!writeTestTrack(path, 240)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("encoded a 4-minute 48 kHz stereo Ogg Vorbis track in %.1f s\n", secondsSince(start));
    }

    const long residentBefore = peakResidentKiB();
    const auto start = Clock::now();
    sound::DecodedAudio decoded;
    const int result = sound::decodeAudioFile(path, decoded);
    const double decodeSeconds = secondsSince(start);
    if (result != sound::kOk) {
        std::fprintf(stderr, "cannot decode %s: %s\n", path.c_str(), sound::errorText(result));
        return 1;
    }
    std::printf("%s: %u Hz, %u channels, %.1f s of music\n", path.c_str(), decoded.sourceRate, decoded.sourceChannels,
                double(decoded.frames()) / sound::kFrequency);
    std::printf("  decode + convert to 44100 Hz 16-bit stereo (as the player does): %.2f s\n", decodeSeconds);
    std::printf("  decoded track: %.1f MB; peak resident memory grew by %.1f MB\n",
                decoded.samples.size() * 2 / 1e6, (peakResidentKiB() - residentBefore) / 1024.0);
    decoded = {};

    compareQualities(path);
    positionAgainstWallTime(path);
    if (!temporary.empty()) std::filesystem::remove(temporary);
    return 0;
}
