// Shows assembled with one mistake each, over the sample show's files: demo-inspect warns about the mistake before
// the show is played, and demo-render (the player's frame renderer) and, where its path differs, the player end
// as the engine defines it, with the reason, never by a signal, a hang or a sanitizer report.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <optional>
#include <regex>
#include <string>
#include <string_view>

#include <stb/stb_image.h>

#include "support/child_process.h"
#include "support/test_show.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing_support::CommandResult;
using testing_support::TempDir;

const fs::path kSampleResources = DEMO_SOURCE_DIR "/show/resources";

// Two scenes of the sample show for a tone of two seconds.
const std::string kTimeline = R"(<Timeline timeunit="second">
  <TimelineTrack label="Hall" to="0.8" scene="Hall" camera="Camera" start="0" end="0.1"/>
  <TimelineTrack label="Orbit" to="3600" scene="Orbit" camera="Camera" start="0" end="0.1"/>
</Timeline>)";

// A show in `root` whose shaders and textures are links to the sample show's, one by one, so that a case can
// replace one; the sample manifest with the music pointed at a tone.
void writeShow(const fs::path& root) {
    const fs::path resources = root / "resources";
    for (const char* folder : {"shaders", "textures"}) {
        fs::create_directories(resources / folder);
        for (const fs::directory_entry& file : fs::directory_iterator(kSampleResources / folder)) {
            fs::create_symlink(file.path(), resources / folder / file.path().filename());
        }
    }
    fs::create_directory_symlink(kSampleResources / "scenes", resources / "scenes");
    const std::regex audioTrack(R"re((name="audioTrack"\s+path=")[^"]*")re");
    const std::string manifest = testing_support::readFile(kSampleResources / "resources.xml");
    std::ofstream(resources / "resources.xml") << std::regex_replace(manifest, audioTrack, "$1resources/music.wav\"");
    std::ofstream(resources / "timeline.xml") << kTimeline;
    testing_support::writeToneWav(resources / "music.wav", 2.0);
}

void write(const fs::path& file, const std::string& content) {
    fs::remove(file);
    std::ofstream(file, std::ios::binary) << content;
}

// The manifest with the path of the entry `name` replaced, or the whole entry removed when `path` is null.
void editManifest(const fs::path& root, const std::string& name, const char* path) {
    const fs::path file = root / "resources/resources.xml";
    const std::string text = testing_support::readFile(file);
    const std::string edited =
        path ? std::regex_replace(text, std::regex("(name=\"" + name + "\"\\s+path=\")[^\"]*\""), "$1" + std::string(path) + "\"")
             : std::regex_replace(text, std::regex("<[A-Za-z]+ name=\"" + name + "\"[^>]*/>"), "");
    ASSERT_NE(edited, text) << name;
    write(file, edited);
}

// The first `bytes` of a sample show file.
std::string headOf(const fs::path& file, std::size_t bytes) { return testing_support::readFile(file).substr(0, bytes); }

struct Outcome {
    int exitCode;
    const char* message;  // found in the output; "" asks nothing
};

struct BrokenShow {
    const char* name;
    std::function<void(const fs::path& root)> breakShow;
    Outcome render;  // demo-render of one frame at 1 s
    const char* inspectArguments;
    Outcome inspect;
    std::optional<Outcome> player = std::nullopt;  // where the player's path differs from demo-render's
};

void PrintTo(const BrokenShow& show, std::ostream* out) { *out << show.name; }

const fs::path kShaders = "resources/shaders", kTextures = "resources/textures";
// Files that crash or stop a library, made by mutating real files a few bytes at a time.
const fs::path kCrashers = DEMO_SOURCE_DIR "/tests/data/library_crashers";

// Hall read from a copy of `crasher`, under the name `name`.
std::function<void(const fs::path&)> hallFrom(const char* crasher, const char* name) {
    return [=](const fs::path& r) {
        editManifest(r, "Hall", (std::string("resources/") + name).c_str());
        fs::copy_file(kCrashers / crasher, r / "resources" / name);
    };
}

const BrokenShow kBrokenShows[] = {
    {"MissingManifest", [](const fs::path& r) { fs::remove(r / "resources/resources.xml"); },
     {1, "cannot read the resource manifest: ./resources/resources.xml: File was not found"}, "",
     {1, "cannot read the resource manifest: ./resources/resources.xml: File was not found"}},
    {"MalformedManifest",
     [](const fs::path& r) { write(r / "resources/resources.xml", headOf(kSampleResources / "resources.xml", 900)); },
     {1, "cannot read the resource manifest: ./resources/resources.xml: "}, "",
     {1, "cannot read the resource manifest: ./resources/resources.xml: "},
     Outcome{0, "Unable to read the resource manifest: ./resources/resources.xml: "}},
    {"EmptyTimeline", [](const fs::path& r) { write(r / "resources/timeline.xml", "<Timeline/>"); },
     {1, "The timeline is empty"}, "", {0, "the timeline has no markers"}},
    // What could be read is played.
    {"MalformedTimeline",
     [](const fs::path& r) {
         write(r / "resources/timeline.xml", R"(<Timeline><TimelineTrack label="a" to="5" scene="Hall"/><Timeline)");
     },
     {0, ""}, "", {1, "cannot read the timeline: ./resources/timeline.xml: "}},
    {"MissingSceneFile", [](const fs::path& r) { editManifest(r, "Hall", "resources/scenes/gone.gltf"); }, {0, ""},
     "", {0, "manifest Scenes 'Hall': file 'resources/scenes/gone.gltf' does not exist"}},
    {"FileThatIsNotAScene",
     [](const fs::path& r) {
         editManifest(r, "Hall", "resources/hall.gltf");
         write(r / "resources/hall.gltf", "Hall: the big room, see the notes");
     },
     {0, ""}, "--scenes", {0, "scene 'Hall' cannot be imported from 'resources/hall.gltf'"}},
    {"SceneWithIndicesOutOfRange",
     [](const fs::path& r) {
         editManifest(r, "Hall", "resources/hall.gltf");
         write(r / "resources/hall.gltf",
               R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],"nodes":[{"mesh":0}],
               "meshes":[{"primitives":[{"attributes":{"POSITION":0},"indices":1}]}],
               "buffers":[{"byteLength":12,"uri":"data:application/octet-stream;base64,AAAAAAAAAAAAAAAA"}],
               "bufferViews":[{"buffer":0,"byteLength":12}],"accessors":[{"bufferView":0,"componentType":5126,
               "count":3,"type":"VEC3"},{"bufferView":0,"componentType":5125,"count":300,"type":"SCALAR"}]})");
     },
     {0, ""}, "--scenes", {0, "scene 'Hall' cannot be imported from 'resources/hall.gltf'"}},
    // Every material image of the scenes, so that the case does not depend on which one a scene uses.
    {"MissingMaterialTexture",
     [](const fs::path& r) {
         for (const fs::directory_entry& file : fs::directory_iterator(r / kTextures)) {
             const std::string name = file.path().filename().string();
             if (name != "preload.png" && name != "Lorvanecrafts_1920.png" && name != "orvelle.png") fs::remove(file);
         }
     },
     {1, "Unable to load texture file: "}, "--scenes", {0, "scene 'Hall': Unable to load texture file: "}},
    {"CorruptMaterialTexture",
     [](const fs::path& r) {
         for (const fs::directory_entry& file : fs::directory_iterator(r / kTextures)) {
             const std::string name = file.path().filename().string();
             if (name != "preload.png" && name != "Lorvanecrafts_1920.png" && name != "orvelle.png") {
                 write(file.path(), headOf(file.path(), 100));
             }
         }
     },
     {1, "Unable to load texture file: "}, "--scenes", {0, "scene 'Orbit': Unable to load texture file: "},
     Outcome{1, "Unable to load texture file: "}},
    {"MissingPreloadImage", [](const fs::path& r) { fs::remove(r / kTextures / "preload.png"); },
     {1, "Unable to load texture file: resources/textures/preload.png"}, "",
     {0, "image 'resources/textures/preload.png' does not exist"}},
    {"TruncatedLogoImage",
     [](const fs::path& r) {
         write(r / kTextures / "orvelle.png", headOf(kSampleResources / "textures/orvelle.png", 2000));
     },
     {1, "Unable to load texture file: resources/textures/orvelle.png"}, "",
     {0, "image 'resources/textures/orvelle.png' cannot be decoded"},
     Outcome{1, "Unable to load texture file: resources/textures/orvelle.png"}},
    {"MissingMusic", [](const fs::path& r) { fs::remove(r / "resources/music.wav"); },
     {1, "cannot read the music track 'resources/music.wav'"}, "",
     {0, "manifest Paths 'audioTrack': file 'resources/music.wav' does not exist"}},
    {"CorruptMusic",
     [](const fs::path& r) { write(r / "resources/music.wav", headOf(r / "resources/music.wav", 30)); },
     {1, "cannot read the music track 'resources/music.wav'"}, "",
     {0, "the music track 'resources/music.wav' cannot be read: "}, Outcome{0, "Unable to read the music track."}},
    // Shaders that fail draw nothing useful; the show goes on.
    {"MissingShaderFile", [](const fs::path& r) { fs::remove(r / kShaders / "post_lens_p0.hlsl"); }, {0, ""}, "",
     {0, "manifest PixelShader 'post_lens_p0': file 'resources/shaders/post_lens_p0.hlsl' does not exist"}},
    {"MissingShaderEntry", [](const fs::path& r) { editManifest(r, "quad", nullptr); }, {0, ""}, "",
     {0, "the manifest has no VertexShader 'quad'"}},
    {"HlslWithErrors",
     [](const fs::path& r) {
         write(r / kShaders / "default_engine_ps.hlsl",
               "float4 main(float4 position : SV_Position) : SV_Target {\n    return undefinedColour * position;\n}\n");
     },
     {0, ""}, "",
     {0, "manifest PixelShader 'DefaultEngine': 'resources/shaders/default_engine_ps.hlsl' does not compile: "},
     Outcome{0, ""}},
    // A library that crashes or stops on a file makes it a file that does not load, and says so (how it ended,
    // a signal or a sanitizer's exit code, is left unmatched).
    {"SceneThatCrashesTheImporter", hallFrom("fbx_heap_corruption.fbx", "hall.fbx"),
     {0, "'resources/hall.fbx': the scene importer "}, "--scenes",
     {0, "scene 'Hall' cannot be imported from 'resources/hall.fbx'"},
     Outcome{0, "'resources/hall.fbx': the scene importer "}},
    {"GltfThatCrashesTheImporter", hallFrom("gltf_segfault.gltf", "hall.gltf"),
     {0, "'resources/hall.gltf': the scene importer "}, "--scenes",
     {0, "scene 'Hall' cannot be imported from 'resources/hall.gltf'"}},
    {"SceneThatStopsTheImporter", hallFrom("collada_hang.dae", "hall.dae"),
     {0, "'resources/hall.dae': the scene importer gave no answer within 2.0 s"}, "--scenes",
     {0, "scene 'Hall' cannot be imported from 'resources/hall.dae'"}},
    {"PostShaderThatCrashesTheCompiler",
     [](const fs::path& r) {
         fs::remove(r / kShaders / "post_lens_p0.hlsl");
         fs::copy_file(kCrashers / "hlsl_segfault.hlsl", r / kShaders / "post_lens_p0.hlsl");
     },
     {0, "'resources/shaders/post_lens_p0.hlsl': the shader compiler "}, "",
     {0, "'resources/shaders/post_lens_p0.hlsl' does not compile: "},
     Outcome{0, "'resources/shaders/post_lens_p0.hlsl': the shader compiler "}},
    {"UnknownCamera",
     [](const fs::path& r) { write(r / "resources/timeline.xml", std::regex_replace(kTimeline, std::regex("\"Camera\""), "\"Kamera\"")); },
     {0, ""}, "--scenes", {0, "marker 'Hall': scene 'Hall' has no camera 'Kamera'"}},
};

// No sanitizer report, no end by a signal or by the time limit. Where a file helper died on a library's fault,
// the sanitizers' report of that death is the helper's, printed to the same stream: the program's own would still
// end it with the sanitizers' exit code, which the outcome's exit code catches.
void expectOrderlyEnd(int exitCode, const std::string& output) {
    EXPECT_TRUE(exitCode >= 0 && exitCode < 124) << "exit code " << exitCode << "\n" << output;
    const bool helperDied = output.find("the file is treated as one that does not load") != std::string::npos;
    for (const char* report : {"AddressSanitizer", "LeakSanitizer", "runtime error:", "terminate called"}) {
        if (helperDied && std::string_view(report) != "terminate called") continue;
        EXPECT_EQ(output.find(report), std::string::npos) << output;
    }
}

void expectOutcome(const Outcome& expected, int exitCode, const std::string& output, const char* tool) {
    expectOrderlyEnd(exitCode, output);
    EXPECT_EQ(exitCode, expected.exitCode) << tool << "\n" << output;
    EXPECT_NE(output.find(expected.message), std::string::npos) << tool << ": no \"" << expected.message << "\"\n"
                                                                << output;
}

CommandResult runTool(const fs::path& show, const std::string& commandLine) {
    return testing_support::runCommand("cd " + testing_support::shellQuote(show.string()) + " && timeout -k 10 300 " +
                                       DEMO_BINARY_DIR "/" + commandLine + " 2>&1");
}

struct Png {
    int width = 0, height = 0;
    double mean = 0.0;  // of the colour channels
};

std::optional<Png> readPng(const fs::path& file) {
    Png png;
    int components = 0;
    stbi_uc* pixels = stbi_load(file.c_str(), &png.width, &png.height, &components, 3);
    if (!pixels) return std::nullopt;
    const std::size_t count = std::size_t(png.width) * png.height * 3;
    for (std::size_t i = 0; i < count; ++i) png.mean += pixels[i];
    png.mean /= double(count);
    stbi_image_free(pixels);
    return png;
}

class BrokenShowTest : public ::testing::TestWithParam<BrokenShow> {
protected:
    void SetUp() override {
        writeShow(show.path());
        setenv("DEMO_FILE_TIME_LIMIT_MS", "2000", 1);  // for the files that stop a library
        GetParam().breakShow(show.path());
    }
    TempDir show;
};

TEST_P(BrokenShowTest, InspectWarnsAndRenderEndsAsDefined) {
    const BrokenShow& broken = GetParam();
    const CommandResult inspect = runTool(show.path(), std::string("demo-inspect ") + broken.inspectArguments);
    expectOutcome(broken.inspect, inspect.exitCode, inspect.output, "demo-inspect");

    const fs::path frame = show.path() / "frame.png";
    const CommandResult render = runTool(show.path(), "demo-render --size 160x90 --at 1 --out frame.png");
    expectOutcome(broken.render, render.exitCode, render.output, "demo-render");
    // A frame is written whole or not at all.
    const std::optional<Png> png = readPng(frame);
    EXPECT_EQ(png.has_value(), render.exitCode == 0);
    if (png) {
        EXPECT_EQ(std::pair(png->width, png->height), std::pair(160, 90));
    }
}

// The player under the test's X server: set-up errors end it with exit code 1 and the reason, handled conditions
// through its exit routine with 0; a show it can play, it plays to the end of the music.
class BrokenShowPlayerTest : public BrokenShowTest {};

TEST_P(BrokenShowPlayerTest, PlayerEndsAsDefined) {
    const BrokenShow& broken = GetParam();
    ASSERT_TRUE(std::getenv("DISPLAY")) << "needs an X display";
    testing_support::ChildProcess player(DEMO_BINARY_DIR "/demo", {}, show.path(), {"SDL_AUDIODRIVER=dummy"},
                                         show.path() / "player.out");
    const std::optional<int> exitCode = player.waitFor(120s);
    const std::string output = testing_support::readFile(show.path() / "player.out");
    ASSERT_TRUE(exitCode.has_value()) << "still running long after its two seconds of music\n" << output;
    expectOutcome(*broken.player, *exitCode, output, "demo");
}

std::string caseName(const ::testing::TestParamInfo<BrokenShow>& info) { return info.param.name; }

std::vector<BrokenShow> playerCases() {
    std::vector<BrokenShow> cases;
    for (const BrokenShow& broken : kBrokenShows) {
        if (broken.player) cases.push_back(broken);
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(EachMistake, BrokenShowTest, ::testing::ValuesIn(kBrokenShows), caseName);
INSTANTIATE_TEST_SUITE_P(EachMistake, BrokenShowPlayerTest, ::testing::ValuesIn(playerCases()), caseName);

// The player's window size is built in (1920 x 1080); demo-render draws through the same frame renderer at any size.
TEST(FrameSizes, TheSmallestAndA4kFrameAreDrawnWhole) {
    TempDir show;
    writeShow(show.path());
    for (const auto& [width, height] : {std::pair{1, 1}, std::pair{4096, 2160}}) {
        const std::string size = std::to_string(width) + "x" + std::to_string(height);
        const CommandResult render = runTool(show.path(), "demo-render --size " + size + " --at 1 --out frame.png");
        expectOrderlyEnd(render.exitCode, render.output);
        ASSERT_EQ(render.exitCode, 0) << size << "\n" << render.output;
        const std::optional<Png> png = readPng(show.path() / "frame.png");
        ASSERT_TRUE(png.has_value()) << size;
        EXPECT_EQ(png->width, width);
        EXPECT_EQ(png->height, height);
        EXPECT_GT(png->mean, 8.0) << size << ": the scene is not there";
    }
}

}  // namespace
