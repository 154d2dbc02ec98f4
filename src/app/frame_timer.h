#pragma once

#include <array>
#include <chrono>
#include <cstddef>

#include "platform/gpu/device.h"
#include "platform/gpu/device_context.h"

// What a frame's scene and its effect chain cost, for editor mode's overlay: GPU timestamps around the two,
// read a few frames later so the frame loop never waits for them; where the driver has no timer, the clock
// around their submission instead. Engine thread only.
class FrameTimer {
public:
    // Makes the queries; without them (no timer, a failure) the CPU clock is used.
    void create(gpu::Device* device);

    void frameBegun(gpu::DeviceContext* context);
    void sceneDrawn(gpu::DeviceContext* context);
    void postDrawn(gpu::DeviceContext* context);

    double sceneMilliseconds() const { return sceneMilliseconds_; }
    double postMilliseconds() const { return postMilliseconds_; }
    bool gpuTimed() const { return gpuTimed_; }

private:
    using Clock = std::chrono::steady_clock;
    struct Slot {
        gpu::Ref<gpu::Query> disjoint, begun, scene, post;
        bool pending = false;
    };
    void collect(gpu::DeviceContext* context, Slot& slot);

    static constexpr std::size_t kDepth = 4;  // frames in flight before a slot is read
    std::array<Slot, kDepth> slots_;
    std::size_t frame_ = 0;
    bool gpuTimed_ = false;
    Clock::time_point begun_, sceneDone_;
    double sceneMilliseconds_ = 0.0;
    double postMilliseconds_ = 0.0;
};
