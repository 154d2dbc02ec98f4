#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace testing_support {

// Where an audio file's sound first and last rises above `level` (a 16-bit sample value), and its length; seconds.
struct Loudness {
    double first = -1.0, last = -1.0, length = 0.0;
};
Loudness audioLoudness(const std::filesystem::path& file, int level);

// A private PulseAudio server (no default script, one null sink, a socket in `folder`) whose sink is recorded
// from the start, so that a test can hear when a player's sound arrives and how long it lasts. The server runs
// as root too (it only warns); its home, runtime and configuration folders are `folder`.
class RecordedNullSink {
public:
    RecordedNullSink(const std::filesystem::path& folder, int level);
    ~RecordedNullSink();

    // Empty when the server or the recorder did not start, else the environment a client needs ("NAME=value").
    const std::vector<std::string>& clientEnvironment() const { return environment_; }
    std::string serverOutput() const;

    // Reads what was recorded since the last call; call it often: the first sound's time is when it was read.
    void poll();
    bool heard() const { return firstLoud_ >= 0; }
    std::chrono::steady_clock::time_point firstSoundRead() const { return firstSoundRead_; }
    // From the first to the last recorded sample above the level.
    double loudSeconds() const;

private:
    std::filesystem::path folder_;
    int level_;
    std::vector<std::string> environment_;
    std::unique_ptr<ChildProcess> server_, recorder_;
    std::ifstream recording_;
    std::int64_t sample_ = 0, firstLoud_ = -1, lastLoud_ = -1;
    std::chrono::steady_clock::time_point firstSoundRead_;
};

}  // namespace testing_support
