// Makes the generated files of the sample show: the music track, a 32-second synthesised loop at 120 beats a
// minute, written as Ogg Vorbis. Usage: make_sample_show SHOW_DIR [--force]
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr double kSeconds = 32.0;
constexpr double kBeat = 0.5;  // seconds
constexpr double kPi = 3.14159265358979323846;

double noteFrequency(int semitonesFromA4) { return 440.0 * std::pow(2.0, semitonesFromA4 / 12.0); }

// One stereo frame of the track at time t.
void synthesise(double t, float& left, float& right) {
    static const int chords[4][3] = {{-9, -5, -2}, {-4, 0, 3}, {-7, -3, 0}, {-2, 2, 5}};  // Am F C G around A3
    const int bar = static_cast<int>(t / (4 * kBeat)) % 4;
    const double beatTime = std::fmod(t, kBeat);
    double pad = 0.0;
    for (int note : chords[bar]) pad += std::sin(2 * kPi * noteFrequency(note) * t) * 0.08;
    const double kickEnvelope = std::exp(-beatTime * 18.0);
    const double kick = std::sin(2 * kPi * (50.0 + 90.0 * kickEnvelope) * beatTime) * kickEnvelope * 0.5;
    const int step = static_cast<int>(t / (kBeat / 2)) % 8;
    static const int melody[8] = {12, 15, 19, 15, 17, 15, 12, 10};
    const double stepTime = std::fmod(t, kBeat / 2);
    const double lead = std::sin(2 * kPi * noteFrequency(melody[step]) * t) * std::exp(-stepTime * 8.0) * 0.12;
    const double fade = std::min(1.0, std::min(t / 0.5, (kSeconds - t) / 2.0));
    left = static_cast<float>((pad + kick + lead * 0.7) * fade);
    right = static_cast<float>((pad + kick + lead * 1.0) * fade);
}

bool writeMusic(const std::filesystem::path& file) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    SNDFILE* sound = sf_open(file.c_str(), SFM_WRITE, &info);
    if (!sound) {
        std::fprintf(stderr, "make_sample_show: cannot write %s: %s\n", file.c_str(), sf_strerror(nullptr));
        return false;
    }
    const sf_count_t frames = static_cast<sf_count_t>(kSeconds * kRate);
    std::vector<float> block(2 * 4096);
    for (sf_count_t first = 0; first < frames; first += 4096) {
        const sf_count_t count = std::min<sf_count_t>(4096, frames - first);
        for (sf_count_t i = 0; i < count; ++i) {
            synthesise(static_cast<double>(first + i) / kRate, block[2 * i], block[2 * i + 1]);
        }
        sf_writef_float(sound, block.data(), count);
    }
    return sf_close(sound) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: make_sample_show SHOW_DIR [--force]\n", stderr);
        return 1;
    }
    const std::filesystem::path show = argv[1];
    const bool force = argc > 2 && std::strcmp(argv[2], "--force") == 0;
    const std::filesystem::path music = show / "resources" / "music.ogg";
    if (!force && std::filesystem::exists(music)) return 0;
    return writeMusic(music) ? 0 : 1;
}
