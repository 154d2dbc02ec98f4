#include "platform/gpu/device_child.h"

#include "platform/gpu/device.h"

namespace gpu {

DeviceChild::DeviceChild(Device* device) : device_(device), serial_(nextSerial()), keepsDevice_(true) {
    device_->childAdded();
    live().fetch_add(1, std::memory_order_relaxed);
}

DeviceChild::DeviceChild(Device* device, Internal) : device_(device), serial_(nextSerial()), keepsDevice_(false) {
    live().fetch_add(1, std::memory_order_relaxed);
}

DeviceChild::~DeviceChild() {
    live().fetch_sub(1, std::memory_order_relaxed);
    if (keepsDevice_) device_->childGone();  // may destroy the device: nothing may follow
}

std::string Resource::checkUsage(Usage usage, std::uint32_t cpuAccess, std::uint32_t binds, bool hasInitialData) {
    switch (usage) {
        case Usage::Default: return cpuAccess == 0 ? "" : "default usage takes no CPU access";
        case Usage::Immutable:
            if (cpuAccess != 0) return "immutable usage takes no CPU access";
            return hasInitialData ? "" : "immutable resources need initial data";
        case Usage::Dynamic: return cpuAccess == CPU_ACCESS_WRITE ? "" : "dynamic usage needs CPU write access only";
        case Usage::Staging:
            if (binds != 0) return "staging resources take no bind flags";
            return cpuAccess != 0 && (cpuAccess & ~(CPU_ACCESS_READ | CPU_ACCESS_WRITE)) == 0
                       ? ""
                       : "staging resources need CPU access";
    }
    return "unknown usage";
}

}  // namespace gpu
