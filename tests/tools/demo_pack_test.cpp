// demo-pack on a copy of the sample show: what goes into the folder, what stays out, and what it refuses.
#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "inspect/show_pack.h"
#include "support/child_process.h"
#include "support/test_show.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing_support::ChildProcess;
using testing_support::TempDir;

const std::string kTunnelTimeline = R"(<Timeline timeunit="second">
  <TimelineTrack label="Tunnel" to="3600" scene="Tunnel" camera="Camera" start="0" end="1"/>
</Timeline>)";

std::set<std::string> filesBelow(const fs::path& folder) {
    std::set<std::string> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) files.insert(entry.path().lexically_relative(folder).generic_string());
    return files;
}

class DemoPackTest : public ::testing::Test {
protected:
    // demo-pack's exit code; its output is in pack.out.
    int pack(const std::vector<std::string>& arguments) {
        ChildProcess tool(DEMO_BINARY_DIR "/demo-pack", arguments, work.path(), {}, work.path() / "pack.out");
        const std::optional<int> exitCode = tool.waitFor(120s);
        return exitCode.value_or(-1);
    }
    std::string output() const { return testing_support::readFile(work.path() / "pack.out"); }

    TempDir work;
};

TEST_F(DemoPackTest, PacksEveryFileTheShowUsesAndNothingElse) {
    const fs::path show = work.path() / "show";
    ASSERT_NO_FATAL_FAILURE(testing_support::writeOwnShortShow(show, 2.0, kTunnelTimeline));
    // A shader include of the show's own, and files the show does not use.
    const fs::path shaders = show / "resources" / "shaders";
    std::ofstream(shaders / "pack_extra.hlsli") << "// included by the colour pass\n#define PACK_EXTRA 1\n";
    const std::string colour = testing_support::readFile(shaders / "post_color_p0.hlsl");
    std::ofstream(shaders / "post_color_p0.hlsl") << "#include \"pack_extra.hlsli\"\n" << colour;
    fs::copy_file(show / "resources/textures/preload.png", show / "resources/textures/unused.png");
    std::ofstream(show / "resources" / "notes.txt") << "not part of the show\n";
    std::ofstream(show / "demo.log") << "";

    ASSERT_EQ(pack({"show", "out", "--linux", "--zip"}), 0) << output();

    std::set<std::string> expected;
    for (const std::string& file : filesBelow(show)) {
        const bool unused = file == "resources/textures/unused.png" || file == "resources/notes.txt" ||
                            file == "demo.log" || file.ends_with("README.md");
        if (!unused) expected.insert(file);
    }
    EXPECT_TRUE(expected.count("resources/shaders/pack_extra.hlsli"));
    EXPECT_TRUE(expected.count("resources/scenes/tunnel.bin"));
    std::set<std::string> packedShow;
    std::set<std::string> players;
    for (const std::string& file : filesBelow(work.path() / "out")) {
        (file.starts_with("resources/") ? packedShow : players).insert(file);
    }
    EXPECT_EQ(packedShow, expected);
    for (const char* file : {"demo", "demo-file-helper", "demo-options.txt", "README.txt", "lib/libassimp.so.5",
                             "lib/libSDL2-2.0.so.0"})
        EXPECT_TRUE(players.count(file)) << file;
    for (const std::string& file : players) {
        EXPECT_TRUE(file.starts_with("lib/") || file == "demo" || file == "demo-file-helper" ||
                    file == "demo-options.txt" || file == "README.txt")
            << file;
        EXPECT_FALSE(file.starts_with("lib/libc.so") || file.starts_with("lib/libGL") || file.starts_with("lib/libX11") ||
                     file.starts_with("lib/libstdc++"))
            << file << " belongs to the system";
    }
    EXPECT_EQ(testing_support::readFile(work.path() / "out" / "demo-options.txt").find("\n--setup --in-program-folder\n") !=
                  std::string::npos,
              true);
    EXPECT_EQ(testing_support::readFile(work.path() / "out.zip").substr(0, 2), "PK");

    // A second pack into the same folder is refused: it would mix two shows.
    EXPECT_EQ(pack({"show", "out"}), 1);
    EXPECT_NE(output().find("is not empty"), std::string::npos) << output();
}

TEST_F(DemoPackTest, RefusesAShowThatWouldFailAndNamesWhy) {
    const fs::path show = work.path() / "show";
    ASSERT_NO_FATAL_FAILURE(testing_support::writeOwnShortShow(show, 2.0, kTunnelTimeline));
    fs::remove(show / "resources/textures/panel_emissive.png");
    EXPECT_EQ(pack({"show", "out"}), 1);
    EXPECT_NE(output().find("panel_emissive.png"), std::string::npos) << output();
    EXPECT_FALSE(fs::exists(work.path() / "out"));

    std::ofstream(show / "resources/timeline.xml") << "<Timeline/>";
    EXPECT_EQ(pack({"show", "out"}), 1);
    EXPECT_NE(output().find("the timeline has no markers"), std::string::npos) << output();

    const fs::path windows = fs::path(DEMO_BINARY_DIR) / ".." / "dist" / "windows-x64";
    if (!fs::exists(windows)) {
        ASSERT_NO_FATAL_FAILURE(testing_support::writeOwnShortShow(work.path() / "good", 2.0, kTunnelTimeline));
        EXPECT_EQ(pack({"good", "out", "--windows", "x64"}), 1);
        EXPECT_NE(output().find("run scripts/build-windows.sh x64 first"), std::string::npos) << output();
        EXPECT_FALSE(fs::exists(work.path() / "out"));
    }
}

TEST(DemoPack, LeavesTheSystemsOwnLibrariesToTheSystem) {
    const std::pair<const char*, bool> cases[] = {
        {"libc.so.6", true},          {"ld-linux-x86-64.so.2", true}, {"libstdc++.so.6", true},
        {"libGL.so.1", true},         {"libEGL.so.1", true},          {"libX11.so.6", true},
        {"libxcb.so.1", true},        {"libwayland-client.so.0", true}, {"libasound.so.2", true},
        {"libpulse.so.0", true},      {"libz.so.1", true},            {"libSDL2-2.0.so.0", false},
        {"libassimp.so.5", false},    {"libsndfile.so.1", false},     {"libepoxy.so.0", false},
        {"libgomp.so.1", false},      {"libminizip.so.1", false},     {"libvorbis.so.0", false},
    };
    for (const auto& [soname, system] : cases) EXPECT_EQ(isSystemLibrary(soname), system) << soname;
}

}  // namespace
