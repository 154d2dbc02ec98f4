// The sample show in editor mode while a show maker works on it without pause: this test (another process) saves
// the timeline, a shader and a scene every second and seeks every 100 ms. The player must not end, and its resident
// memory and live GPU objects must stay flat. 30 s here; scripts/soak.sh runs it for 10 minutes under
// AddressSanitizer (DEMO_SOAK_SECONDS).
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <regex>
#include <sstream>
#include <thread>

#include "support/child_process.h"
#include "support/test_support.h"
#include "support/x11_driver.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Resident memory of a process in kB (0 when it has gone).
long residentKilobytes(int pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

// Live GPU objects after each reload, as the player reports them with DEMO_DEBUG_OUTPUT.
std::vector<long> gpuObjectCounts(const std::string& output) {
    static const std::regex reload(R"(reload: done in \d+ ms, (\d+) GPU objects)");
    std::vector<long> counts;
    for (std::sregex_iterator match(output.begin(), output.end(), reload), end; match != end; ++match)
        counts.push_back(std::stol((*match)[1]));
    return counts;
}

// As editors save: a new file renamed over the old one.
void save(const fs::path& file, const std::string& text) {
    std::ofstream(file.string() + ".new", std::ios::binary) << text;
    fs::rename(file.string() + ".new", file);
}

TEST(Soak, EditorModeStaysFlatWhileFilesAreSavedAndTheTransportSeeks) {
    X11Driver x11;
    ASSERT_TRUE(std::getenv("DISPLAY") && x11.connected()) << "needs an X display";
    const char* asked = std::getenv("DEMO_SOAK_SECONDS");
    const auto duration = std::chrono::seconds(asked ? std::max(10, std::atoi(asked)) : 30);

    testing_support::TempDir show;
    fs::copy(fs::path(DEMO_SOURCE_DIR) / "show" / "resources", show.path() / "resources", fs::copy_options::recursive);
    const fs::path resources = show.path() / "resources";
    const fs::path timeline = resources / "timeline.xml", shader = resources / "shaders" / "post_color_p0.hlsl",
                   scene = resources / "scenes" / "hall.gltf";
    const std::string timelineText = testing_support::readFile(timeline), shaderText = testing_support::readFile(shader),
                      sceneText = testing_support::readFile(scene);

    testing_support::ChildProcess player(DEMO_BINARY_DIR "/demo", {"editor", "--size", "320x180", "--vsync", "0"},
                                         show.path(), {"SDL_AUDIODRIVER=dummy", "DEMO_DEBUG_OUTPUT=1"},
                                         show.path() / "player.out");
    const unsigned long window = x11.waitForWindow("WindowClass", player.pid(), 120s);
    const auto output = [&] { return testing_support::readFile(show.path() / "player.out"); };
    ASSERT_NE(window, 0u) << output();

    // Seeks that keep the music near its start, so that the show never plays to its end.
    const char* const seekKeys[] = {"Right", "Right", "Left", "Next", "Prior", "Right", "Home"};
    const Clock::time_point begun = Clock::now();
    long rssStart = 0, rssEnd = 0;
    std::size_t objectsBeforeStart = 0;
    int saves = 0, seeks = 0;
    for (Clock::time_point nextSave = begun; Clock::now() - begun < duration && player.running(); ++seeks) {
        x11.pressKey(window, seekKeys[seeks % std::size(seekKeys)]);
        if (Clock::now() >= nextSave) {
            // Each save differs from the one before (a comment), so every one is a change.
            const std::string mark = "\n<!-- save " + std::to_string(saves) + " -->\n";
            save(timeline, timelineText + mark);
            save(shader, shaderText + "\n// save " + std::to_string(saves) + "\n");
            save(scene, sceneText + std::string(saves % 2, ' '));
            ++saves;
            nextSave += 1s;
        }
        // The first tenth (at least 10 s) warms up (scenes, the music, caches): the start figures are taken after it.
        if (!rssStart && Clock::now() - begun >= std::max<Clock::duration>(duration / 10, 10s)) {
            rssStart = residentKilobytes(player.pid());
            objectsBeforeStart = gpuObjectCounts(output()).size();
        }
        std::this_thread::sleep_until(begun + (seeks + 1) * 100ms);
    }
    ASSERT_TRUE(player.running()) << "the player ended during the soak\n" << output();
    std::this_thread::sleep_for(2s);  // the last reloads finish
    rssEnd = residentKilobytes(player.pid());
    x11.pressKey(window, "Escape");
    const std::optional<int> exitCode = player.waitFor(60s);
    const std::string text = output();
    EXPECT_EQ(exitCode, std::optional<int>(0)) << text;
    for (const char* report : {"AddressSanitizer", "LeakSanitizer", "runtime error:", "reload error:"})
        EXPECT_EQ(text.find(report), std::string::npos) << report << "\n" << text;

    const std::vector<long> counts = gpuObjectCounts(text);
    ASSERT_GT(counts.size(), objectsBeforeStart) << text;
    // The count after a reload depends a little on which file it was (a shader's program is shared until the next
    // frame): the start is the most of the first ten after the warm-up.
    const auto startFrom = counts.begin() + long(std::min(objectsBeforeStart, counts.size() - 1));
    const long objectsStart = *std::max_element(startFrom, std::min(startFrom + 10, counts.end()));
    const long objectsEnd = counts.back();
    const long objectsMost = *std::max_element(startFrom, counts.end());
    std::cout << "soak: " << std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - begun).count() << " s, "
              << saves << " saves of 3 files, " << seeks << " seeks, " << counts.size() << " reloads\n"
              << "soak: resident memory " << rssStart / 1024 << " MB at start, " << rssEnd / 1024 << " MB at end\n"
              << "soak: live GPU objects " << objectsStart << " at start, " << objectsEnd << " at end, at most "
              << objectsMost << "\n";
    // Flat: a reload replaces what it reloads. Memory may settle a little (allocator, driver caches), not grow
    // with the number of saves.
    EXPECT_LE(objectsEnd, objectsStart) << text;
    EXPECT_LE(rssEnd, rssStart + rssStart / 5 + 20 * 1024);
}

}  // namespace
