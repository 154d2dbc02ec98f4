// The scene pass's CPU side without a GPU: key search and sampling, the two matrix orders, the projection, world
// matrices, the lights block and the per-object block's texture flags.

#include <array>
#include <cmath>
#include <cstddef>
#include <memory>

#include <gtest/gtest.h>

#include "render/scene.h"

namespace {

using scene_math::Matrix;
using scene_math::Quaternion;
using scene_math::Vector4;

constexpr float kHalfSqrt2 = 0.70710678f;
const Quaternion kQuarterTurnZ{0.0f, 0.0f, kHalfSqrt2, kHalfSqrt2};

void expectMatrixNear(const Matrix& actual, const Matrix& expected, float tolerance = 1e-5f) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(actual.m[i][j], expected.m[i][j], tolerance) << i << "," << j;
}

void expectPoint(const Vector4& v, float x, float y, float z, float w) {
    EXPECT_NEAR(v.x, x, 1e-5f);
    EXPECT_NEAR(v.y, y, 1e-5f);
    EXPECT_NEAR(v.z, z, 1e-5f);
    EXPECT_NEAR(v.w, w, 1e-5f);
}

// A channel whose keys are (time, value) with value = time / 10 on x, plus one rotation and one scaling key.
AnimationChannel channelWithPositions(std::initializer_list<float> times) {
    AnimationChannel channel;
    for (float t : times) channel.positionKeys.push_back({t, t / 10.0f, 0.0f, 0.0f});
    channel.rotationKeys.push_back({0.0f, {0, 0, 0, 1}});
    channel.scalingKeys.push_back({0.0f, 1.0f, 1.0f, 1.0f});
    return channel;
}

SceneNode& addNode(Scene& scene, std::int32_t parent, const Matrix& local) {
    SceneNode node;
    node.index = scene.nodeCount++;
    node.parentIndex = parent;
    node.localMatrix = std::make_unique<Matrix>(local);
    SceneNode& stored = scene.nodes.emplace(node.index, std::move(node)).first->second;
    scene.worldMatrices.assign(static_cast<std::size_t>(scene.nodeCount), scene_math::identity());
    return stored;
}

TEST(SceneKeySearchTest, FindsTheKeysAroundATimeFromEveryStartHint) {
    const std::vector<VectorKey> keys = {{0, 0, 0, 0}, {10, 0, 0, 0}, {20, 0, 0, 0}, {40, 0, 0, 0}};
    const struct {
        float time;
        int first, second;
        float factor;
    } cases[] = {{-5.0f, 0, 0, 0.0f},   {5.0f, 0, 1, 0.5f},  {12.5f, 1, 2, 0.25f},
                 {30.0f, 2, 3, 0.5f},   {45.0f, 3, 3, 0.0f}, {39.0f, 2, 3, 0.95f}};
    for (const auto& c : cases) {
        for (int start = -3; start <= 7; ++start) {
            SCOPED_TRACE(testing::Message() << "time " << c.time << " start " << start);
            const KeyPair pair = findKeyPair<float>(keys, start, c.time);
            EXPECT_EQ(pair.first, c.first);
            EXPECT_EQ(pair.second, c.second);
            EXPECT_NEAR(pair.factor, c.factor, 1e-6f);
            const KeyPair precise = findKeyPair<double>(keys, start, static_cast<double>(c.time));
            EXPECT_EQ(precise.first, c.first);
            EXPECT_NEAR(precise.factor, c.factor, 1e-6f);
        }
    }
    // On a key the value is that key's, whichever side the search came from.
    for (int start = 0; start < 4; ++start) {
        const KeyPair pair = findKeyPair<float>(keys, start, 20.0f);
        const float value = keys[pair.first].time + (keys[pair.second].time - keys[pair.first].time) * pair.factor;
        EXPECT_FLOAT_EQ(value, 20.0f) << start;
    }
    // Two keys at one time do not divide by zero.
    const std::vector<VectorKey> twins = {{0, 0, 0, 0}, {5, 0, 0, 0}, {5, 0, 0, 0}, {9, 0, 0, 0}};
    for (int start = 0; start < 4; ++start) EXPECT_TRUE(std::isfinite(findKeyPair<float>(twins, start, 5.0f).factor));
}

TEST(SceneKeySearchTest, SlerpTakesTheShortArcAndNormalisedQuaternionsStayUnit) {
    const Quaternion identity{0, 0, 0, 1};
    const Quaternion half = scene_math::slerp(identity, kQuarterTurnZ, 0.5f);
    const float s = std::sin(3.14159265f / 8.0f), c = std::cos(3.14159265f / 8.0f);
    EXPECT_NEAR(half.z, s, 1e-5f);
    EXPECT_NEAR(half.w, c, 1e-5f);
    // The same rotation written with the opposite sign interpolates along the same arc.
    const Quaternion flipped = scene_math::slerp(identity, {0, 0, -kHalfSqrt2, -kHalfSqrt2}, 0.5f);
    EXPECT_NEAR(std::fabs(flipped.z), s, 1e-5f);
    EXPECT_NEAR(std::fabs(flipped.w), c, 1e-5f);
    EXPECT_GT(flipped.z * flipped.w, 0.0f);
    const Quaternion end = scene_math::slerp(identity, kQuarterTurnZ, 1.0f);
    EXPECT_NEAR(end.z, kHalfSqrt2, 1e-5f);
}

// Dense tracks (a key a frame, as 3D packages export) have neighbouring keys a fraction of a degree apart: every
// sample must match a double-precision slerp and give an orthonormal rotation.
TEST(SceneKeySearchTest, SlerpOnDenseTracksMatchesDoublePrecisionAndStaysOrthonormal) {
    const double axis[3] = {0.48, -0.6, 0.64};  // unit length
    for (const double stepDegrees : {1e-4, 0.01, 0.1, 0.5, 1.0, 1.6, 2.0, 30.0}) {
        const double step = stepDegrees * 3.14159265358979 / 180.0;
        for (int key = 0; key < 50; ++key) {
            const auto quaternionAt = [&](double angle) {
                const double s = std::sin(angle / 2);
                return std::array<double, 4>{axis[0] * s, axis[1] * s, axis[2] * s, std::cos(angle / 2)};
            };
            const auto ka = quaternionAt(key * step), kb = quaternionAt((key + 1) * step);
            const Quaternion a{float(ka[0]), float(ka[1]), float(ka[2]), float(ka[3])};
            const Quaternion b{float(kb[0]), float(kb[1]), float(kb[2]), float(kb[3])};
            for (const float t : {0.25f, 0.5f, 0.9f}) {
                const auto expected = quaternionAt((key + double(t)) * step);
                const Quaternion q = scene_math::slerp(a, b, t);
                const float got[4] = {q.x, q.y, q.z, q.w};
                for (int i = 0; i < 4; ++i) ASSERT_NEAR(got[i], expected[i], 2e-7) << stepDegrees << " deg, key " << key;
                const Matrix r = scene_math::rotation(q);
                for (int i = 0; i < 3; ++i) {
                    for (int j = 0; j < 3; ++j) {
                        const float dot = r.m[i][0] * r.m[j][0] + r.m[i][1] * r.m[j][1] + r.m[i][2] * r.m[j][2];
                        ASSERT_NEAR(dot, i == j ? 1.0f : 0.0f, 1e-6f) << stepDegrees << " deg, key " << key;
                    }
                }
            }
        }
    }
}

TEST(SceneSamplingTest, NodeKeysHoldBeforeAndAfterAndInterpolateBetween) {
    Scene scene(nullptr, "keys");
    scene.channels.emplace(0, channelWithPositions({100.0f, 200.0f, 300.0f}));
    SceneNode& node = addNode(scene, -1, scene_math::identity());
    node.channelIndex = 0;
    const struct {
        double time;
        float x;
    } cases[] = {{0.0, 10.0f}, {150.0, 15.0f}, {250.0, 25.0f}, {300.0, 30.0f}, {1000.0, 30.0f}, {120.0, 12.0f}};
    for (const auto& c : cases) {
        const Matrix local = scene.sampleNode(node, c.time);
        EXPECT_NEAR(local.m[3][0], c.x, 1e-4f) << c.time;
    }
    // The hints follow the search; going backwards in time still finds the keys.
    EXPECT_EQ(node.positionHint, 0);
    EXPECT_NEAR(scene.sampleNode(node, 260.0).m[3][0], 26.0f, 1e-4f);
    EXPECT_EQ(node.positionHint, 1);
}

TEST(SceneSamplingTest, NodesRotateScaleThenTranslateAndCamerasRotateTranslateThenScale) {
    Scene scene(nullptr, "orders");
    AnimationChannel channel;
    channel.positionKeys.push_back({0.0f, 1.0f, 0.0f, 0.0f});
    channel.rotationKeys.push_back({0.0f, kQuarterTurnZ});
    channel.scalingKeys.push_back({0.0f, 2.0f, 2.0f, 2.0f});
    scene.channels.emplace(0, channel);
    SceneNode& node = addNode(scene, -1, scene_math::identity());
    node.channelIndex = 0;

    // (1, 0, 0) turned a quarter about z is (0, 1, 0); scaled (0, 2, 0); moved (1, 2, 0).
    expectPoint(scene_math::transform({1, 0, 0, 1}, scene.sampleNode(node, 0.0)), 1, 2, 0, 1);
    // The camera scales last: (0, 1, 0), moved (1, 1, 0), scaled (2, 2, 0).
    SceneCamera camera;
    camera.channelIndex = 0;
    expectPoint(scene_math::transform({1, 0, 0, 1}, scene.sampleCamera(camera, 0.0)), 2, 2, 0, 1);

    // A camera without a channel, or with an empty key list, stands at the origin.
    camera.channelIndex = -1;
    expectMatrixNear(scene.sampleCamera(camera, 0.0), scene_math::identity());
    scene.channels[0].scalingKeys.clear();
    camera.channelIndex = 0;
    expectMatrixNear(scene.sampleCamera(camera, 0.0), scene_math::identity());
    node.channel = nullptr;
    expectMatrixNear(scene.sampleNode(node, 0.0), scene_math::identity());
}

TEST(SceneSamplingTest, CameraKeysHoldAtBothEndsOfTheAnimation) {
    Scene scene(nullptr, "camera");
    scene.animationStart = 100.0;
    scene.animationEnd = 300.0;
    scene.channels.emplace(0, channelWithPositions({100.0f, 200.0f, 300.0f}));
    SceneCamera camera;
    camera.channelIndex = 0;
    EXPECT_NEAR(scene.sampleCamera(camera, 50.0).m[3][0], 10.0f, 1e-5f);
    EXPECT_NEAR(scene.sampleCamera(camera, 175.0).m[3][0], 17.5f, 1e-5f);
    EXPECT_NEAR(scene.sampleCamera(camera, 300.0).m[3][0], 30.0f, 1e-5f);
    EXPECT_NEAR(scene.sampleCamera(camera, 900.0).m[3][0], 30.0f, 1e-5f);
    // A scene whose animation has no length still samples.
    scene.animationEnd = scene.animationStart;
    EXPECT_NEAR(scene.sampleCamera(camera, 150.0).m[3][0], 15.0f, 1e-5f);
}

TEST(SceneFrameTest, ProjectionFollowsTheCameraAndFallsBackToTheOutputAspect) {
    const Matrix p = scene_math::perspective(3.14159265f / 2.0f, 2.0f, 1.0f, 11.0f);
    expectMatrixNear(p, Matrix{{{0.5f, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1.1f, 1}, {0, 0, -1.1f, 0}}});

    Scene scene(nullptr, "projection");
    SceneCamera camera;
    camera.name = "Camera";
    camera.fieldOfView = 3.14159265f / 2.0f;
    camera.nearClip = 1.0f;
    camera.farClip = 11.0f;
    camera.aspect = 2.0f;
    scene.cameras.push_back(camera);
    scene.currentCamera.fieldOfView = camera.fieldOfView;
    scene.currentCamera.nearClip = 1.0f;
    scene.currentCamera.farClip = 11.0f;

    scene.prepareFrame(0.0, "Camera", 4.0f);
    EXPECT_TRUE(scene.cameraFound);
    EXPECT_NEAR(scene.projection.m[0][0], 0.5f, 1e-5f);

    // A name the scene lacks: identity view through the current camera; the camera found before stays current.
    scene.prepareFrame(0.0, "Elsewhere", 4.0f);
    EXPECT_FALSE(scene.cameraFound);
    expectMatrixNear(scene.view, scene_math::identity());
    EXPECT_NEAR(scene.projection.m[0][0], 0.5f, 1e-5f);

    // A current camera that was never replaced has no aspect: the output's stands in.
    Scene fresh(nullptr, "fresh");
    fresh.currentCamera = scene.currentCamera;
    fresh.currentCamera.aspect = 0.0f;
    fresh.prepareFrame(0.0, "Camera", 4.0f);
    EXPECT_NEAR(fresh.projection.m[0][0], 0.25f, 1e-5f);
    // No camera values at all still give a finite projection.
    Scene empty(nullptr, "empty");
    empty.prepareFrame(0.0, "Camera", 16.0f / 9.0f);
    for (const auto& row : empty.projection.m)
        for (float v : row) EXPECT_TRUE(std::isfinite(v));
}

TEST(SceneFrameTest, WorldIsParentTimesLocalAndTheViewInvertsTheCamera) {
    Scene scene(nullptr, "world");
    const Matrix parentLocal =
        scene_math::multiply(scene_math::rotation(kQuarterTurnZ), scene_math::translation(1.0f, 0.0f, 0.0f));
    const Matrix childLocal = scene_math::translation(0.0f, 2.0f, 0.0f);
    addNode(scene, -1, parentLocal);
    addNode(scene, 0, childLocal);

    AnimationChannel cameraKeys;
    cameraKeys.positionKeys.push_back({0.0f, 3.0f, 4.0f, 5.0f});
    cameraKeys.rotationKeys.push_back({0.0f, kQuarterTurnZ});
    cameraKeys.scalingKeys.push_back({0.0f, 1.0f, 1.0f, 1.0f});
    scene.channels.emplace(7, cameraKeys);
    SceneCamera camera;
    camera.name = "Camera";
    camera.channelIndex = 7;
    scene.cameras.push_back(camera);

    scene.prepareFrame(0.0, "Camera", 1.0f);
    expectMatrixNear(scene.worldMatrices[0], parentLocal);
    // The parent's matrix on the left: the child's translation is applied after the parent's.
    expectMatrixNear(scene.worldMatrices[1], scene_math::multiply(parentLocal, childLocal));
    EXPECT_GT(std::fabs(scene.worldMatrices[1].m[3][1] - scene_math::multiply(childLocal, parentLocal).m[3][1]),
              0.5f);

    expectMatrixNear(scene_math::multiply(scene.cameraWorld, scene.view), scene_math::identity());
    EXPECT_FLOAT_EQ(scene.objectBlock.cameraPosition[0], 3.0f);
    EXPECT_FLOAT_EQ(scene.objectBlock.cameraPosition[1], 4.0f);
    EXPECT_FLOAT_EQ(scene.objectBlock.cameraPosition[2], 5.0f);
    EXPECT_FLOAT_EQ(scene.objectBlock.cameraPosition[3], 1.0f);
}

TEST(SceneFrameTest, AtMostEightLightsWithNodesAreUploadedAsPositionsOrDirections) {
    Scene scene(nullptr, "lights");
    const SceneNode& root = addNode(scene, -1, scene_math::identity());
    const SceneNode& moved = addNode(scene, 0, scene_math::translation(3.0f, 4.0f, 5.0f));
    const SceneNode& turned = addNode(scene, 0, scene_math::rotation(kQuarterTurnZ));

    SceneLight unlinked;
    unlinked.colour[0] = 9.0f;
    scene.lights.push_back(unlinked);  // no node: never uploaded
    for (int i = 0; i < 9; ++i) {
        SceneLight light;
        light.point = i % 2 == 0;
        light.node = i == 2 ? &moved : (i == 3 ? &turned : &root);
        light.colour[0] = static_cast<float>(i);
        light.attenuationConstant = 1.0f;
        light.attenuationLinear = 0.5f;
        light.attenuationQuadratic = static_cast<float>(i) * 0.25f;
        scene.lights.push_back(light);
    }
    scene.prepareFrame(0.0, "", 1.0f);

    EXPECT_EQ(scene.lightsBlock.count, 8);
    for (int k = 0; k < 8; ++k) {
        EXPECT_FLOAT_EQ(scene.lightsBlock.lights[k].colour[0], static_cast<float>(k)) << k;
        EXPECT_FLOAT_EQ(scene.lightsBlock.lights[k].colour[3], 0.0f);
        EXPECT_FLOAT_EQ(scene.lightsBlock.lights[k].attenuation[2], k * 0.25f);
    }
    const auto position = [&](int k) {
        const float* p = scene.lightsBlock.lights[k].position;
        return Vector4{p[0], p[1], p[2], p[3]};
    };
    expectPoint(position(0), 0, 0, 0, 1);   // point light at the root
    expectPoint(position(1), 0, -1, 0, 0);  // directional light along -y
    expectPoint(position(2), 3, 4, 5, 1);   // point light at its node
    expectPoint(position(3), 1, 0, 0, 0);   // -y turned a quarter about z

    // Fewer lights the next frame: the count follows.
    scene.lights.resize(3);
    scene.prepareFrame(0.0, "", 1.0f);
    EXPECT_EQ(scene.lightsBlock.count, 2);
}

TEST(SceneFrameTest, PerObjectBlockMarksEachBoundTextureAndKeepsTheLayout) {
    EXPECT_EQ(offsetof(ObjectBlock, world), 64u);
    EXPECT_EQ(offsetof(ObjectBlock, diffuse), 128u);
    EXPECT_EQ(offsetof(ObjectBlock, ambient), 144u);
    EXPECT_EQ(offsetof(ObjectBlock, specular), 160u);
    EXPECT_EQ(offsetof(ObjectBlock, emissive), 176u);
    EXPECT_EQ(offsetof(ObjectBlock, shininess), 180u);
    EXPECT_EQ(offsetof(ObjectBlock, normalMap), 184u);
    EXPECT_EQ(offsetof(ObjectBlock, one), 188u);
    EXPECT_EQ(offsetof(ObjectBlock, cameraPosition), 192u);
    EXPECT_EQ(offsetof(LightsBlock, count), 384u);
    EXPECT_EQ(offsetof(LightSlot, attenuation), 32u);

    const std::size_t slots[4] = {kDiffuseSlot, kSpecularSlot, kEmissiveSlot, kNormalsSlot};
    for (int combination = 0; combination < 16; ++combination) {
        SCOPED_TRACE(combination);
        Material material;
        material.specular[3] = 0.7f;
        material.emissive = 0.3f;
        material.shininess = 12.0f;
        material.normalMap = 1.0f;
        for (int bit = 0; bit < 4; ++bit) {
            if (combination & (1 << bit)) material.textures[slots[bit]].texture = std::make_unique<Texture>();
        }
        // Lightmap, reflection and opacity textures never mark the block.
        material.textures[kLightmapSlot].texture = std::make_unique<Texture>();
        material.textures[kOpacitySlot].texture = std::make_unique<Texture>();

        ObjectBlock block{};
        Scene::writeMaterial(block, material, true);
        EXPECT_FLOAT_EQ(block.diffuse[0], 0.5f);
        EXPECT_FLOAT_EQ(block.diffuse[3], combination & 1 ? -1.0f : 1.0f);
        EXPECT_FLOAT_EQ(block.specular[3], combination & 2 ? -1.0f : 0.7f);
        EXPECT_FLOAT_EQ(block.emissive, combination & 4 ? -1.0f : 0.3f);
        EXPECT_FLOAT_EQ(block.normalMap, combination & 8 ? 1.0f : 0.0f);
        EXPECT_FLOAT_EQ(block.ambient[3], 1.0f);
        EXPECT_FLOAT_EQ(block.shininess, 12.0f);
        EXPECT_FLOAT_EQ(block.one, 1.0f);

        // A scene without a sampler binds no textures and marks nothing.
        Scene::writeMaterial(block, material, false);
        EXPECT_FLOAT_EQ(block.diffuse[3], 1.0f);
        EXPECT_FLOAT_EQ(block.emissive, 0.3f);
        EXPECT_FLOAT_EQ(block.normalMap, 0.0f);
    }
}

}  // namespace
