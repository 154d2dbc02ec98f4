// Live reload reads a saved file only once it has stopped changing: a big file copied in slowly is read whole.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <thread>

#include "app/live_reload.h"
#include "support/test_support.h"

namespace {

using namespace std::chrono_literals;

TEST(LiveReloadSettle, WaitsWhileAFileGrowsAndNotForMissingFilesOrAfterStop) {
    testing_support::TempDir dir;
    const std::string growing = (dir.path() / "scene.gltf").string();
    const std::string missing = (dir.path() / "gone.hlsl").string();
    std::ofstream(growing) << "{";
    std::atomic<bool> written{false};
    std::thread writer([&] {
        for (int i = 0; i < 10; ++i) {
            std::this_thread::sleep_for(30ms);
            std::ofstream(growing, std::ios::app) << "\"part\": " << i << ",";
        }
        written = true;
    });
    EXPECT_TRUE(LiveReload::waitUntilSettled({growing, missing}, 100ms, 10s, [] { return false; }));
    EXPECT_TRUE(written) << "read while the file was still being written";
    writer.join();

    EXPECT_TRUE(LiveReload::waitUntilSettled({missing}, 50ms, 10s, [] { return false; }));
    EXPECT_FALSE(LiveReload::waitUntilSettled({growing}, 10s, 20s, [] { return true; }));
}

}  // namespace
