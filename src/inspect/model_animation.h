#pragma once

// The first animation of an imported scene, evaluated as the player evaluates a node's keys (position and scale
// interpolated linearly, rotation spherically, held before the first key and after the last), for placing what
// demo-import writes at the times that matter.

#include <map>
#include <string>
#include <vector>

#include <assimp/scene.h>

#include "inspect/model_space.h"

namespace model_animation {

using model_space::Affine;

Affine affine(const aiMatrix4x4& m);

// The node of that name at or below `node`, null when none.
const aiNode* findNode(const aiNode* node, const std::string& name);

// The first animation of the file, by the names of the nodes it moves.
struct Animation {
    double ticksPerSecond = 25.0;
    double start = 0.0, end = 0.0;  // ticks, over every key of every channel
    bool present = false;           // false also for an animation without keys
    std::map<std::string, const aiNodeAnim*> channels;
};

class Evaluator {
public:
    explicit Evaluator(const aiScene& scene);

    const Animation& animation() const { return animation_; }
    const aiNodeAnim* channelOf(const aiNode* node) const;

    // The node's transform relative to its parent, and to the scene's root, at a time in ticks.
    Affine local(const aiNode* node, double ticks) const;
    Affine global(const aiNode* node, double ticks) const;

    // The node and its ancestors that the animation moves.
    int animatedInChain(const aiNode* node) const;

    // Key times (ticks) that matter for a node: every key of every channel on its chain, the animation's ends, and
    // where several channels combine, even samples in between (between keys the product of their motions is not
    // what interpolating the product gives). At most kMaxSamples, thinned evenly.
    std::vector<double> sampleTimes(const aiNode* node) const;

    double seconds(double ticks) const { return ticks / animation_.ticksPerSecond; }

    static constexpr double kChainSamplesPerSecond = 30.0;
    static constexpr std::size_t kMaxSamples = 4000;

private:
    Animation animation_;
};

}  // namespace model_animation
