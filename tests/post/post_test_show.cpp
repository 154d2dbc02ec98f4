#include "post/post_test_show.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

// Static, so that other test files of the program may define their own copy.
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include "resources/resource_manifest.h"
#include "base/wide_text.h"
#include "support/test_support.h"

namespace post_test_show {
namespace {

std::unique_ptr<testing_support::TempDir> showDirectory;

class PostShowEnvironment : public testing::Environment {
public:
    void SetUp() override {
        showDirectory = std::make_unique<testing_support::TempDir>();
        const std::filesystem::path sampleShow = std::filesystem::path(DEMO_SOURCE_DIR) / "show";
        const ResourceManifest sample((sampleShow / "resources" / "resources.xml").string());
        std::string xml = "<Resources><PixelShader>";
        for (const auto& [key, path] : sample.PixelShader) {
            xml += "<Shader name=\"" + key + "\" path=\"" + (sampleShow / narrowToUtf8(path)).string() + "\"/>";
        }
        xml += "</PixelShader><VertexShader>";
        for (const auto& [key, path] : sample.VertexShader) {
            xml += "<Shader name=\"" + key + "\" path=\"" + (sampleShow / narrowToUtf8(path)).string() + "\"/>";
        }
        xml += "</VertexShader><Paths><Path name=\"textures\" path=\"resources/textures\"/></Paths></Resources>";
        showDirectory->write("resources/resources.xml", xml);
        std::filesystem::create_directories(showDirectory->path() / "resources" / "textures");
        writeImage("preload.png", kPreloadSize, 255, 0, 0);
        writeImage("Lorvanecrafts_1920.png", kLogo1Size, 0, 255, 0);
        writeImage("orvelle.png", kLogo2Size, 0, 0, 255);

        workingDirectory = std::make_unique<testing_support::ScopedWorkingDirectory>(showDirectory->path());
        ASSERT_TRUE(ResourceManifest::instance().findPixelShader("post_dof_p0"));
    }
    void TearDown() override {
        workingDirectory.reset();
        showDirectory.reset();
    }

private:
    std::unique_ptr<testing_support::ScopedWorkingDirectory> workingDirectory;
};

[[maybe_unused]] testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new PostShowEnvironment);

}  // namespace

const std::filesystem::path& directory() { return showDirectory->path(); }

void writeImage(const std::string& name, std::uint32_t size, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    std::vector<std::uint8_t> pixels;
    for (std::uint32_t i = 0; i < size * size; ++i) pixels.insert(pixels.end(), {r, g, b, 255});
    const std::filesystem::path file = showDirectory->path() / "resources" / "textures" / name;
    const int side = static_cast<int>(size);
    ASSERT_TRUE(stbi_write_png(file.string().c_str(), side, side, 4, pixels.data(), side * 4));
}

}  // namespace post_test_show
