// Loading the timeline's scenes, one after the other and on several threads, and the animation time a marker
// plays at.

#include <omp.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <spdlog/sinks/ostream_sink.h>
#include <spdlog/spdlog.h>

#include "post/timeline_scenes.h"
#include "base/wide_text.h"
#include "support/gpu_test_support.h"
#include "support/test_support.h"

namespace {

using testing::HasSubstr;

// One triangle, optionally with a diffuse texture.
std::string triangleGltf(const std::string& texture = "") {
    std::string material = "{}";
    std::string images;
    if (!texture.empty()) {
        material = R"({"pbrMetallicRoughness":{"baseColorTexture":{"index":0}}})";
        images = R"(,"images":[{"uri":")" + texture + R"("}],"textures":[{"source":0}])";
    }
    return R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],"nodes":[{"name":"Shape","mesh":0}],)"
           R"("meshes":[{"primitives":[{"attributes":{"POSITION":0},"indices":1,"material":0}]}],)"
           R"("materials":[)" + material + "]" + images +
           R"(,"buffers":[{"byteLength":48,"uri":"data:application/octet-stream;base64,)"
           R"(AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAAAAAAAAEAAAACAAAA"}],)"
           R"("bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":36},{"buffer":0,"byteOffset":36,"byteLength":12}],)"
           R"("accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3","min":[0,0,0],"max":[1,1,0]},)"
           R"({"bufferView":1,"componentType":5125,"count":3,"type":"SCALAR"}]})";
}

std::string numbered(const char* prefix, int number) {
    std::string text(prefix);
    text += std::to_string(number);
    return text;
}

TimelineMarker marker(const std::string& label, const std::string& scene) {
    TimelineMarker m;
    m.label = label;
    m.scene = scene;
    return m;
}

class TimelineScenesTest : public testing_support::HeadlessGpuTest {
protected:
    void SetUp() override {
        HeadlessGpuTest::SetUp();
        logger = std::make_shared<spdlog::logger>("timeline-scenes-test",
                                                  std::make_shared<spdlog::sinks::ostream_sink_mt>(log));
        logger->set_level(spdlog::level::trace);
        manifest.Paths["textures"] = widenUtf8(dir.path().string() + "/");
        previousThreads = omp_get_max_threads();
    }
    void TearDown() override { omp_set_num_threads(previousThreads); }

    void addScene(const std::string& name, const std::string& content = triangleGltf()) {
        manifest.Scenes[name] = widenUtf8(dir.write(name + ".gltf", content).string());
    }
    int count(const std::string& text) const {
        const std::string all = log.str();
        int found = 0;
        for (std::size_t at = all.find(text); at != std::string::npos; at = all.find(text, at + 1)) ++found;
        return found;
    }

    testing_support::TempDir dir;
    ResourceManifest manifest;
    std::ostringstream log;
    std::shared_ptr<spdlog::logger> logger;
    int previousThreads = 1;
};

TEST_F(TimelineScenesTest, OneThreadLoadsEachSceneOnceAndSkipsMarkersWithoutAScene) {
    addScene("Hall");
    addScene("Field");
    omp_set_num_threads(1);
    SceneTable table;
    preloadScenes({marker("one", "Hall"), marker("two", "Hall"), marker("quiet", ""), marker("three", "Field"),
                   marker("four", "Hall")},
                  manifest, device_, table, *logger);

    ASSERT_EQ(table.size(), 2u);
    for (const auto& [name, scene] : table) {
        ASSERT_TRUE(scene) << name;
        EXPECT_EQ(scene->name, name);
        EXPECT_EQ(scene->meshes.size(), 1u) << name;
    }
    EXPECT_THAT(log.str(), HasSubstr("Scene 'Hall' for marker 'two' already loaded, skipping"));
    EXPECT_THAT(log.str(), HasSubstr("Scene 'Hall' for marker 'four' already loaded, skipping"));
    EXPECT_THAT(log.str(), HasSubstr("[warning] No scene was assigned to marker 'quiet' in Resources, skipping loading"));
    EXPECT_EQ(count("already loaded"), 2);
}

TEST_F(TimelineScenesTest, SeveralThreadsNeverLoseOrRepeatAScene) {
    const int kScenes = 8;
    std::vector<TimelineMarker> markers;
    for (int i = 0; i < kScenes; ++i) addScene(numbered("Scene", i));
    // Every thread's block of markers names every scene.
    for (int i = 0; i < 5 * kScenes; ++i) markers.push_back(marker(numbered("m", i), numbered("Scene", i % kScenes)));
    omp_set_num_threads(4);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        log.str("");
        SceneTable table;
        preloadScenes(markers, manifest, device_, table, *logger);
        ASSERT_EQ(table.size(), static_cast<std::size_t>(kScenes));
        for (const auto& [name, scene] : table) {
            ASSERT_TRUE(scene) << name;
            EXPECT_EQ(scene->meshes.size(), 1u) << name;
        }
        // Each name is loaded once; every other marker naming it is skipped.
        EXPECT_EQ(count("already loaded"), 4 * kScenes);
    }
}

TEST_F(TimelineScenesTest, ASceneTheManifestLacksIsStoredEmpty) {
    omp_set_num_threads(2);
    SceneTable table;
    preloadScenes({marker("lost", "Nowhere")}, manifest, device_, table, *logger);
    ASSERT_EQ(table.count("Nowhere"), 1u);
    ASSERT_TRUE(table.at("Nowhere"));
    EXPECT_TRUE(table.at("Nowhere")->meshes.empty());
    EXPECT_THAT(log.str(), HasSubstr("Scene 'Nowhere' for marker 'lost' is not in the resource manifest"));
}

TEST_F(TimelineScenesTest, AnUndecodableTextureReachesTheCallerAfterTheOtherScenesLoad) {
    addScene("Good");
    addScene("Bad", triangleGltf("missing.png"));
    omp_set_num_threads(2);
    SceneTable table;
    try {
        preloadScenes({marker("good", "Good"), marker("bad", "Bad")}, manifest, device_, table, *logger);
        FAIL() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_THAT(error.what(), HasSubstr("Unable to load texture file: "));
        EXPECT_THAT(error.what(), HasSubstr("missing.png"));
    }
    EXPECT_EQ(table.count("Bad"), 0u);
    ASSERT_EQ(table.count("Good"), 1u);
    EXPECT_TRUE(table.at("Good"));
}

TEST(MarkerAnimationTimeTest, PlaysTheMarkersStretchOfTheAnimation) {
    TimelineMarker m;
    m.start = 0.25f;
    m.end = 0.75f;
    EXPECT_DOUBLE_EQ(markerAnimationTime(m, 0.0, 100.0, 0.0), 25.0);
    EXPECT_DOUBLE_EQ(markerAnimationTime(m, 0.0, 100.0, 0.5), 50.0);
    EXPECT_DOUBLE_EQ(markerAnimationTime(m, 0.0, 100.0, 1.0), 75.0);
    EXPECT_DOUBLE_EQ(markerAnimationTime(m, 1000.0, 3000.0, 0.5), 2000.0);
    // End before start plays backwards.
    m.start = 0.75f;
    m.end = 0.25f;
    EXPECT_DOUBLE_EQ(markerAnimationTime(m, 0.0, 100.0, 0.0), 75.0);
    EXPECT_DOUBLE_EQ(markerAnimationTime(m, 0.0, 100.0, 1.0), 25.0);
    // The defaults play the first tenth.
    TimelineMarker plain;
    plain.end = 0.1f;
    EXPECT_NEAR(markerAnimationTime(plain, 0.0, 16000.0, 1.0), 1600.0, 1e-3);
}

}  // namespace
