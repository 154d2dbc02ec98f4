#include <algorithm>
#include <cmath>
#include <limits>

#include <assimp/scene.h>

#include "render/scene.h"

using scene_math::Matrix;

namespace {

VectorKey vectorKey(const aiVectorKey& key) {
    return VectorKey{static_cast<float>(key.mTime), key.mValue.x, key.mValue.y, key.mValue.z};
}

RotationKey rotationKey(const aiQuatKey& key) {
    RotationKey rotation{};
    rotation.time = static_cast<float>(key.mTime);
    rotation.value = scene_math::normalise({key.mValue.x, key.mValue.y, key.mValue.z, key.mValue.w});
    return rotation;
}

// One key list of the importer converted, each key's time reported to `seen`.
template <typename Source, typename Seen, typename Convert>
auto copyKeys(const Source* source, unsigned int count, Seen& seen, Convert convert) {
    std::vector<decltype(convert(*source))> keys;
    keys.reserve(count);
    for (unsigned int k = 0; k < count; ++k) {
        seen(source[k].mTime);
        keys.push_back(convert(source[k]));
    }
    return keys;
}

}  // namespace

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
            channel.positionKeys = copyKeys(source.mPositionKeys, source.mNumPositionKeys, seen, vectorKey);
            channel.rotationKeys = copyKeys(source.mRotationKeys, source.mNumRotationKeys, seen, rotationKey);
            channel.scalingKeys = copyKeys(source.mScalingKeys, source.mNumScalingKeys, seen, vectorKey);
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

VectorKey blend(const VectorKey& a, const VectorKey& b, float t) {
    return lerpKeys(a, b, t);
}

scene_math::Quaternion blend(const RotationKey& a, const RotationKey& b, float t) {
    if (&a == &b) return a.value;
    return scene_math::slerp(a.value, b.value, t);
}

// The keys' value at `time`; `hint`, when given, receives where the search ended.
template <typename Time, typename Key>
auto sampleKeys(const std::vector<Key>& keys, std::int32_t start, Time time, std::int32_t* hint) {
    const KeyPair pair = findKeyPair<Time>(keys, start, time);
    if (hint) *hint = pair.first;
    return blend(keys[pair.first], keys[pair.second], pair.factor);
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
    const VectorKey position = sampleKeys(channel->positionKeys, node.positionHint, t, &node.positionHint);
    const scene_math::Quaternion rotation =
        sampleKeys(channel->rotationKeys, node.rotationHint, t, &node.rotationHint);
    const VectorKey scale = sampleKeys(channel->scalingKeys, node.scalingHint, t, &node.scalingHint);
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
        // Not a number where a file's key times are infinite: the search then starts at the first key.
        if (!(guess > 0.0)) return std::int32_t{0};
        return static_cast<std::int32_t>(std::min(guess, static_cast<double>(count)));
    };
    const VectorKey position =
        sampleKeys(channel->positionKeys, start(channel->positionKeys.size()), time, nullptr);
    const scene_math::Quaternion rotation =
        sampleKeys(channel->rotationKeys, start(channel->rotationKeys.size()), time, nullptr);
    const VectorKey scale = sampleKeys(channel->scalingKeys, start(channel->scalingKeys.size()), time, nullptr);
    return scene_math::multiply(
        scene_math::multiply(scene_math::rotation(rotation), scene_math::translation(position.x, position.y,
                                                                                       position.z)),
        scene_math::scaling(scale.x, scale.y, scale.z));
}
