// The player as a person runs it: a short show under the test's X server with the dummy audio driver.
#include <gtest/gtest.h>

#include <csignal>
#include <thread>

#include "support/child_process.h"
#include "support/test_show.h"
#include "support/test_support.h"
#include "support/x11_driver.h"

namespace {

using namespace std::chrono_literals;
using testing_support::ChildProcess;
using testing_support::TempDir;

const std::vector<std::string> kEnvironment = {"SDL_AUDIODRIVER=dummy"};

class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The test script always provides a display (Xvfb); without one these tests cannot say anything.
        ASSERT_TRUE(std::getenv("DISPLAY") && X11Driver().connected()) << "needs an X display";
    }

    std::unique_ptr<ChildProcess> start(const std::vector<std::string>& arguments = {}) {
        return std::make_unique<ChildProcess>(DEMO_BINARY_DIR "/demo", arguments, show.path(), kEnvironment,
                                              show.path() / "player.out");
    }
    std::string output() const { return testing_support::readFile(show.path() / "player.out"); }
    void expectEmptyLog() const {
        ASSERT_TRUE(std::filesystem::exists(show.path() / "demo.log"));
        EXPECT_EQ(std::filesystem::file_size(show.path() / "demo.log"), 0u);
    }
    // Presses Escape in the player's window; the exit code once the player has ended (within 15 s).
    std::optional<int> pressEscape(X11Driver& x11, unsigned long window, ChildProcess& player) {
        x11.pressKey(window, "Escape");
        return player.waitFor(15s);
    }
    // The player's window once its engine has had time to start playing.
    unsigned long playingWindow(X11Driver& x11, const ChildProcess& player) {
        const unsigned long window = x11.waitForWindow("WindowClass", player.pid(), 20s);
        std::this_thread::sleep_for(1500ms);
        return window;
    }

    TempDir show;
};

TEST_F(PlayerTest, PlaysToTheEndOfTheMusicAndStopsWithoutInput) {
    testing_support::writeTestShow(show.path(), 2.0);
    show.write("demo.log", "left over from an earlier run");
    auto player = start();
    const std::optional<int> exitCode = player->waitFor(40s);
    ASSERT_TRUE(exitCode.has_value()) << "still running long after the music ended\n" << output();
    EXPECT_EQ(*exitCode, 0) << output();
    expectEmptyLog();
}

TEST_F(PlayerTest, EditorModeAlsoPlaysToTheEnd) {
    testing_support::writeTestShow(show.path(), 1.5);
    auto player = start({"editor"});
    const std::optional<int> exitCode = player->waitFor(40s);
    ASSERT_TRUE(exitCode.has_value()) << output();
    EXPECT_EQ(*exitCode, 0) << output();
}

TEST_F(PlayerTest, EscapeEndsTheShowEarly) {
    testing_support::writeTestShow(show.path(), 60.0);
    auto player = start();
    X11Driver x11;
    const unsigned long window = playingWindow(x11, *player);
    ASSERT_NE(window, 0u) << output();
    x11.moveMouse(window, 10, 10);
    const std::optional<int> exitCode = pressEscape(x11, window, *player);
    ASSERT_TRUE(exitCode.has_value()) << "Escape did not end the run\n" << output();
    EXPECT_EQ(*exitCode, 0);
    expectEmptyLog();
}

TEST_F(PlayerTest, ClosingTheWindowEndsTheShow) {
    testing_support::writeTestShow(show.path(), 60.0);
    auto player = start();
    X11Driver x11;
    const unsigned long window = playingWindow(x11, *player);
    ASSERT_NE(window, 0u) << output();
    x11.requestClose(window);
    const std::optional<int> exitCode = player->waitFor(15s);
    ASSERT_TRUE(exitCode.has_value()) << "closing the window did not end the run\n" << output();
    EXPECT_EQ(*exitCode, 0);
}

TEST_F(PlayerTest, ATerminationSignalEndsTheShowLikeClosingTheWindow) {
    testing_support::writeTestShow(show.path(), 60.0);
    auto player = start();
    X11Driver x11;
    ASSERT_NE(playingWindow(x11, *player), 0u) << output();
    kill(player->pid(), SIGTERM);
    const std::optional<int> exitCode = player->waitFor(15s);
    ASSERT_TRUE(exitCode.has_value()) << output();
    EXPECT_EQ(*exitCode, 0);
    expectEmptyLog();
}

TEST_F(PlayerTest, ResizingDuringPlaybackKeepsPlaying) {
    testing_support::writeTestShow(show.path(), 60.0);
    auto player = start();
    X11Driver x11;
    const unsigned long window = playingWindow(x11, *player);
    ASSERT_NE(window, 0u) << output();
    for (const auto& [width, height] : {std::pair{640, 360}, std::pair{1024, 700}, std::pair{320, 200}}) {
        x11.resize(window, width, height);
        std::this_thread::sleep_for(400ms);
        ASSERT_TRUE(player->running()) << output();
    }
    int width = 0, height = 0;
    ASSERT_TRUE(x11.size(window, width, height));
    EXPECT_EQ(width, 320);
    const std::optional<int> exitCode = pressEscape(x11, window, *player);
    ASSERT_TRUE(exitCode.has_value()) << output();
    EXPECT_EQ(*exitCode, 0);
}

TEST_F(PlayerTest, AMissingMusicFileStopsInAnOrderlyWayBeforeAnyFrame) {
    testing_support::writeTestShow(show.path(), 0.0);
    auto player = start();
    const std::optional<int> exitCode = player->waitFor(20s);
    ASSERT_TRUE(exitCode.has_value()) << output();
    EXPECT_EQ(*exitCode, 0);
    EXPECT_NE(output().find("music"), std::string::npos) << output();
    expectEmptyLog();
}

TEST_F(PlayerTest, AnEmptyTimelineStopsWithTheReasonAndExitCodeOne) {
    testing_support::writeTestShow(show.path(), 5.0, "<Timeline/>");
    auto player = start();
    const std::optional<int> exitCode = player->waitFor(20s);
    ASSERT_TRUE(exitCode.has_value()) << output();
    EXPECT_EQ(*exitCode, 1);
    EXPECT_NE(output().find("The timeline is empty"), std::string::npos) << output();
    expectEmptyLog();
}

TEST(PlayerWithoutDisplay, StopsInAnOrderlyWayWithAMessage) {
    TempDir show;
    testing_support::writeTestShow(show.path(), 1.0);
    ChildProcess player(DEMO_BINARY_DIR "/demo", {}, show.path(),
                        {"SDL_AUDIODRIVER=dummy", "DISPLAY=", "WAYLAND_DISPLAY=", "SDL_VIDEODRIVER=x11"},
                        show.path() / "player.out");
    const std::optional<int> exitCode = player.waitFor(20s);
    const std::string output = testing_support::readFile(show.path() / "player.out");
    ASSERT_TRUE(exitCode.has_value()) << output;
    EXPECT_EQ(*exitCode, 0) << output;
    EXPECT_NE(output.find("Window Registration Failed!"), std::string::npos) << output;
}

}  // namespace
