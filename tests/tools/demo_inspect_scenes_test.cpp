#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "support/audio_files.h"
#include "support/test_support.h"

namespace {

using testing::HasSubstr;
using testing_support::CommandResult;
using testing_support::TempDir;

// A triangle, a camera without keys and a light beside it.
const char* kScene = R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],
"nodes":[{"name":"Root","children":[1,2,3]},{"name":"Shape","mesh":0},{"name":"Camera","camera":0},
 {"name":"Lamp","translation":[0.5,0,0],"extensions":{"KHR_lights_punctual":{"light":0}}}],
"extensionsUsed":["KHR_lights_punctual"],
"extensions":{"KHR_lights_punctual":{"lights":[{"type":"point","color":[1,1,1],"intensity":25}]}},
"cameras":[{"type":"perspective","perspective":{"yfov":0.5,"aspectRatio":1.0,"znear":0.1,"zfar":100}}],
"materials":[{"name":"Red","pbrMetallicRoughness":{"baseColorFactor":[0.8,0.1,0.05,1]}}],
"meshes":[{"primitives":[{"attributes":{"POSITION":0},"indices":1,"material":0}]}],
"buffers":[{"byteLength":48,"uri":"data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAAAAAAAAEAAAACAAAA"}],
"bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":36},{"buffer":0,"byteOffset":36,"byteLength":12}],
"accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3","min":[0,0,0],"max":[1,1,0]},
 {"bufferView":1,"componentType":5125,"count":3,"type":"SCALAR"}]})";

TEST(DemoInspectScenes, ImportsTheTimelinesScenesAndReportsEachFramesSceneStep) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "resources");
    testing_support::writeAudioFile(dir.path() / "resources/music.flac", testing_support::AudioContainer::Flac, 44100,
                                    2, 3 * 44100);
    dir.write("resources/tri.gltf", kScene);
    std::string textured = kScene;
    textured.replace(textured.find("\"pbrMetallicRoughness\":{"), 24,
                     "\"pbrMetallicRoughness\":{\"baseColorTexture\":{\"index\":0},");
    textured.replace(textured.find("\"meshes\""), 0, "\"images\":[{\"uri\":\"nothere.png\"}],\"textures\":[{\"source\":0}],");
    dir.write("resources/tex.gltf", textured);
    dir.write("resources/resources.xml", R"(<Resources><Paths><Path name="audioTrack" path="resources/music.flac"/>
        </Paths><Scenes><Scene name="Tri" path="resources/tri.gltf"/><Scene name="Tex" path="resources/tex.gltf"/>
        </Scenes></Resources>)");
    dir.write("resources/timeline.xml", R"(<Timeline timeunit="raw">
        <TimelineTrack label="a" from="0" to="176400" scene="Tri" start="0.25" end="0.75"/>
        <TimelineTrack label="b" from="176401" to="352800" scene="Tri" camera="Missing"/>
        <TimelineTrack label="c" from="352801" to="440000" scene="Gone" end="1.5"/>
        <TimelineTrack label="d" from="440001" to="529200" scene="Tex"/>
    </Timeline>)");
    const CommandResult run = testing_support::runCommand(
        "cd " + testing_support::shellQuote(dir.path().string()) + " && " +
        testing_support::shellQuote(DEMO_BINARY_DIR "/demo-inspect") + " --json --scenes --at 0.5 --at 2.3 2>/dev/null");
    ASSERT_EQ(run.exitCode, 0);
    const std::string& out = run.output;

    // Half-way through marker a: a quarter to three quarters of the range 0..1 gives 0.5; the camera stands at
    // the origin (no keys), so view and world are the identity.
    EXPECT_THAT(out, HasSubstr("\"progress\": 0.5, \"parameters\""));
    EXPECT_THAT(out, HasSubstr("\"scene\": {\"name\": \"Tri\", \"time\": 0.5, \"camera\": {\"name\": \"Camera\", "
                               "\"found\": true, \"world\": [1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1], "
                               "\"view\": [1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1], \"projection\": ["));
    // Marker c names a scene the manifest lacks: stored empty, drawn as nothing.
    EXPECT_THAT(out, HasSubstr("\"marker\": 2, \"progress\""));
    EXPECT_THAT(out, HasSubstr("\"scene\": {\"name\": \"Gone\", \"time\": "));
    EXPECT_THAT(out, HasSubstr("\"scenes\": {\"Gone\": {\"path\": \"\", \"loaded\": false, \"animation\": [0, 1], "
                               "\"meshes\": [], "));
    EXPECT_THAT(out, HasSubstr("\"Tri\": {\"path\": \"resources/tri.gltf\", \"loaded\": true, \"animation\": [0, 1], "
                               "\"meshes\": [{\"vertices\": 3, \"faces\": 1, \"indices\": 3, \"material\": 0, "
                               "\"bounds\": [[0, 0, -1], [1, 0, 0]]}], "));
    EXPECT_THAT(out, HasSubstr("\"lights\": [{\"name\": \"Lamp\", \"colour\": [25, 25, 25, 0], "
                               "\"attenuation\": [0, 0, 1], \"point\": true, \"node\": 3}]"));
    EXPECT_THAT(out, HasSubstr("\"nodes\": [{\"index\": 0, \"name\": \"Root\", \"parent\": -1, \"channel\": -1, "
                               "\"meshes\": []}, {\"index\": 1, \"name\": \"Shape\", \"parent\": 0, \"channel\": -1, "
                               "\"meshes\": [0]}"));
    EXPECT_THAT(out, HasSubstr("marker 'b': scene 'Tri' has no camera 'Missing' (the view stays at the origin; "
                               "the scene's cameras: 'Camera')"));
    EXPECT_THAT(out, HasSubstr("scene 'Tri': camera 'Camera' has no animation keys, so the player puts it at the "
                               "origin"));
    EXPECT_THAT(out, HasSubstr("scene 'Gone' cannot be imported"));
    EXPECT_THAT(out, HasSubstr("marker 'c': start 0 and end 1.5 reach outside the animation of scene 'Gone'"));
    // A texture that cannot be decoded would stop the player; the scene is reported as not loaded.
    EXPECT_THAT(out, HasSubstr("scene 'Tex': Unable to load texture file: "));
    EXPECT_THAT(out, HasSubstr("\"Tex\": {\"path\": \"resources/tex.gltf\", \"loaded\": false, "));
}

// The importer prints about a spot light on standard output; the document stays valid JSON and says so.
TEST(DemoInspectScenes, WhatTheImportPrintsBecomesAWarningOfItsScene) {
    TempDir dir;
    std::string spot = kScene;
    spot.replace(spot.find("\"type\":\"point\""), 14, R"("type":"spot","spot":{"outerConeAngle":0.5})");
    dir.write("resources/spot.gltf", spot);
    dir.write("resources/resources.xml",
              R"(<Resources><Scenes><Scene name="Spot" path="resources/spot.gltf"/></Scenes></Resources>)");
    dir.write("resources/timeline.xml", R"(<Timeline timeunit="raw"><TimelineTrack from="0" to="9" scene="Spot"/>
        </Timeline>)");
    const CommandResult run = testing_support::runCommand(
        "cd " + testing_support::shellQuote(dir.path().string()) + " && " +
        testing_support::shellQuote(DEMO_BINARY_DIR "/demo-inspect") + " --json --scenes 2>/dev/null");
    ASSERT_EQ(run.exitCode, 0);
    const nlohmann::json json = nlohmann::json::parse(run.output, nullptr, false);
    ASSERT_FALSE(json.is_discarded()) << run.output;
    EXPECT_THAT(json["warnings"].dump(), HasSubstr("\"scene 'Spot': Unsupported light type "));
    EXPECT_THAT(json["warnings"].dump(), HasSubstr("scene 'Spot': spot light "));
}

// Real files with what the player does not animate or light: each said once, as a warning of its scene.
TEST(DemoInspectScenes, NamesSkinsMorphTargetsAndMissingLightsOfRealFiles) {
    const std::filesystem::path models = std::filesystem::path(DEMO_SOURCE_DIR) / "../shared/models";
    if (!std::filesystem::exists(models)) GTEST_SKIP() << "no shared models beside the project";
    TempDir dir;
    dir.write("resources/resources.xml",
              "<Resources><Scenes><Scene name=\"Skin\" path=\"" + (models / "simple-skin/simple_skin.gltf").string() +
                  "\"/><Scene name=\"Morph\" path=\"" +
                  (models / "morph-sphere/AnimatedMorphSphere.gltf").string() + "\"/></Scenes></Resources>");
    dir.write("resources/timeline.xml", R"(<Timeline timeunit="raw"><TimelineTrack from="0" to="9" scene="Skin"/>
        <TimelineTrack from="10" to="19" scene="Morph"/></Timeline>)");
    const CommandResult run = testing_support::runCommand(
        "cd " + testing_support::shellQuote(dir.path().string()) + " && " +
        testing_support::shellQuote(DEMO_BINARY_DIR "/demo-inspect") + " --scenes 2>/dev/null");
    ASSERT_EQ(run.exitCode, 0);
    for (const char* expected : {"scene 'Skin': 1 skinned meshes are drawn in their bind pose",
                                 "scene 'Morph': 1 meshes with morph targets are drawn in their base shape",
                                 "scene 'Skin' has no lights", "scene 'Morph' has no lights"}) {
        EXPECT_THAT(run.output, HasSubstr(expected));
    }
}

}  // namespace
