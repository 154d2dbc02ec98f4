// One scene drawn with the sample show's scene shader on the headless device: the blocks, the vertex layout and
// the matrices reach the shader as the scene pass fills them.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "render/depth_buffer.h"
#include "render/render_target.h"
#include "render/scene.h"
#include "base/wide_text.h"
#include "support/gpu_test_support.h"
#include "support/test_support.h"

namespace {

// In the player's space: a red triangle 5 units in front of a camera at the origin (the camera has no keys), lit
// by a point light beside the camera. Written in the file's space: (x, y, z) as (x, -z, -y), winding reversed.
// Vertices (-3, -3, 5), (3, -3, 5), (0, 3, 5) and normals (0, 0, -1); the buffer holds positions, normals and the
// indices 0 1 2.
const char* kTriangle = R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],
"nodes":[{"name":"Root","children":[1,2,3]},{"name":"Shape","mesh":0},{"name":"Camera","camera":0},
 {"name":"Lamp","translation":[0.5,0,0],"extensions":{"KHR_lights_punctual":{"light":0}}}],
"extensionsUsed":["KHR_lights_punctual"],
"extensions":{"KHR_lights_punctual":{"lights":[{"type":"point","color":[1,1,1],"intensity":25}]}},
"cameras":[{"type":"perspective","perspective":{"yfov":0.5,"aspectRatio":1.0,"znear":0.1,"zfar":100}}],
"materials":[{"name":"Red","pbrMetallicRoughness":{"baseColorFactor":[0.8,0.1,0.05,1],"roughnessFactor":1}}],
"meshes":[{"primitives":[{"attributes":{"POSITION":0,"NORMAL":1},"indices":2,"material":0}]}],
"buffers":[{"byteLength":84,"uri":"data:application/octet-stream;base64,AABAwAAAoMAAAEBAAABAQAAAoMAAAEBAAAAAAAAAoMAAAEDAAAAAAAAAgD8AAAAAAAAAAAAAgD8AAAAAAAAAAAAAgD8AAAAAAAAAAAEAAAACAAAA"}],
"bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":36},{"buffer":0,"byteOffset":36,"byteLength":36},
 {"buffer":0,"byteOffset":72,"byteLength":12}],
"accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3","min":[-3,-5,-3],"max":[3,-5,3]},
 {"bufferView":1,"componentType":5126,"count":3,"type":"VEC3"},
 {"bufferView":2,"componentType":5125,"count":3,"type":"SCALAR"}]})";

class SceneDrawTest : public testing_support::HeadlessGpuTest {};

TEST_F(SceneDrawTest, TheSampleShowsShaderDrawsALitTriangleInFrontOfTheCamera) {
    testing_support::TempDir dir;
    const std::string shaders = std::string(DEMO_SOURCE_DIR) + "/show/resources/shaders/";
    auto scene = std::make_unique<Scene>(device_, "Triangle");
    scene->manifest.VertexShader["DefaultEngine"] = widenUtf8(shaders + "default_engine_vs.hlsl");
    scene->manifest.PixelShader["DefaultEngine"] = widenUtf8(shaders + "default_engine_ps.hlsl");
    ASSERT_TRUE(scene->load(widenUtf8(dir.write("triangle.gltf", kTriangle).string())));
    ASSERT_EQ(scene->meshes.size(), 1u);
    ASSERT_NE(scene->meshes[0].program.vertexShader(), nullptr);
    ASSERT_NE(scene->meshes[0].program.pixelShader(), nullptr);

    const std::uint32_t size = 32;
    RenderTarget target;
    DepthBuffer depth;
    target.create(device_, size, size, gpu::Format::R8G8B8A8_UNORM, 1, 1, 0, false, false, 1);
    depth.create(device_, size, size, gpu::Format::D24_UNORM_S8_UINT, true, 1, 0, 1);
    const float clear[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    context_->ClearRenderTargetView(target.renderTargetView.get(), clear);
    context_->ClearDepthStencilView(depth.depthStencilView.get(), gpu::CLEAR_DEPTH, 1.0f, 0);
    gpu::RenderTargetView* views[1] = {target.renderTargetView.get()};
    context_->OMSetRenderTargets(1, views, depth.depthStencilView.get());
    const gpu::Viewport viewport{0, 0, float(size), float(size), 0, 1};
    context_->RSSetViewports(1, &viewport);

    scene->drawScene(context_, 0.0, "Camera");
    EXPECT_TRUE(scene->cameraFound);
    const std::vector<std::uint8_t> pixels = testing_support::readBack(*device_, *context_, target.texture.get());
    ASSERT_EQ(pixels.size(), size * size * 4u);
    const auto pixel = [&](std::uint32_t x, std::uint32_t y) { return &pixels[(y * size + x) * 4]; };

    // The centre is the lit red triangle; a top corner is outside it and keeps the clear colour.
    const std::uint8_t* centre = pixel(size / 2, size / 2);
    EXPECT_GT(centre[0], 100);
    EXPECT_GT(centre[0], centre[1] * 2);
    EXPECT_LT(centre[2], 100);
    const std::uint8_t* corner = pixel(1, 1);
    EXPECT_EQ(corner[0], 0);
    EXPECT_EQ(corner[2], 255);
    // The apex points up the screen: the top row is red in the middle only, the bottom row all across.
    EXPECT_GT(pixel(size / 2, 1)[0], 100);
    EXPECT_EQ(pixel(size - 2, 1)[2], 255);
    EXPECT_GT(pixel(1, size - 2)[0], 100);
    EXPECT_GT(pixel(size - 2, size - 2)[0], 100);

    // Seen from behind (the camera turned round) the triangle is culled: nothing but the clear colour.
    context_->ClearRenderTargetView(target.renderTargetView.get(), clear);
    context_->ClearDepthStencilView(depth.depthStencilView.get(), gpu::CLEAR_DEPTH, 1.0f, 0);
    AnimationChannel turned;
    turned.positionKeys.push_back({0.0f, 0.0f, 0.0f, 10.0f});
    turned.rotationKeys.push_back({0.0f, {0.0f, 1.0f, 0.0f, 0.0f}});
    turned.scalingKeys.push_back({0.0f, 1.0f, 1.0f, 1.0f});
    scene->channels[99] = turned;
    scene->cameras[0].channelIndex = 99;
    scene->drawScene(context_, 0.0, "Camera");
    const std::vector<std::uint8_t> behind = testing_support::readBack(*device_, *context_, target.texture.get());
    EXPECT_EQ(behind[(size / 2 * size + size / 2) * 4 + 2], 255);
}

}  // namespace
