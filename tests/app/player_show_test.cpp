// The player on shows with scenes, watched through the X server as a person would see it: the preloader while
// it loads, the frames it plays, and how each way of ending a run ends it. Last, one run of the whole sample show
// on a PulseAudio server whose null sink is recorded, timed against the music.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <regex>
#include <thread>

#include "support/child_process.h"
#include "support/recorded_null_sink.h"
#include "support/test_show.h"
#include "support/test_support.h"
#include "support/window_capture.h"
#include "support/x11_driver.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing_support::ChildProcess;
using testing_support::RgbImage;
using testing_support::TempDir;
using testing_support::meanAbsoluteDifference;

const fs::path kSampleShow = DEMO_SOURCE_DIR "/show";

// Same program, same driver, same frame: only rounding in reading the window back through X could differ.
// Measured: 0.0 against the preload image and against demo-render's frame; the same marker 0.16 s of animation
// later differs by 8.6, at 1 s by 18, through another camera by 58.
constexpr double kSamePicture = 1.0;

constexpr int kSoundLevel = 100;  // of 32767: far above the recording's silence

// One marker for the whole music that holds its animation still (start == end) with effects of the sample show
// on: every frame of the run is the same picture, whatever the music position, until a focus pull at 7 s (keys
// out of document order: before 7 s the focus is 0.78, the value of the earliest key).
const std::string kStillTimeline = R"(<Timeline timeunit="second">
  <TimelineTrack label="Still" to="3600" scene="Orbit" camera="Camera" start="0.25" end="0.25">
    <Effect type="DOF"><Parameter name="aperture"><Key value="0.05"/></Parameter>
      <Parameter name="focus" interpolate="smooth"><Key value="0.4" time="7.5"/><Key value="0.78" time="7"/></Parameter>
    </Effect>
    <Effect type="Bloom"><Parameter name="size"><Key value="0.75" time="0"/></Parameter></Effect>
    <Effect type="ColorCorrection"><Parameter name="vignette"><Key value="0.6" time="0"/></Parameter></Effect>
  </TimelineTrack>
</Timeline>)";

// A slow camera flight through one scene: every frame differs from the one before.
const std::string kMovingTimeline = R"(<Timeline timeunit="second">
  <TimelineTrack label="Moving" to="3600" scene="Orbit" camera="Camera" start="0" end="1"/>
</Timeline>)";

// Every scene of the sample show, each under several names (the player imports each name once), so that loading
// lasts long enough to tell an end that waits for it from one that does not.
const std::string kSceneCopies = [] {
    std::string scenes;
    for (int copy = 1; copy <= 4; ++copy)
        for (const char* scene : {"hall", "orbit", "tunnel", "field"})
            scenes += "<Scene name=\"" + std::string(scene) + std::to_string(copy) + "\" path=\"resources/scenes/" +
                      scene + ".gltf\"/>";
    return scenes;
}();
const std::string kAllScenesTimeline = [] {
    std::string timeline = "<Timeline timeunit=\"second\">";
    int to = 0;
    for (int copy = 1; copy <= 4; ++copy)
        for (const char* scene : {"hall", "orbit", "tunnel", "field"})
            timeline += "<TimelineTrack label=\"" + std::string(scene) + "\" to=\"" + std::to_string(to += 10) +
                        "\" scene=\"" + scene + std::to_string(copy) + "\" camera=\"Camera\" start=\"0\" end=\"1\"/>";
    return timeline + "</Timeline>";
}();

using testing_support::writeShortShow;

class PlayerShowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(std::getenv("DISPLAY") && X11Driver().connected()) << "needs an X display";
        preload = testing_support::loadRgbPng(kSampleShow / "resources" / "textures" / "preload.png");
        ASSERT_EQ(preload.width, 1920);
    }

    void start(const std::vector<std::string>& arguments = {},
               const std::vector<std::string>& environment = {"SDL_AUDIODRIVER=dummy"}) {
        player = std::make_unique<ChildProcess>(DEMO_BINARY_DIR "/demo", arguments, show.path(), environment,
                                                show.path() / "player.out");
        window = x11.waitForWindow("WindowClass", player->pid(), 30s);
        ASSERT_NE(window, 0u) << output();
    }
    std::string output() const { return testing_support::readFile(show.path() / "player.out"); }
    void expectEmptyLog() const {
        ASSERT_TRUE(fs::exists(show.path() / "demo.log"));
        EXPECT_EQ(fs::file_size(show.path() / "demo.log"), 0u);
    }
    // Screenshots until `wanted` says yes; false when the player ends or `timeout` passes first.
    template <typename Wanted>
    bool waitForPicture(Wanted wanted, std::chrono::seconds timeout) {
        const auto deadline = Clock::now() + timeout;
        while (Clock::now() < deadline && player->running()) {
            last = capture.capture(window);
            if (!last.empty() && wanted(last)) return true;
            std::this_thread::sleep_for(100ms);
        }
        return false;
    }
    bool isPreloader(const RgbImage& image) const { return meanAbsoluteDifference(image, preload) < kSamePicture; }
    // Neither the preloader nor the empty window before it.
    bool isShowFrame(const RgbImage& image) const {
        return !isPreloader(image) && *std::max_element(image.pixels.begin(), image.pixels.end()) > 32;
    }
    // Leaves the last screenshot next to the test's output for a person to look at.
    std::string keepScreenshot(const std::string& name) const {
        const fs::path file = fs::path(DEMO_BINARY_DIR) / ("player_show_" + name + ".png");
        testing_support::saveRgbPng(file, last);
        return " (screenshot: " + file.string() + ")";
    }

    TempDir show;
    RgbImage preload;
    X11Driver x11;
    testing_support::WindowCapture capture;
    std::unique_ptr<ChildProcess> player;
    unsigned long window = 0;
    RgbImage last;
};

TEST_F(PlayerShowTest, ShowsThePreloaderThenFramesLikeDemoRenderAndEndsWithTheMusic) {
    // Eight seconds: the frames before the focus pull are all alike.
    ASSERT_NO_FATAL_FAILURE(writeShortShow(show.path(), 8.0, kStillTimeline));
    const auto rendered = testing_support::runCommand(
        "cd " + testing_support::shellQuote(show.path()) + " && " DEMO_BINARY_DIR
        "/demo-render --size 1920x1080 --at 1 --out expected.png --at 7.25 --out pulling.png 2>&1");
    ASSERT_EQ(rendered.exitCode, 0) << rendered.output;
    const RgbImage expected = testing_support::loadRgbPng(show.path() / "expected.png");
    ASSERT_GT(meanAbsoluteDifference(expected, preload), 10.0) << "the frame must not pass for the preloader";
    // Halfway through the focus pull the picture is another (the window's frames below are all before it).
    EXPECT_GT(meanAbsoluteDifference(testing_support::loadRgbPng(show.path() / "pulling.png"), expected), kSamePicture);

    show.write("demo.log", "left over from an earlier run");
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_EQ(capture.title(window), "CorvidMinimal");
    int width = 0, height = 0;
    ASSERT_TRUE(x11.size(window, width, height));
    EXPECT_EQ(width, 1920);
    EXPECT_EQ(height, 1080);
    int x = -1, y = -1;
    ASSERT_TRUE(capture.position(window, x, y));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);

    bool preloaderFirst = false;
    const bool played = waitForPicture(
        [&](const RgbImage& image) {
            preloaderFirst = preloaderFirst || isPreloader(image);
            return meanAbsoluteDifference(image, expected) < kSamePicture;
        },
        120s);
    EXPECT_TRUE(preloaderFirst) << "no screenshot showed preload.png before the first frame";
    ASSERT_TRUE(played) << "no frame matched demo-render's; last one differs by "
                        << meanAbsoluteDifference(last, expected) << keepScreenshot("frame") << "\n"
                        << output();
    // The marker holds its picture still, so a later frame of the run matches just as well.
    std::this_thread::sleep_for(1s);
    last = capture.capture(window);
    EXPECT_LT(meanAbsoluteDifference(last, expected), kSamePicture) << keepScreenshot("later_frame");

    // How soon after the music it ends is timed on a sound server, below.
    const std::optional<int> exitCode = player->waitFor(60s);
    ASSERT_TRUE(exitCode.has_value()) << "still running long after the music ended\n" << output();
    EXPECT_EQ(*exitCode, 0) << output();
    expectEmptyLog();
}

TEST_F(PlayerShowTest, EditorModePlaysTheShowToTheEnd) {
    ASSERT_NO_FATAL_FAILURE(writeShortShow(show.path(), 3.0, kStillTimeline));
    ASSERT_NO_FATAL_FAILURE(start({"editor"}));
    EXPECT_TRUE(waitForPicture([&](const RgbImage& image) { return isShowFrame(image); }, 120s))
        << "no frame of the show appeared" << keepScreenshot("editor");
    const std::optional<int> exitCode = player->waitFor(60s);
    ASSERT_TRUE(exitCode.has_value()) << output();
    EXPECT_EQ(*exitCode, 0) << output();
    expectEmptyLog();
}

enum class Ending { Escape, CloseButton, Terminate };
enum class Stage { Loading, Playing };

class PlayerShowEndingTest : public PlayerShowTest, public ::testing::WithParamInterface<std::tuple<Ending, Stage>> {};

// The sound tells the stages apart after the run: a run that ends while loading must not wait for the loading
// to finish, which would start the music.
TEST_P(PlayerShowEndingTest, EndsAtOnceWithExitCodeZero) {
    const auto [ending, stage] = GetParam();
    ASSERT_NO_FATAL_FAILURE(
        stage == Stage::Loading ? writeShortShow(show.path(), 60.0, kAllScenesTimeline, kSceneCopies)
                                : writeShortShow(show.path(), 60.0, kStillTimeline));
    TempDir soundFolder;
    testing_support::RecordedNullSink sink(soundFolder.path(), kSoundLevel);
    std::vector<std::string> environment = sink.clientEnvironment();
    ASSERT_FALSE(environment.empty()) << "the sound server did not start\n" << sink.serverOutput();
    environment.push_back("SDL_AUDIODRIVER=pulseaudio");
    ASSERT_NO_FATAL_FAILURE(start({}, environment));
    ASSERT_TRUE(waitForPicture([&](const RgbImage& image) { return isPreloader(image); }, 120s))
        << "the preloader never showed" << keepScreenshot("ending") << "\n" << output();
    if (stage == Stage::Playing) {
        ASSERT_TRUE(waitForPicture([&](const RgbImage& image) { return isShowFrame(image); }, 120s))
            << "no frame of the show appeared\n" << output();
        // The first frame may be up before the first sound reaches the sink.
        const auto deadline = Clock::now() + 30s;
        while (!sink.heard() && player->running() && Clock::now() < deadline) {
            std::this_thread::sleep_for(10ms);
            sink.poll();
        }
        ASSERT_TRUE(sink.heard()) << "the music did not play\n" << output();
    }
    switch (ending) {
    case Ending::Escape: x11.pressKey(window, "Escape"); break;
    case Ending::CloseButton: x11.requestClose(window); break;
    case Ending::Terminate: kill(player->pid(), SIGTERM); break;
    }
    const std::optional<int> exitCode = player->waitFor(15s);
    ASSERT_TRUE(exitCode.has_value()) << "the player did not end\n" << output();
    EXPECT_EQ(*exitCode, 0) << output();
    expectEmptyLog();
    if (stage == Stage::Loading) {
        std::this_thread::sleep_for(300ms);
        sink.poll();
        EXPECT_FALSE(sink.heard()) << "the run waited for the loading to finish and started the music";
    }
}

std::string endingName(const ::testing::TestParamInfo<std::tuple<Ending, Stage>>& info) {
    static const char* const endings[] = {"Escape", "CloseButton", "Terminate"};
    static const char* const stages[] = {"WhileLoading", "WhilePlaying"};
    return std::string(endings[static_cast<int>(std::get<0>(info.param))]) +
           stages[static_cast<int>(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(EachWayAtEachStage, PlayerShowEndingTest,
                         ::testing::Combine(::testing::Values(Ending::Escape, Ending::CloseButton, Ending::Terminate),
                                            ::testing::Values(Stage::Loading, Stage::Playing)),
                         endingName);

struct TimedRun {
    std::optional<int> exitCode;
    std::string output;
    bool heard = false;
    double runSeconds = 0.0;    // from the start of playback to the end of the process
    double heardSeconds = 0.0;  // from the first to the last sound the sink played
    double longestFrame = 0.0;  // the longest time between two presented frames during playback
};

// Plays the show in `showFolder` with its sound on a recorded null sink. Playback started when the first sound
// reached the sink, less the music's own lead-in before that level. Frames are told apart by a band across the
// middle of the window, read back often (the show's pictures move).
TimedRun playOnSoundServer(const fs::path& showFolder, const testing_support::Loudness& music) {
    TempDir scratch;
    testing_support::RecordedNullSink sink(scratch.path(), kSoundLevel);
    std::vector<std::string> environment = sink.clientEnvironment();
    EXPECT_FALSE(environment.empty()) << "the sound server did not start\n" << sink.serverOutput();
    if (environment.empty()) return {};
    environment.push_back("SDL_AUDIODRIVER=pulseaudio");
    ChildProcess player(DEMO_BINARY_DIR "/demo", {}, showFolder, environment, scratch.path() / "player.out");
    X11Driver x11;
    testing_support::WindowCapture capture;
    unsigned long window = 0;
    RgbImage band;
    std::optional<Clock::time_point> lastFrame;
    TimedRun run;
    const auto deadline = Clock::now() + std::chrono::duration<double>(music.length + 300.0);
    while (!(run.exitCode = player.waitFor(0ms)) && Clock::now() < deadline) {
        sink.poll();
        if (!window) window = x11.waitForWindow("WindowClass", player.pid(), 1ms);
        RgbImage now = window && sink.heard() ? capture.capture(window, 0, 538, 1920, 4) : RgbImage{};
        if (!now.empty() && now.pixels != band.pixels) {
            const auto at = Clock::now();
            if (lastFrame)
                run.longestFrame = std::max(run.longestFrame, std::chrono::duration<double>(at - *lastFrame).count());
            lastFrame = at;
            band = std::move(now);
        }
        std::this_thread::sleep_for(10ms);
    }
    const auto ended = Clock::now();
    run.output = testing_support::readFile(scratch.path() / "player.out");
    std::this_thread::sleep_for(500ms);
    sink.poll();
    run.heard = sink.heard();
    run.heardSeconds = sink.loudSeconds();
    const auto leadIn = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(music.first));
    run.runSeconds = std::chrono::duration<double>(ended - (sink.firstSoundRead() - leadIn)).count();
    std::cout << "music " << music.length << " s; the run ended " << run.runSeconds
              << " s after playback started; sound heard for " << run.heardSeconds << " s of the music's "
              << music.last - music.first << " s; longest frame " << run.longestFrame << " s\n";
    return run;
}

// The end of the music is noticed when the frame in progress is done, and no frame is begun after it: the run
// ends within a second of the music, or within a frame and the exit routine's grace period where frames are
// slower than that (1080p on llvmpipe takes up to about 0.8 s a frame here).
void expectRunEndedWithTheMusic(const TimedRun& run, const testing_support::Loudness& music) {
    ASSERT_TRUE(run.exitCode.has_value()) << "still running long after the music\n" << run.output;
    EXPECT_EQ(*run.exitCode, 0) << run.output;
    ASSERT_TRUE(run.heard) << "no sound reached the sound server\n" << run.output;
    EXPECT_GT(run.longestFrame, 0.0) << "no frames were seen during playback";
    EXPECT_GT(run.runSeconds, music.length - 0.2);
    EXPECT_LT(run.runSeconds, music.length + std::max(1.0, run.longestFrame + 0.3));
    // All of the music was heard, at its own speed.
    EXPECT_NEAR(run.heardSeconds, music.last - music.first, 0.5);
}

TEST_F(PlayerShowTest, OnASoundServerTheRunEndsWithTheMusic) {
    ASSERT_NO_FATAL_FAILURE(writeShortShow(show.path(), 6.0, kMovingTimeline));
    const auto music = testing_support::audioLoudness(show.path() / "resources" / "music.wav", kSoundLevel);
    expectRunEndedWithTheMusic(playOnSoundServer(show.path(), music), music);
    expectEmptyLog();
}

// The whole sample show (about four minutes), run on its own.
TEST(SampleShowRun, PlaysTheWholeMusicOnASoundServerAndEndsWithIt) {
    ASSERT_TRUE(std::getenv("DISPLAY") && X11Driver().connected()) << "needs an X display";
    const auto music = testing_support::audioLoudness(kSampleShow / "resources" / "music.ogg", kSoundLevel);
    ASSERT_GT(music.length, 10.0);
    ASSERT_GE(music.first, 0.0);
    expectRunEndedWithTheMusic(playOnSoundServer(kSampleShow, music), music);
    ASSERT_TRUE(fs::exists(kSampleShow / "demo.log"));
    EXPECT_EQ(fs::file_size(kSampleShow / "demo.log"), 0u);
}

}  // namespace
