#include "inspect/model_animation.h"

#include <algorithm>
#include <set>

namespace model_animation {

namespace {

using namespace model_space;

Vec3 vec(const aiVector3D& v) { return {v.x, v.y, v.z}; }

template <typename Key, typename Value, typename Lerp>
Value sampleKeys(const Key* keys, unsigned count, double time, Value fallback, Lerp lerp) {
    if (count == 0) return fallback;
    if (time <= keys[0].mTime) return keys[0].mValue;
    for (unsigned i = 0; i + 1 < count; ++i) {
        if (time < keys[i + 1].mTime) {
            const double span = keys[i + 1].mTime - keys[i].mTime;
            return lerp(keys[i].mValue, keys[i + 1].mValue, span > 0 ? (time - keys[i].mTime) / span : 0.0);
        }
    }
    return keys[count - 1].mValue;
}

}  // namespace

Affine affine(const aiMatrix4x4& m) {
    Affine a;
    a.m[0] = {m.a1, m.a2, m.a3, m.a4};
    a.m[1] = {m.b1, m.b2, m.b3, m.b4};
    a.m[2] = {m.c1, m.c2, m.c3, m.c4};
    a.m[3] = {m.d1, m.d2, m.d3, m.d4};
    return a;
}

const aiNode* findNode(const aiNode* node, const std::string& name) {
    if (!node) return nullptr;
    if (name == node->mName.C_Str()) return node;
    for (unsigned i = 0; i < node->mNumChildren; ++i)
        if (const aiNode* found = findNode(node->mChildren[i], name)) return found;
    return nullptr;
}

Evaluator::Evaluator(const aiScene& scene) {
    if (scene.mNumAnimations == 0) return;
    const aiAnimation& first = *scene.mAnimations[0];
    if (first.mTicksPerSecond > 0) animation_.ticksPerSecond = first.mTicksPerSecond;
    bool any = false;
    double lo = 0, hi = 0;
    for (unsigned c = 0; c < first.mNumChannels; ++c) {
        const aiNodeAnim* channel = first.mChannels[c];
        animation_.channels[channel->mNodeName.C_Str()] = channel;
        auto see = [&](double t) {
            lo = any ? std::min(lo, t) : t;
            hi = any ? std::max(hi, t) : t;
            any = true;
        };
        for (unsigned k = 0; k < channel->mNumPositionKeys; ++k) see(channel->mPositionKeys[k].mTime);
        for (unsigned k = 0; k < channel->mNumRotationKeys; ++k) see(channel->mRotationKeys[k].mTime);
        for (unsigned k = 0; k < channel->mNumScalingKeys; ++k) see(channel->mScalingKeys[k].mTime);
    }
    animation_.present = any;
    animation_.start = lo;
    animation_.end = hi;
}

const aiNodeAnim* Evaluator::channelOf(const aiNode* node) const {
    const auto found = animation_.channels.find(node->mName.C_Str());
    return found == animation_.channels.end() ? nullptr : found->second;
}

Affine Evaluator::local(const aiNode* node, double ticks) const {
    const aiNodeAnim* channel = channelOf(node);
    if (!channel) return affine(node->mTransformation);
    aiVector3D scaling, position;
    aiQuaternion rotation;
    node->mTransformation.Decompose(scaling, rotation, position);
    auto lerp = [](aiVector3D a, aiVector3D b, double f) { return a + (b - a) * float(f); };
    const aiVector3D t = sampleKeys(channel->mPositionKeys, channel->mNumPositionKeys, ticks, position, lerp);
    const aiVector3D s = sampleKeys(channel->mScalingKeys, channel->mNumScalingKeys, ticks, scaling, lerp);
    const aiQuaternion r = sampleKeys(channel->mRotationKeys, channel->mNumRotationKeys, ticks, rotation,
                                      [](aiQuaternion a, aiQuaternion b, double f) {
                                          const Quat q = slerp({a.x, a.y, a.z, a.w}, {b.x, b.y, b.z, b.w}, f);
                                          return aiQuaternion(float(q.w), float(q.x), float(q.y), float(q.z));
                                      });
    return compose(vec(t), Quat{r.x, r.y, r.z, r.w}, vec(s));
}

Affine Evaluator::global(const aiNode* node, double ticks) const {
    Affine g = local(node, ticks);
    for (const aiNode* parent = node->mParent; parent; parent = parent->mParent) g = local(parent, ticks) * g;
    return g;
}

int Evaluator::animatedInChain(const aiNode* node) const {
    int count = 0;
    for (; node; node = node->mParent) count += channelOf(node) ? 1 : 0;
    return count;
}

std::vector<double> Evaluator::sampleTimes(const aiNode* node) const {
    std::set<double> times = {animation_.start, animation_.end};
    for (const aiNode* n = node; n; n = n->mParent) {
        if (const aiNodeAnim* c = channelOf(n)) {
            for (unsigned k = 0; k < c->mNumPositionKeys; ++k) times.insert(c->mPositionKeys[k].mTime);
            for (unsigned k = 0; k < c->mNumRotationKeys; ++k) times.insert(c->mRotationKeys[k].mTime);
            for (unsigned k = 0; k < c->mNumScalingKeys; ++k) times.insert(c->mScalingKeys[k].mTime);
        }
    }
    if (animatedInChain(node) > 1) {
        const double step = animation_.ticksPerSecond / kChainSamplesPerSecond;
        for (double t = animation_.start; t < animation_.end && step > 0; t += step) times.insert(t);
    }
    std::vector<double> kept;
    for (double t : times)
        if (t >= animation_.start && t <= animation_.end) kept.push_back(t);
    if (kept.size() > kMaxSamples) {
        std::vector<double> thinned;
        for (std::size_t i = 0; i < kMaxSamples; ++i) thinned.push_back(kept[i * (kept.size() - 1) / (kMaxSamples - 1)]);
        kept = std::move(thinned);
    }
    return kept;
}

}  // namespace model_animation
