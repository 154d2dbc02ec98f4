// Makes the music track of the sample show: a 210-second piece at 120 beats a minute (a bar every 2 seconds),
// synthesised here and encoded to Ogg Vorbis with ffmpeg, whose granule positions make the decoded length exact.
// The sections follow the timeline: intro, build-up, two verses around a breakdown, a bridge, the climax, a calm
// stretch under the logos (161 to 190 s) and an outro.
// Usage: make_sample_show SHOW_DIR [--force]
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kBars = 105;
constexpr double kBar = 2.0;  // seconds: 4 beats of 0.5 s
constexpr double kBeat = kBar / 4;
constexpr double kSeconds = kBars * kBar;
constexpr double kPi = 3.14159265358979323846;

double noteFrequency(int semitonesFromA4) { return 440.0 * std::pow(2.0, semitonesFromA4 / 12.0); }

// Which instruments play in a bar, and how loud the whole mix is.
struct Section {
    int firstBar;
    bool pad, arp, kick, bass, hats, snare, lead;
    int melody;  // 0 or 1: the lead's two tunes
    double level;
};

// Bars 0..104; each section runs to the next one's first bar.
constexpr Section kSections[] = {
    {0, true, true, false, false, false, false, false, 0, 0.8},   // intro
    {8, true, true, true, true, false, false, false, 0, 0.9},     // build-up (16 s)
    {16, true, true, true, true, true, true, true, 0, 1.0},       // verse (32 s)
    {32, true, true, false, false, false, false, false, 1, 0.8},  // breakdown (64 s)
    {40, true, true, true, true, true, true, true, 1, 1.0},       // second verse (80 s)
    {56, true, false, true, true, false, true, false, 0, 0.9},    // bridge, half time (112 s)
    {64, true, true, true, true, true, true, true, 1, 1.0},       // climax (128 s)
    {80, true, false, true, true, false, false, false, 0, 0.85},  // calm under the logos (160 s)
    {95, true, true, false, false, false, false, false, 0, 0.8},  // outro (190 s)
};

const Section& sectionAt(int bar) {
    const Section* found = &kSections[0];
    for (const Section& section : kSections) {
        if (section.firstBar <= bar) found = &section;
    }
    return *found;
}

// Deterministic noise for the drums.
float noise(std::uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return static_cast<float>(state >> 8) / 8388608.0f - 1.0f;
}

class Synthesiser {
public:
    // One stereo frame at time t (frames in order).
    void frame(double t, float& left, float& right) {
        const int bar = std::min(static_cast<int>(t / kBar), kBars - 1);
        const Section& section = sectionAt(bar);
        const Section& next = sectionAt(bar + 1);
        static const int chords[4][3] = {{-9, -5, -2}, {-4, 0, 3}, {-7, -3, 0}, {-2, 2, 5}};  // Am F C G
        static const int roots[4] = {-33, -28, -31, -26};                                     // A1 F1 C2 G1
        const int chord = bar % 4;
        const double inBar = std::fmod(t, kBar);
        const double beatTime = std::fmod(t, kBeat);
        const int beat = static_cast<int>(inBar / kBeat);
        // The last bar of a section before a louder one rises into it.
        const double lift = next.level > section.level && &next != &section ? inBar / kBar : 0.0;

        double l = 0.0, r = 0.0;
        if (section.pad) {
            double pad = 0.0;
            for (int i = 0; i < 3; ++i) {
                const double f = noteFrequency(chords[chord][i]);
                pad += std::sin(2 * kPi * f * t) + 0.3 * std::sin(2 * kPi * f * 1.003 * t + i);
            }
            const double swell = 0.75 + 0.25 * std::sin(2 * kPi * t / (4 * kBar));
            l += pad * 0.035 * swell;
            r += pad * 0.035 * swell;
        }
        if (section.arp) {
            const double step = kBeat / 4;
            const int index = static_cast<int>(inBar / step) % 6;
            static const int pattern[6] = {0, 1, 2, 1, 2, 0};
            const double stepTime = std::fmod(t, step);
            const double f = noteFrequency(chords[chord][pattern[index]] + 12);
            const double arp = std::sin(2 * kPi * f * t) * std::exp(-stepTime * 14.0) * 0.07;
            l += arp * 0.6;
            r += arp * 1.0;
        }
        if (section.kick) {
            const bool halfTime = !section.hats && section.snare;
            const double kickTime = halfTime ? std::fmod(t, kBar / 2) : beatTime;
            const double envelope = std::exp(-kickTime * 16.0);
            const double kick = std::sin(2 * kPi * (48.0 + 110.0 * envelope) * kickTime) * envelope * 0.45;
            l += kick;
            r += kick;
        }
        if (section.bass) {
            const double f = noteFrequency(roots[chord]);
            const double phase = std::fmod(f * t, 1.0);
            const double saw = 2.0 * phase - 1.0;
            bassFilter += (saw - bassFilter) * 0.06;
            const double gate = beatTime < kBeat * 0.8 ? 1.0 : 0.3;
            l += bassFilter * 0.16 * gate;
            r += bassFilter * 0.16 * gate;
        }
        if (section.hats) {
            const double hatTime = std::fmod(t + kBeat / 2, kBeat);
            const double hat = noise(noiseState) * std::exp(-hatTime * 60.0) * 0.06;
            l += hat * 1.0;
            r += hat * 0.6;
        }
        if (section.snare && (beat == 1 || beat == 3)) {
            const double body = std::sin(2 * kPi * 185.0 * beatTime) * std::exp(-beatTime * 30.0);
            const double snare = (noise(noiseState) * 0.7 + body * 0.5) * std::exp(-beatTime * 18.0) * 0.18;
            l += snare;
            r += snare;
        }
        if (section.lead) {
            static const int tunes[2][16] = {{12, 15, 19, 15, 17, 15, 12, 10, 12, 15, 19, 22, 20, 19, 17, 15},
                                             {24, 22, 19, 17, 19, 15, 12, 15, 17, 19, 20, 19, 17, 15, 14, 12}};
            const double step = kBeat;
            const int index = static_cast<int>(std::fmod(t, 8 * kBar) / (kBar / 2)) % 16;
            const double stepTime = std::fmod(t, step);
            const double f = noteFrequency(tunes[section.melody][index]);
            const double vibrato = 1.0 + 0.004 * std::sin(2 * kPi * 5.5 * t);
            leadPhase += f * vibrato / kRate;
            const double tone = std::sin(2 * kPi * leadPhase) + 0.25 * std::sin(4 * kPi * leadPhase);
            const double lead = tone * (0.4 + 0.6 * std::exp(-stepTime * 5.0)) * 0.06;
            l += lead * 0.8;
            r += lead * 1.0;
        }
        if (lift > 0.0) {
            const double riser = noise(noiseState) * lift * lift * 0.05;
            l += riser;
            r += riser;
        }
        const double fade = std::min(1.0, std::min(t / 1.0, (kSeconds - t) / 6.0));
        const double gain = section.level * fade;
        left = static_cast<float>(std::tanh(l * gain * 1.2));
        right = static_cast<float>(std::tanh(r * gain * 1.2));
    }

private:
    std::uint32_t noiseState = 12345;
    double bassFilter = 0.0;
    double leadPhase = 0.0;
};

bool writeWave(const std::filesystem::path& file) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* sound = sf_open(file.c_str(), SFM_WRITE, &info);
    if (!sound) {
        std::fprintf(stderr, "make_sample_show: cannot write %s: %s\n", file.c_str(), sf_strerror(nullptr));
        return false;
    }
    Synthesiser synthesiser;
    const sf_count_t frames = static_cast<sf_count_t>(kSeconds * kRate);
    std::vector<float> block(2 * 4096);
    for (sf_count_t first = 0; first < frames; first += 4096) {
        const sf_count_t count = std::min<sf_count_t>(4096, frames - first);
        for (sf_count_t i = 0; i < count; ++i) {
            synthesiser.frame(static_cast<double>(first + i) / kRate, block[2 * i], block[2 * i + 1]);
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
    const std::filesystem::path wave = std::filesystem::temp_directory_path() / "make_sample_show.wav";
    if (!writeWave(wave)) return 1;
    const std::string command = "ffmpeg -hide_banner -loglevel error -y -i '" + wave.string() +
                                "' -c:a libvorbis -q:a 4 '" + music.string() + "'";
    const int status = std::system(command.c_str());
    std::filesystem::remove(wave);
    if (status != 0) {
        std::fprintf(stderr, "make_sample_show: ffmpeg could not encode %s\n", music.c_str());
        return 1;
    }
    return 0;
}
