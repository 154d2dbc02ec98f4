#pragma once

// Animation channels of a scene and the key search that samples them.

#include <cstdint>
#include <string>
#include <vector>

#include "render/scene_math.h"

struct VectorKey {
    float time;
    float x, y, z;
};

struct alignas(16) RotationKey {
    float time;
    scene_math::Quaternion value;  // normalised
};

// One animated node's keys, from every animation of the file.
struct AnimationChannel {
    std::int32_t index = 0;
    std::string nodeName;
    std::vector<VectorKey> positionKeys;
    std::vector<RotationKey> rotationKeys;
    std::vector<VectorKey> scalingKeys;
};

// The two keys to blend at a time and the weight of the second.
struct KeyPair {
    std::int32_t first = 0;
    std::int32_t second = 0;
    float factor = 0.0f;
};

// Finds the keys around `time` in a non-empty list, starting from `start` (the previous answer, or a guess) so
// that a playing animation finds its keys in a step or two. Time is the type the factor is computed in: float
// for nodes, double for cameras. Times before the first key hold the first key, after the last the last.
template <typename Time, typename Key>
KeyPair findKeyPair(const std::vector<Key>& keys, std::int32_t start, Time time) {
    const std::int32_t last = static_cast<std::int32_t>(keys.size()) - 1;
    std::int32_t s = start < 0 ? 0 : (start > last ? last : start);
    if (s >= 1 && static_cast<Time>(keys[s].time) > time) {
        --s;
        while (s >= 1 && time < static_cast<Time>(keys[s].time)) --s;
    } else {
        while (s < last && time > static_cast<Time>(keys[s + 1].time)) ++s;
    }
    KeyPair pair;
    pair.first = s;
    if (s == last || time < static_cast<Time>(keys[s].time)) {
        pair.second = s;
        return pair;
    }
    pair.second = s + 1;
    const Time span = static_cast<Time>(keys[s + 1].time) - static_cast<Time>(keys[s].time);
    // Two keys at one time: take the first rather than divide by zero.
    if (span > Time(0)) pair.factor = static_cast<float>((time - static_cast<Time>(keys[s].time)) / span);
    return pair;
}

inline VectorKey lerpKeys(const VectorKey& a, const VectorKey& b, float t) {
    return VectorKey{0.0f, a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t};
}
