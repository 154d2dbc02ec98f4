#include "support/recorded_null_sink.h"

#include <signal.h>
#include <sndfile.h>

#include <cstdlib>
#include <thread>

#include "support/test_support.h"

namespace testing_support {

Loudness audioLoudness(const std::filesystem::path& file, int level) {
    SF_INFO info{};
    SNDFILE* sound = sf_open(file.c_str(), SFM_READ, &info);
    if (!sound) return {};
    Loudness loudness;
    loudness.length = static_cast<double>(info.frames) / info.samplerate;
    std::vector<short> block(static_cast<std::size_t>(4096 * info.channels));
    sf_count_t frame = 0, read = 0;
    while ((read = sf_readf_short(sound, block.data(), 4096)) > 0) {
        for (sf_count_t i = 0; i < read * info.channels; ++i) {
            if (std::abs(block[static_cast<std::size_t>(i)]) <= level) continue;
            const double at = static_cast<double>(frame + i / info.channels) / info.samplerate;
            if (loudness.first < 0) loudness.first = at;
            loudness.last = at;
        }
        frame += read;
    }
    sf_close(sound);
    return loudness;
}

RecordedNullSink::RecordedNullSink(const std::filesystem::path& folder, int level) : folder_(folder), level_(level) {
    const std::string socket = (folder / "native").string();
    std::vector<std::string> environment = {"HOME=" + folder.string(), "XDG_RUNTIME_DIR=" + folder.string(),
                                            "XDG_CONFIG_HOME=" + folder.string(),
                                            "PULSE_RUNTIME_PATH=" + folder.string()};
    server_ = std::make_unique<ChildProcess>(
        "/usr/bin/pulseaudio",
        std::vector<std::string>{"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                                 "--disable-shm=yes", "-L", "module-null-sink sink_name=null", "-L",
                                 "module-native-protocol-unix auth-anonymous=1 socket=" + socket},
        folder, environment, folder / "pulseaudio.out");
    environment.push_back("PULSE_SERVER=unix:" + socket);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (runCommand(environment.back() + " pactl info >/dev/null 2>&1").exitCode != 0) {
        if (!server_->running() || std::chrono::steady_clock::now() > deadline) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    // Short fragments, so that the sound is read soon after the sink plays it.
    recorder_ = std::make_unique<ChildProcess>(
        "/usr/bin/parec",
        std::vector<std::string>{"--device=null.monitor", "--raw", "--format=s16le", "--rate=44100",
                                 "--channels=2", "--latency-msec=20", (folder / "null.raw").string()},
        folder, environment, folder / "parec.out");
    environment_ = environment;
}

RecordedNullSink::~RecordedNullSink() {
    for (ChildProcess* process : {recorder_.get(), server_.get()}) {
        if (!process) continue;
        kill(process->pid(), SIGTERM);
        process->waitFor(std::chrono::seconds(5));
    }
}

std::string RecordedNullSink::serverOutput() const { return readFile(folder_ / "pulseaudio.out"); }

void RecordedNullSink::poll() {
    if (!recording_.is_open()) {
        recording_.open(folder_ / "null.raw", std::ios::binary);
        if (!recording_.is_open()) return;
    }
    std::int16_t samples[4096];
    for (;;) {
        recording_.clear();
        recording_.read(reinterpret_cast<char*>(samples), sizeof samples);
        const std::streamsize bytes = recording_.gcount();
        // Half a sample waits for the next read.
        if (bytes % 2) {
            recording_.clear();
            recording_.seekg(-1, std::ios::cur);
        }
        const std::streamsize count = bytes / 2;
        if (count == 0) return;
        for (std::streamsize i = 0; i < count; ++i, ++sample_) {
            if (std::abs(samples[i]) <= level_) continue;
            if (firstLoud_ < 0) {
                firstLoud_ = sample_;
                firstSoundRead_ = std::chrono::steady_clock::now();
            }
            lastLoud_ = sample_;
        }
    }
}

double RecordedNullSink::loudSeconds() const {
    return heard() ? static_cast<double>(lastLoud_ - firstLoud_) / 2.0 / 44100.0 : 0.0;
}

}  // namespace testing_support
