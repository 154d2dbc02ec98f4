#include "platform/process/file_watcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <thread>

#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// How editors save and what the watcher reports, each file once: a write in place, a file written under another
// name and renamed into place, a file in a folder made after watching began, a deletion; wake() ends a wait.
TEST(FileWatcher, ReportsSavedFilesBelowTheFolderOnce) {
    testing_support::TempDir dir;
    const std::string root = dir.path().string();
    std::ofstream(dir.path() / "timeline.xml") << "old";
    std::ofstream(dir.path() / "gone.txt") << "x";
    platform::FileWatcher watcher;
    ASSERT_TRUE(watcher.watch(root));
    EXPECT_FALSE(platform::FileWatcher().watch(root + "/missing"));

    std::ofstream(dir.path() / "timeline.xml") << "new";
    std::ofstream(dir.path() / "shader.hlsl.tmp") << "float4 main() : SV_TARGET { return 1; }";
    fs::rename(dir.path() / "shader.hlsl.tmp", dir.path() / "shader.hlsl");
    fs::create_directory(dir.path() / "scenes");
    std::vector<std::string> changed;
    ASSERT_TRUE(watcher.wait(1s, changed));  // the new folder is watched from here on
    std::ofstream(dir.path() / "scenes" / "a.gltf") << "{}";
    fs::remove(dir.path() / "gone.txt");
    for (int i = 0; i < 10 && std::find(changed.begin(), changed.end(), root + "/gone.txt") == changed.end(); ++i)
        ASSERT_TRUE(watcher.wait(200ms, changed));

    for (const char* file : {"/timeline.xml", "/shader.hlsl", "/scenes/a.gltf", "/gone.txt"}) {
        EXPECT_EQ(std::count(changed.begin(), changed.end(), root + file), 1) << file;
    }
    EXPECT_EQ(std::count(changed.begin(), changed.end(), root + "/shader.hlsl.tmp"), 1);  // written, then renamed

    std::vector<std::string> none;
    std::thread waker([&] {
        std::this_thread::sleep_for(50ms);
        watcher.wake();
    });
    const auto begun = std::chrono::steady_clock::now();
    ASSERT_TRUE(watcher.wait(10s, none));
    waker.join();
    EXPECT_LT(std::chrono::steady_clock::now() - begun, 5s);
    EXPECT_TRUE(none.empty());
}

}  // namespace
