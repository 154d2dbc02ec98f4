// End to end through a real sound server: a private PulseAudio daemon with a null sink, which consumes audio at
// real time like a sound card would.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "platform/sound/sound.h"
#include "base/wide_text.h"
#include "support/audio_files.h"
#include "support/scoped_environment.h"
#include "support/test_support.h"
#include "sound_test_helpers.h"

extern char** environ;

namespace {

using testing_support::ScopedEnvironment;
using Clock = std::chrono::steady_clock;

std::filesystem::path findPulseAudio() {
    for (const char* dir : {"/usr/bin", "/bin", "/usr/local/bin"}) {
        const std::filesystem::path candidate = std::filesystem::path(dir) / "pulseaudio";
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

// The daemon lives in the given directory (runtime files, socket, log) and is stopped with the object. It runs
// as whatever user the tests run as, root included, without the system-wide instance.
class PrivatePulseServer {
public:
    PrivatePulseServer(const std::filesystem::path& binary, const std::filesystem::path& dir)
        : socket_(dir / "native"), log_(dir / "pulseaudio.log"),
          home_("HOME", dir.string()), runtime_("XDG_RUNTIME_DIR", dir.string()),
          pulseRuntime_("PULSE_RUNTIME_PATH", (dir / "pulse").string()),
          server_("PULSE_SERVER", "unix:" + socket_.string()) {
        const std::vector<std::string> arguments = {
            binary.string(), "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
            "--use-pid-file=no", "--system=no", "--disable-shm=yes", "--log-target=stderr",
            "--load=module-null-sink sink_name=demo_test_sink",
            "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket_.string()};
        std::vector<char*> argv;
        for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);

        for (int i = 0; i < 100 && pid_ > 0 && !std::filesystem::exists(socket_); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }

    ~PrivatePulseServer() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        for (int i = 0; i < 50; ++i) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }

    bool ready() const { return pid_ > 0 && std::filesystem::exists(socket_); }
    std::string log() const { return testing_support::readFile(log_); }

private:
    std::filesystem::path socket_;
    std::filesystem::path log_;
    ScopedEnvironment home_;
    ScopedEnvironment runtime_;
    ScopedEnvironment pulseRuntime_;
    ScopedEnvironment server_;
    pid_t pid_ = -1;
};

TEST(PulseAudioPlayback, PositionTracksWallTimeWithin50Milliseconds) {
    const std::filesystem::path binary = findPulseAudio();
    if (binary.empty()) GTEST_SKIP() << "pulseaudio is not installed";
    testing_support::TempDir dir;
    const PrivatePulseServer server(binary, dir.path());
    ASSERT_TRUE(server.ready()) << server.log();
    const ScopedEnvironment driver("SDL_AUDIODRIVER", "pulseaudio");

    ASSERT_TRUE(sound::initialize(sound::kDefaultDevice, 44100, 0))
        << sound::errorText(sound::lastError()) << "\n" << server.log();
    const sound_tests::ShutdownOnExit shutdown;
    sound::DeviceInfo device;
    EXPECT_TRUE(sound::deviceInfo(1, device));
    EXPECT_EQ(device.driver, "pulseaudio");

    const double duration = 4.0;
    const auto file = testing_support::writeAudioFile(dir.path() / "track.ogg",
                                                      testing_support::AudioContainer::OggVorbis, 48000, 2,
                                                      int64_t(duration * 48000));
    const sound::Handle stream = sound::createFileStream(widenUtf8(file.string()));
    ASSERT_NE(stream, 0u);
    const uint64_t length = sound::channelGetLength(stream, sound::kPositionBytes);

    // A freshly started server takes up to a couple of seconds before its sink consumes anything; the player
    // opens its device long before it plays, so wait for a warm-up stream to move first.
    const sound::Handle warmUp = sound::createFileStream(widenUtf8(file.string()));
    ASSERT_TRUE(sound::channelPlay(warmUp, false));
    for (int i = 0; i < 500 && sound::channelGetPosition(warmUp, sound::kPositionBytes) < 176400 / 5; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_GE(sound::channelGetPosition(warmUp, sound::kPositionBytes), 176400u / 5) << "the sink never started";
    ASSERT_TRUE(sound::freeStream(warmUp));

    const auto start = Clock::now();
    ASSERT_TRUE(sound::channelPlay(stream, false));
    double worst = 0;
    double worstAt = 0;
    uint64_t last = 0;
    while (sound::channelIsActive(stream) == sound::kPlaying) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const auto sample = sound_tests::readTimedPosition(stream, start);
        if (!sample) continue;
        ASSERT_GE(sample->bytes, last);
        last = sample->bytes;
        const double error = std::abs(double(sample->bytes) / 176400 - sample->seconds);
        if (error > worst) worst = error, worstAt = sample->seconds;
        ASSERT_LT(sample->seconds, duration * 2) << "never stopped";
    }
    const double playedFor = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_LT(worst, 0.050) << "at " << worstAt << " s";
    EXPECT_NEAR(playedFor, duration, 0.1);
    EXPECT_EQ(sound::channelGetPosition(stream, sound::kPositionBytes), length);
    std::cout << "[ figures  ] worst position error " << worst * 1000 << " ms over " << playedFor << " s\n";
}

}  // namespace
