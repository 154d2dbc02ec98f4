#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/gpu/descs.h"
#include "platform/gpu/ref_counted.h"

namespace gpu {

class Device;

// Every object a device creates. As in D3D11 the device outlives its children: each one keeps it alive, so
// releasing the device and its children is safe in any order on the device's thread.
class DeviceChild : public RefCounted {
public:
    Device* GetDevice() const { return device_; }
    // Never reused within a process: caches key on it rather than on GL names, which GL recycles.
    std::uint64_t serial() const { return serial_; }

    // The device's own objects (made at its creation, gone with it) do not keep it alive.
    struct Internal {};

    // How many children of all devices are alive: what a reload must leave where it was.
    static std::int64_t liveCount() { return live().load(std::memory_order_relaxed); }

    // A serial for layer-internal storage (buffer arenas) that keys caches alongside objects' serials.
    static std::uint64_t nextSerial() {
        static std::atomic<std::uint64_t> counter{1};
        return counter.fetch_add(1, std::memory_order_relaxed);
    }

protected:
    explicit DeviceChild(Device* device);
    DeviceChild(Device* device, Internal);
    ~DeviceChild() override;

    Device* device_;

private:
    static std::atomic<std::int64_t>& live() {
        static std::atomic<std::int64_t> count{0};
        return count;
    }
    std::uint64_t serial_;
    bool keepsDevice_;
};

// Resource kinds, as D3D11_RESOURCE_DIMENSION.
enum class ResourceDimension : std::uint32_t { Buffer = 1, Texture2D = 3 };

class Resource : public DeviceChild {
public:
    virtual ResourceDimension GetType() const = 0;

protected:
    using DeviceChild::DeviceChild;
    // The usage rules buffers and textures share: why the CPU access, bind flags and initial data do not fit
    // the usage ("" when they do).
    static std::string checkUsage(Usage usage, std::uint32_t cpuAccess, std::uint32_t binds, bool hasInitialData);
};

}  // namespace gpu
