// The importer's evaluation of a file's first animation: keys held before the first and after the last,
// positions and scales interpolated linearly and rotations spherically, parents composed on the left, and the
// key times a node's placement is sampled at.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "inspect/model_animation.h"

namespace {

using namespace model_space;

constexpr double kQuarter = 3.14159265358979323846 / 2;

// Root -> Arm (keyed: 10 along x and a quarter turn about z over ticks 0..10) -> Hand (1 along x) -> Finger
// (2 along y, scale keyed from 1 at tick 5 to 3 at tick 20). No ticks per second: the importer's 25.
std::unique_ptr<aiScene> armScene() {
    auto scene = std::make_unique<aiScene>();
    scene->mRootNode = new aiNode("Root");
    auto* arm = new aiNode("Arm");
    auto* hand = new aiNode("Hand");
    auto* finger = new aiNode("Finger");
    hand->mTransformation = aiMatrix4x4::Translation(aiVector3D(1, 0, 0), hand->mTransformation);
    finger->mTransformation = aiMatrix4x4::Translation(aiVector3D(0, 2, 0), finger->mTransformation);
    auto adopt = [](aiNode* parent, aiNode* child) {
        parent->mNumChildren = 1;
        parent->mChildren = new aiNode*[1]{child};
        child->mParent = parent;
    };
    adopt(scene->mRootNode, arm);
    adopt(arm, hand);
    adopt(hand, finger);

    auto* animation = new aiAnimation;
    animation->mTicksPerSecond = 0;
    animation->mNumChannels = 2;
    animation->mChannels = new aiNodeAnim*[2];
    auto* armKeys = animation->mChannels[0] = new aiNodeAnim;
    armKeys->mNodeName = "Arm";
    armKeys->mNumPositionKeys = 2;
    armKeys->mPositionKeys = new aiVectorKey[2]{{0.0, aiVector3D(0, 0, 0)}, {10.0, aiVector3D(10, 0, 0)}};
    armKeys->mNumRotationKeys = 2;
    const float half = float(std::sqrt(0.5));
    armKeys->mRotationKeys = new aiQuatKey[2]{{0.0, aiQuaternion()}, {10.0, aiQuaternion(half, 0, 0, half)}};
    auto* fingerKeys = animation->mChannels[1] = new aiNodeAnim;
    fingerKeys->mNodeName = "Finger";
    fingerKeys->mNumScalingKeys = 2;
    fingerKeys->mScalingKeys = new aiVectorKey[2]{{5.0, aiVector3D(1, 1, 1)}, {20.0, aiVector3D(3, 3, 3)}};
    scene->mNumAnimations = 1;
    scene->mAnimations = new aiAnimation*[1]{animation};
    return scene;
}

TEST(ModelAnimation, NodesArePlacedAsTheirKeysSayAtAnyTime) {
    const std::unique_ptr<aiScene> scene = armScene();
    const model_animation::Evaluator evaluator(*scene);
    const model_animation::Animation& animation = evaluator.animation();
    ASSERT_TRUE(animation.present);
    EXPECT_EQ(animation.start, 0.0);
    EXPECT_EQ(animation.end, 20.0);
    EXPECT_DOUBLE_EQ(evaluator.seconds(animation.end), 0.8);

    const aiNode* hand = model_animation::findNode(scene->mRootNode, "Hand");
    const aiNode* finger = model_animation::findNode(scene->mRootNode, "Finger");
    ASSERT_TRUE(hand && finger);
    EXPECT_EQ(model_animation::findNode(scene->mRootNode, "Elbow"), nullptr);
    const double c = std::cos(kQuarter / 2), s = std::sin(kQuarter / 2);
    const struct {
        const aiNode* node;
        double ticks;
        Vec3 point;  // where the node's origin, or (1, 0, 0) for the finger, is
    } kCases[] = {
        {hand, -5, {1, 0, 0}},          // held before the first key
        {hand, 0, {1, 0, 0}},
        {hand, 5, {5 + c, s, 0}},       // half way: 5 along and an eighth of a turn
        {hand, 10, {10, 1, 0}},
        {hand, 30, {10, 1, 0}},         // held after the last key
        {finger, 12.5, {8, 3, 0}},      // scale 2: (2, 2) in the hand's turned space, from (10, 1)
        // Before the finger's first key, with the arm a fifth of the way: (2, 2) in the arm's turned space.
        {finger, 2, {2 + 2 * (std::cos(kQuarter / 5) - std::sin(kQuarter / 5)),
                     2 * (std::sin(kQuarter / 5) + std::cos(kQuarter / 5)), 0}},
    };
    for (const auto& k : kCases) {
        SCOPED_TRACE(testing::Message() << k.node->mName.C_Str() << " at " << k.ticks);
        const Vec3 p = evaluator.global(k.node, k.ticks).point(k.node == finger ? Vec3{1, 0, 0} : Vec3{});
        EXPECT_NEAR(p.x, k.point.x, 1e-5);
        EXPECT_NEAR(p.y, k.point.y, 1e-5);
        EXPECT_NEAR(p.z, k.point.z, 1e-5);
    }

    // Sampled at every key of its chain and the ends; a chain with two moving nodes also at even steps between.
    EXPECT_EQ(evaluator.animatedInChain(hand), 1);
    EXPECT_EQ(evaluator.sampleTimes(hand), (std::vector<double>{0, 10, 20}));
    EXPECT_EQ(evaluator.animatedInChain(finger), 2);
    const std::vector<double> times = evaluator.sampleTimes(finger);
    EXPECT_TRUE(std::is_sorted(times.begin(), times.end()));
    for (double key : {0.0, 5.0, 10.0, 20.0}) EXPECT_NE(std::find(times.begin(), times.end(), key), times.end()) << key;
    const double step = 25.0 / model_animation::Evaluator::kChainSamplesPerSecond;
    EXPECT_GE(times.size(), std::size_t(20.0 / step));

    // A scene without keys has no animation to speak of.
    aiScene still;
    EXPECT_FALSE(model_animation::Evaluator(still).animation().present);
}

}  // namespace
