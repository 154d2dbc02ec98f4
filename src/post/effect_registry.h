#pragma once

// The post-processing effects by name; the frame renderer fills it when the effect chain is built.
class EffectRegistry {
public:
    EffectRegistry() = default;
};
