#include <gtest/gtest.h>

#include "resources/resource_manifest.h"
#include "base/wide_text.h"
#include "support/test_support.h"

namespace {

using testing_support::TempDir;

ResourceManifest manifestOf(const TempDir& dir, const std::string& xml) {
    return ResourceManifest(dir.write("resources/resources.xml", xml).string());
}

TEST(ResourceManifest, ReadsTheFourTablesFromTheirFirstSections) {
    TempDir dir;
    const ResourceManifest manifest = manifestOf(dir, R"(<?xml version="1.0"?>
<Resources>
  <PixelShader>
    <Shader name="post_dof_p0" path="shaders/dof0.hlsl"/>
    <Shader name="DefaultEngine" path="shaders/engine.hlsl" extra="ignored"/>
    <Other name="x" path="y"/>
  </PixelShader>
  <PixelShader><Shader name="second" path="ignored.hlsl"/></PixelShader>
  <VertexShader><Shader name="quad" path="shaders/quad.hlsl"/></VertexShader>
  <Shader name="outside" path="ignored.hlsl"/>
  <Scenes>
    <Scene name="intro" path="scenes/a.gltf"/>
    <Scene name="intro" path="scenes/b.gltf"/>
    <Scene path="scenes/unnamed.gltf"/>
    <Scene name="empty"/>
  </Scenes>
  <Paths><Path name="audioTrack" path="music\track.ogg"/></Paths>
</Resources>)");
    EXPECT_TRUE(manifest.loadError().empty());
    EXPECT_EQ(manifest.PixelShader.size(), 2u);
    EXPECT_EQ(*manifest.findPixelShader("post_dof_p0"), u"shaders/dof0.hlsl");
    EXPECT_EQ(manifest.findPixelShader("second"), nullptr);
    EXPECT_EQ(manifest.findPixelShader("outside"), nullptr);
    EXPECT_EQ(*manifest.findVertexShader("quad"), u"shaders/quad.hlsl");
    EXPECT_EQ(*manifest.findScene("intro"), u"scenes/b.gltf");  // the later entry wins
    EXPECT_EQ(*manifest.findScene(""), u"scenes/unnamed.gltf");
    ASSERT_NE(manifest.findScene("empty"), nullptr);  // an empty path is still an entry
    EXPECT_TRUE(manifest.findScene("empty")->empty());
    EXPECT_EQ(manifest.findScene("Intro"), nullptr);  // keys are case-sensitive
    EXPECT_EQ(*manifest.findPath("audioTrack"), u"music\\track.ogg");  // stored as written
}

TEST(ResourceManifest, NonAsciiPathsBecomeUtf16AndBackToTheSameUtf8) {
    TempDir dir;
    const ResourceManifest manifest =
        manifestOf(dir, "<Resources><Paths><Path name=\"audioTrack\" path=\"M\xC3\xBCsik/\xE2\x99\xAA.ogg\"/>"
                        "</Paths></Resources>");
    const std::u16string* path = manifest.findPath("audioTrack");
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(*path, u"M\u00FCsik/\u266A.ogg");
    EXPECT_EQ(narrowToUtf8(*path), "M\xC3\xBCsik/\xE2\x99\xAA.ogg");
}

TEST(ResourceManifest, BadFilesGiveWhatCouldBeReadAndAReason) {
    TempDir dir;
    const ResourceManifest missing((dir.path() / "nothing.xml").string());
    EXPECT_FALSE(missing.loadError().empty());
    EXPECT_TRUE(missing.Paths.empty() && missing.Scenes.empty() && missing.PixelShader.empty());

    const ResourceManifest truncated =
        manifestOf(dir, "<Resources><Paths><Path name=\"a\" path=\"b\"/><Path name=\"c\" pa");
    EXPECT_FALSE(truncated.loadError().empty());
    EXPECT_EQ(*truncated.findPath("a"), u"b");  // read up to the error

    for (const std::string& content : {std::string(), std::string("\x00\xFF\xFE garbage \x01", 12)}) {
        const ResourceManifest bad = manifestOf(dir, content);
        EXPECT_FALSE(bad.loadError().empty());
        EXPECT_TRUE(bad.Paths.empty());
    }
}

TEST(ResourceManifest, CopiesAreIndependentValues) {
    TempDir dir;
    ResourceManifest original = manifestOf(dir, R"(<Resources><Paths><Path name="a" path="b"/></Paths></Resources>)");
    ResourceManifest copy = original;
    original.Paths.clear();
    EXPECT_EQ(*copy.findPath("a"), u"b");
}

}  // namespace
