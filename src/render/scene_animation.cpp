#include <algorithm>
#include <cmath>
#include <limits>

#include <assimp/scene.h>

#include "render/scene.h"

using scene_math::Matrix;

void Scene::loadAnimations(const aiScene& scene) {
    double first = std::numeric_limits<double>::max();
    double last = -std::numeric_limits<double>::max();
    bool anyKey = false;
    auto seen = [&](double time) {
        anyKey = true;
        first = std::min(first, time);
        last = std::max(last, time);
    };

    std::int32_t nextIndex = 0;
    for (unsigned int a = 0; a < scene.mNumAnimations; ++a) {
        const aiAnimation& animation = *scene.mAnimations[a];
        for (unsigned int c = 0; c < animation.mNumChannels; ++c) {
            const aiNodeAnim& source = *animation.mChannels[c];
            AnimationChannel channel;
            channel.index = nextIndex++;
            channel.nodeName = source.mNodeName.C_Str();
            channel.positionKeys.reserve(source.mNumPositionKeys);
            for (unsigned int k = 0; k < source.mNumPositionKeys; ++k) {
                const aiVectorKey& key = source.mPositionKeys[k];
                seen(key.mTime);
                channel.positionKeys.push_back(
                    VectorKey{static_cast<float>(key.mTime), key.mValue.x, key.mValue.y, key.mValue.z});
            }
            channel.rotationKeys.reserve(source.mNumRotationKeys);
            for (unsigned int k = 0; k < source.mNumRotationKeys; ++k) {
                const aiQuatKey& key = source.mRotationKeys[k];
                seen(key.mTime);
                RotationKey rotation{};
                rotation.time = static_cast<float>(key.mTime);
                rotation.value = scene_math::normalise({key.mValue.x, key.mValue.y, key.mValue.z, key.mValue.w});
                channel.rotationKeys.push_back(rotation);
            }
            channel.scalingKeys.reserve(source.mNumScalingKeys);
            for (unsigned int k = 0; k < source.mNumScalingKeys; ++k) {
                const aiVectorKey& key = source.mScalingKeys[k];
                seen(key.mTime);
                channel.scalingKeys.push_back(
                    VectorKey{static_cast<float>(key.mTime), key.mValue.x, key.mValue.y, key.mValue.z});
            }
            const std::int32_t index = channel.index;
            channels.emplace(index, std::move(channel));
        }
    }
    animationStart = anyKey ? first : 0.0;
    animationEnd = anyKey ? last : 1.0;
}

const AnimationChannel* Scene::findChannel(std::int32_t index) const {
    const auto found = channels.find(index);
    return found == channels.end() ? nullptr : &found->second;
}

namespace {

template <typename Time>
VectorKey sampleVector(const std::vector<VectorKey>& keys, std::int32_t start, Time time, std::int32_t* hint) {
    const KeyPair pair = findKeyPair<Time>(keys, start, time);
    if (hint) *hint = pair.first;
    return lerpKeys(keys[pair.first], keys[pair.second], pair.factor);
}

template <typename Time>
scene_math::Quaternion sampleRotation(const std::vector<RotationKey>& keys, std::int32_t start, Time time,
                                      std::int32_t* hint) {
    const KeyPair pair = findKeyPair<Time>(keys, start, time);
    if (hint) *hint = pair.first;
    if (pair.first == pair.second) return keys[pair.first].value;
    return scene_math::slerp(keys[pair.first].value, keys[pair.second].value, pair.factor);
}

bool complete(const AnimationChannel* channel) {
    return channel && !channel->positionKeys.empty() && !channel->rotationKeys.empty() &&
           !channel->scalingKeys.empty();
}

}  // namespace

Matrix Scene::sampleNode(SceneNode& node, double time) {
    if (node.channelIndex < 0) return *node.localMatrix;
    if (!node.channel) node.channel = findChannel(node.channelIndex);
    const AnimationChannel* channel = node.channel;
    if (!complete(channel)) return scene_math::identity();

    const float t = static_cast<float>(time);
    const VectorKey position = sampleVector(channel->positionKeys, node.positionHint, t, &node.positionHint);
    const scene_math::Quaternion rotation =
        sampleRotation(channel->rotationKeys, node.rotationHint, t, &node.rotationHint);
    const VectorKey scale = sampleVector(channel->scalingKeys, node.scalingHint, t, &node.scalingHint);
    return scene_math::multiply(
        scene_math::multiply(scene_math::rotation(rotation), scene_math::scaling(scale.x, scale.y, scale.z)),
        scene_math::translation(position.x, position.y, position.z));
}

Matrix Scene::sampleCamera(const SceneCamera& camera, double time) const {
    if (camera.channelIndex < 0) return scene_math::identity();
    const AnimationChannel* channel = findChannel(camera.channelIndex);
    if (!complete(channel)) return scene_math::identity();

    // No hints carry over: the search starts at the first key during the animation and at the last after it.
    const double range = animationEnd - animationStart;
    const double whole = range > 0.0 ? std::trunc((time - animationStart) / range) : 0.0;
    auto start = [whole](std::size_t count) {
        const double guess = whole * static_cast<double>(count);
        return static_cast<std::int32_t>(std::clamp(guess, 0.0, static_cast<double>(count)));
    };
    const VectorKey position =
        sampleVector(channel->positionKeys, start(channel->positionKeys.size()), time, nullptr);
    const scene_math::Quaternion rotation =
        sampleRotation(channel->rotationKeys, start(channel->rotationKeys.size()), time, nullptr);
    const VectorKey scale = sampleVector(channel->scalingKeys, start(channel->scalingKeys.size()), time, nullptr);
    return scene_math::multiply(
        scene_math::multiply(scene_math::rotation(rotation), scene_math::translation(position.x, position.y,
                                                                                       position.z)),
        scene_math::scaling(scale.x, scale.y, scale.z));
}
