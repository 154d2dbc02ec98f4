#include "app/frame_timer.h"

void FrameTimer::create(gpu::Device* device) {
    gpuTimed_ = false;
    if (!device) return;
    for (Slot& slot : slots_) {
        if (gpu::failed(device->CreateQuery({gpu::QueryType::TimestampDisjoint, 0}, &slot.disjoint)) ||
            gpu::failed(device->CreateQuery({gpu::QueryType::Timestamp, 0}, &slot.begun)) ||
            gpu::failed(device->CreateQuery({gpu::QueryType::Timestamp, 0}, &slot.scene)) ||
            gpu::failed(device->CreateQuery({gpu::QueryType::Timestamp, 0}, &slot.post))) {
            slots_ = {};
            return;
        }
    }
    gpuTimed_ = true;
}

void FrameTimer::frameBegun(gpu::DeviceContext* context) {
    begun_ = Clock::now();
    if (!gpuTimed_) return;
    Slot& slot = slots_[frame_ % kDepth];
    // The slot's last frame is kDepth frames old: read it (it is almost always ready) before it is reused.
    if (slot.pending) collect(context, slot);
    context->Begin(slot.disjoint.get());
    context->End(slot.begun.get());
}

void FrameTimer::sceneDrawn(gpu::DeviceContext* context) {
    sceneDone_ = Clock::now();
    if (gpuTimed_) context->End(slots_[frame_ % kDepth].scene.get());
}

void FrameTimer::postDrawn(gpu::DeviceContext* context) {
    if (!gpuTimed_) {
        const Clock::time_point now = Clock::now();
        sceneMilliseconds_ = std::chrono::duration<double, std::milli>(sceneDone_ - begun_).count();
        postMilliseconds_ = std::chrono::duration<double, std::milli>(now - sceneDone_).count();
        return;
    }
    Slot& slot = slots_[frame_ % kDepth];
    context->End(slot.post.get());
    context->End(slot.disjoint.get());
    slot.pending = true;
    ++frame_;
    // The oldest frame in flight, without waiting for it.
    Slot& oldest = slots_[frame_ % kDepth];
    if (oldest.pending) collect(context, oldest);
}

void FrameTimer::collect(gpu::DeviceContext* context, Slot& slot) {
    gpu::QueryDataTimestampDisjoint clock;
    std::uint64_t begun = 0, scene = 0, post = 0;
    const std::uint32_t flags = gpu::ASYNC_GETDATA_DONOTFLUSH;
    if (context->GetData(slot.post.get(), &post, sizeof post, flags) != gpu::Result::Ok) return;
    if (context->GetData(slot.disjoint.get(), &clock, sizeof clock, flags) != gpu::Result::Ok ||
        context->GetData(slot.begun.get(), &begun, sizeof begun, flags) != gpu::Result::Ok ||
        context->GetData(slot.scene.get(), &scene, sizeof scene, flags) != gpu::Result::Ok) {
        return;
    }
    slot.pending = false;
    if (clock.Disjoint || clock.Frequency == 0 || scene < begun || post < scene) return;
    const double milliseconds = 1000.0 / static_cast<double>(clock.Frequency);
    sceneMilliseconds_ = static_cast<double>(scene - begun) * milliseconds;
    postMilliseconds_ = static_cast<double>(post - scene) * milliseconds;
}
