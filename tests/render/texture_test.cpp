// Textures from image files and the typed constant buffers, on a headless device.

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

// Static, so that other test files of the program may define their own copy.
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include "post/effect_parameters.h"
#include "render/constant_buffer.h"
#include "render/texture.h"
#include "resources/resource_manifest.h"
#include "support/gpu_test_support.h"
#include "support/test_support.h"

namespace {

using gpu::Format;
using testing_support::TempDir;

// "c<components>.png"
std::string imageName(int components) {
    std::string name = "c";
    name += static_cast<char>('0' + components);
    return name + ".png";
}

class TextureTest : public testing_support::HeadlessGpuTest {
protected:
    void SetUp() override {
        HeadlessGpuTest::SetUp();
        directory_ = dir_.path().string() + "/";
    }

    Texture loaded(const std::string& name, bool srgb) {
        Texture texture;
        texture.directory = directory_;
        texture.load(device_, name, srgb);
        return texture;
    }
    std::vector<std::uint8_t> texels(const Texture& texture) {
        return testing_support::readBack(*device_, *context_, texture.view()->GetResource());
    }
    std::string loadError(const std::string& name) {
        Texture texture;
        texture.directory = directory_;
        try {
            texture.load(device_, name, true);
        } catch (const std::runtime_error& error) {
            EXPECT_FALSE(texture.view());
            return error.what();
        }
        return "no exception";
    }

    TempDir dir_;
    std::string directory_;
};

TEST_F(TextureTest, ComponentCountChoosesTheFormatAndRgbGetsOpaqueAlpha) {
    // 2 x 2 images with distinct bytes per texel and channel.
    std::vector<std::uint8_t> bytes(16);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(10 + 20 * i);
    const std::string base = directory_;
    for (int components = 1; components <= 4; ++components) {
        const std::string file = base + imageName(components);
        ASSERT_TRUE(stbi_write_png(file.c_str(), 2, 2, components, bytes.data(), 2 * components));
    }

    for (bool srgb : {false, true}) {
        SCOPED_TRACE(srgb ? "srgb" : "linear");
        const Format rgba = srgb ? Format::R8G8B8A8_UNORM_SRGB : Format::R8G8B8A8_UNORM;
        const Format expected[4] = {Format::R8_UNORM, Format::R8G8_UNORM, rgba, rgba};
        for (int components = 1; components <= 4; ++components) {
            SCOPED_TRACE(components);
            Texture texture = loaded(imageName(components), srgb);
            ASSERT_TRUE(texture.view());
            const gpu::Texture2DDesc& desc = texture.view()->GetResource()->GetDesc();
            EXPECT_EQ(desc.Format, expected[components - 1]);
            EXPECT_EQ(texture.view()->GetDesc().Format, expected[components - 1]);
            EXPECT_EQ(desc.MipLevels, 1u);
            EXPECT_EQ(desc.Width, 2u);
            EXPECT_EQ(desc.BindFlags, gpu::BIND_SHADER_RESOURCE);

            std::vector<std::uint8_t> want;
            for (int texel = 0; texel < 4; ++texel) {
                for (int c = 0; c < components; ++c) want.push_back(bytes[texel * components + c]);
                if (components == 3) want.push_back(255);
            }
            EXPECT_EQ(texels(texture), want);
        }
    }
}

TEST_F(TextureTest, RgbJpegIsOpaqueRgba) {
    std::vector<std::uint8_t> rgb(8 * 8 * 3, 0);
    for (std::size_t i = 0; i < rgb.size(); i += 3) rgb[i] = 200;  // red
    ASSERT_TRUE(stbi_write_jpg((directory_ + "photo.jpg").c_str(), 8, 8, 3, rgb.data(), 100));
    Texture texture = loaded("photo.jpg", true);
    ASSERT_TRUE(texture.view());
    EXPECT_EQ(texture.view()->GetResource()->GetDesc().Format, Format::R8G8B8A8_UNORM_SRGB);
    const std::vector<std::uint8_t> got = texels(texture);
    ASSERT_EQ(got.size(), 8u * 8u * 4u);
    for (std::size_t i = 0; i < got.size(); i += 4) {
        EXPECT_NEAR(got[i], 200, 4);
        EXPECT_EQ(got[i + 3], 255);
    }
}

TEST_F(TextureTest, FileNamesAreAppendedToTheDirectoryAndFailuresNameTheFullPath) {
    const std::uint8_t grey[4] = {1, 2, 3, 4};
    std::filesystem::create_directories(dir_.path() / "sub");
    ASSERT_TRUE(stbi_write_png((directory_ + "sub/grey.png").c_str(), 2, 2, 1, grey, 2));
    EXPECT_TRUE(loaded("sub/grey.png", false).view());

    EXPECT_EQ(loadError("missing.png"), "Unable to load texture file: " + directory_ + "missing.png");
    dir_.write("corrupt.png", std::string("\x89PNG\r\n\x1a\n") + "not really an image");
    EXPECT_EQ(loadError("corrupt.png"), "Unable to load texture file: " + directory_ + "corrupt.png");
}

TEST(TextureDirectoryTest, ManifestPathGetsOneSeparator) {
    TempDir dir;
    const auto manifestWith = [&](const std::string& path) {
        dir.write("resources.xml", "<Resources><Paths><Path name=\"textures\" path=\"" + path +
                                       "\"/></Paths></Resources>");
        return Texture::directoryFromManifest(ResourceManifest((dir.path() / "resources.xml").string()));
    };
    EXPECT_EQ(manifestWith("resources/textures"), "resources/textures/");
    EXPECT_EQ(manifestWith("resources/textures/"), "resources/textures/");
    EXPECT_EQ(manifestWith("resources\\textures\\"), "resources/textures/");
    EXPECT_EQ(manifestWith(""), "");  // the working directory, not the root
}

class ConstantBufferTest : public testing_support::HeadlessGpuTest {
protected:
    template <typename T>
    std::uint32_t createdWidth() {
        ConstantBuffer<T> buffer;
        EXPECT_FALSE(buffer.created);
        buffer.create(device_);
        EXPECT_TRUE(buffer.created);
        if (!buffer.buffer) return 0;
        const gpu::BufferDesc& desc = buffer.buffer->GetDesc();
        EXPECT_EQ(desc.Usage, gpu::Usage::Dynamic);
        EXPECT_EQ(desc.BindFlags, gpu::BIND_CONSTANT_BUFFER);
        EXPECT_EQ(desc.CPUAccessFlags, gpu::CPU_ACCESS_WRITE);
        return desc.ByteWidth;
    }
};

TEST_F(ConstantBufferTest, ByteWidthAlwaysAddsUpToSixteen) {
    struct Sixteen {
        float v[4];
    };
    EXPECT_EQ(createdWidth<DepthOfFieldParameters>(), 16u);
    EXPECT_EQ(createdWidth<LensDistortParameters>(), 32u);
    EXPECT_EQ(createdWidth<ColorCorrectParameters>(), 80u);
    EXPECT_EQ(createdWidth<OverlayParameters>(), 16u);
    EXPECT_EQ(createdWidth<BloomParameters>(), 48u);
    EXPECT_EQ(createdWidth<Sixteen>(), 32u);
}

TEST_F(ConstantBufferTest, UpdateUploadsTheData) {
    ConstantBuffer<LensDistortParameters> buffer;
    buffer.create(device_);
    buffer.data.chrom = 42.0f;
    buffer.update(context_);

    gpu::BufferDesc desc = buffer.buffer->GetDesc();
    desc.Usage = gpu::Usage::Staging;
    desc.BindFlags = 0;
    desc.CPUAccessFlags = gpu::CPU_ACCESS_READ;
    gpu::Ref<gpu::Buffer> staging;
    ASSERT_EQ(device_->CreateBuffer(desc, nullptr, &staging), gpu::Result::Ok);
    context_->CopyResource(staging.get(), buffer.buffer.get());
    gpu::MappedSubresource mapped;
    ASSERT_EQ(context_->Map(staging.get(), 0, gpu::MapType::Read, 0, &mapped), gpu::Result::Ok);
    LensDistortParameters uploaded;
    std::memcpy(&uploaded, mapped.pData, sizeof(uploaded));
    context_->Unmap(staging.get(), 0);
    EXPECT_EQ(std::memcmp(&uploaded, &buffer.data, sizeof(uploaded)), 0);
}

}  // namespace
