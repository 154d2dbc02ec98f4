#include <gtest/gtest.h>

#include <string>

#include "resources/resource_path.h"

namespace {

std::string normalized(const std::string& text) { return ResourcePath(text.c_str()).text(); }

std::string withBackslashes(std::string text) {
    for (char& c : text) {
        if (c == '/') c = '\\';
    }
    return text;
}

TEST(ResourcePath, CanonicalFormsForEveryKindOfPath) {
    const std::pair<const char*, const char*> cases[] = {
        {"resources/Timeline.XML", "./resources/timeline.xml"},
        {"", "./"},
        {"./", "./"},
        {"a/", "./a/"},
        {"a/../", "./"},
        {"a//b/./c", "./a/b/c"},
        {"x/a/../b", "./x/b"},
        {"../../foo", "../../foo"},
        {"a/../../c", "../c"},
        {"a/b./c", "./a/b./c"},
        {"/a/../b", "/b"},
        {"/", "/"},
        {"//server/share", "/server/share"},
        {"C:/Dir/../File.TXT", "c:/file.txt"},
        {"C:/", "c:/"},
        {"c://a", "c:/a"},
        {"c:foo", "./c:foo"},
        {"a/..", "./a/.."},
        {"a/.", "./a/."},
        {"a/.../b", "./b"},
        {".../b", "../b"},
        {"resources\\timeline.xml", "./resources/timeline.xml"},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(normalized(input), expected) << "input: " << input;
        EXPECT_EQ(normalized(withBackslashes(input)), expected) << "input: " << withBackslashes(input);
    }
}

TEST(ResourcePath, MixedSeparatorsAndCaseGiveOneKey) {
    EXPECT_EQ(normalized("Resources\\Scenes/INTRO.gltf"), normalized("./resources/scenes\\intro.GLTF"));
    EXPECT_NE(normalized("dir/"), normalized("dir"));
}

TEST(ResourcePath, NonAsciiBytesPassUnchangedWhileAsciiIsLowered) {
    EXPECT_EQ(normalized("Musik/\xC3\x84RGER.ogg"), "./musik/\xC3\x84rger.ogg");
}

TEST(ResourcePath, ClimbingAboveARootThrowsWithItsMessage) {
    for (const char* input : {"/../a", "c:/../a", "/a/../../b", "\\..\\a", "D:\\..\\x"}) {
        try {
            ResourcePath path(input);
            ADD_FAILURE() << "no exception for " << input << ", got " << path.text();
        } catch (const ResourcePath::Exception& error) {
            EXPECT_STREQ(error.what(), "Invalid path, trying to go to upper parent folder from root folder.");
        }
    }
    // The error type is a runtime_error, so callers that know only that still catch it.
    EXPECT_THROW(ResourcePath("/.."
                              "/x"),
                 std::runtime_error);
}

TEST(ResourcePath, DefaultValueEqualsTheEmptyTextAndCopiesAreIndependent) {
    EXPECT_EQ(ResourcePath().text(), "./");
    EXPECT_EQ(ResourcePath(), ResourcePath(""));
    ResourcePath original("a/b");
    ResourcePath copy = original;
    original = ResourcePath("c");
    EXPECT_EQ(copy.text(), "./a/b");
    copy = copy;
    EXPECT_EQ(copy.text(), "./a/b");
}

}  // namespace
