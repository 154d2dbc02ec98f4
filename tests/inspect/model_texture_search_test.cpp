// Where demo-import finds the images a model's materials name: as given, beside the model, or by file name in
// any letter case in the folders below it (a path from the author's machine), names outside ASCII included.
#include <gtest/gtest.h>

#include "base/utf8_files.h"
#include "inspect/model_texture_search.h"
#include "support/test_support.h"

namespace {

TEST(ModelTextureSearch, FindsWhatAMaterialNamesWhereverTheModelKeepsIt) {
    testing_support::TempDir dir;
    for (const char* file : {"model/wood.png", "model/maps/Metal.PNG", "model/a/b/c/deep.png",
                             "model/a/b/c/d/too_deep.png", "model/textures/\xc3\x89" "corce.png", "elsewhere/stone.png"})
        dir.write(file, "image");
    const auto folder = dir.path() / "model";
    const std::string absolute = utf8PathText(dir.path() / "elsewhere" / "stone.png");
    const struct {
        std::string named;
        const char* found;  // relative to the temporary folder, "" for none
    } kCases[] = {
        {"wood.png", "model/wood.png"},
        {"maps\\Metal.PNG", "model/maps/Metal.PNG"},
        {"D:\\projects\\house\\metal.png", "model/maps/Metal.PNG"},
        {"C:/Users/artist/\xc3\x89" "corce.png", "model/textures/\xc3\x89" "corce.png"},
        {"/somewhere/else/deep.png", "model/a/b/c/deep.png"},
        {"too_deep.png", ""},
        {absolute, "elsewhere/stone.png"},
        {"missing.png", ""},
        {"maps/", ""},
        {"", ""},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.named);
        const auto found = model_textures::findTextureFile(c.named, folder);
        EXPECT_EQ(found.empty() ? std::string() : utf8PathText(found.lexically_relative(dir.path())), c.found);
    }

    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(model_textures::readFileBytes(folder / "textures" / utf8FilePath("\xc3\x89" "corce.png"), &bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "image");
    EXPECT_TRUE(model_textures::sameBytes(folder / "wood.png", bytes));
    bytes.push_back('!');
    EXPECT_FALSE(model_textures::sameBytes(folder / "wood.png", bytes));
    EXPECT_FALSE(model_textures::readFileBytes(folder / "missing.png", &bytes));
    EXPECT_TRUE(bytes.empty());
    dir.write("empty.png", "");
    EXPECT_FALSE(model_textures::readFileBytes(dir.path() / "empty.png", &bytes));
}

}  // namespace
