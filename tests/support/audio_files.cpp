#include "support/audio_files.h"

#include <sndfile.h>

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

namespace testing_support {

namespace {

int formatOf(AudioContainer container) {
    switch (container) {
        case AudioContainer::Wav: return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        case AudioContainer::WavFloat: return SF_FORMAT_WAV | SF_FORMAT_FLOAT;
        case AudioContainer::Flac: return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
        case AudioContainer::OggVorbis: return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
        case AudioContainer::Mp3: return SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    }
    return 0;
}

bool lossless(AudioContainer container) {
    return container == AudioContainer::Wav || container == AudioContainer::WavFloat ||
           container == AudioContainer::Flac;
}

}  // namespace

int16_t testSample(int64_t frame, int channel) {
    // Distinct per channel and never silent for long, so a swapped, dropped or shifted frame shows.
    return static_cast<int16_t>(((frame * 97 + channel * 5003) % 16001) - 8000);
}

std::filesystem::path writeAudioFile(const std::filesystem::path& path, AudioContainer container, int sampleRate,
                                     int channels, int64_t frames) {
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = formatOf(container);
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) throw std::runtime_error("cannot write " + path.string() + ": " + sf_strerror(nullptr));

    constexpr int64_t kChunk = 8192;
    std::vector<float> chunk(static_cast<size_t>(kChunk * channels));
    for (int64_t done = 0; done < frames;) {
        const int64_t count = std::min(kChunk, frames - done);
        for (int64_t i = 0; i < count; ++i) {
            for (int c = 0; c < channels; ++c) {
                const int64_t frame = done + i;
                const double value = lossless(container)
                                         ? testSample(frame, c)
                                         : std::round(8000 * std::sin(2 * M_PI * 440.0 * frame / sampleRate + c));
                chunk[static_cast<size_t>(i * channels + c)] = static_cast<float>(value / 32768.0);
            }
        }
        if (sf_writef_float(file, chunk.data(), count) != count) {
            sf_close(file);
            throw std::runtime_error("short write to " + path.string());
        }
        done += count;
    }
    sf_close(file);
    return path;
}

}  // namespace testing_support
