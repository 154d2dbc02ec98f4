#pragma once
// One headless device for the process, for the targets whose readers create GPU objects (scenes and what
// demo-import writes): made at the first call, kept until the process ends.
#include <cstdlib>

#include "platform/gpu/device.h"
#include "platform/gpu/device_context.h"

namespace fuzz {

struct HeadlessGpu {
    gpu::Ref<gpu::Device> device;
    gpu::DeviceContext* context = nullptr;
};

inline HeadlessGpu& headlessGpu() {
    static HeadlessGpu made = [] {
        HeadlessGpu gpu;
        gpu::CreateDevice(nullptr, nullptr, 0, &gpu.device, nullptr, &gpu.context);
        if (!gpu.device) std::abort();
        return gpu;
    }();
    return made;
}

}  // namespace fuzz
