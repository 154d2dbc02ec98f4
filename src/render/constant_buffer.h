#pragma once

// A typed constant buffer: callers fill `data` and upload it with update on the immediate context.

#include <cstring>

#include "platform/gpu/device.h"
#include "platform/gpu/device_context.h"

template <typename T>
class ConstantBuffer {
public:
    // Byte width sizeof(T) + 16 - sizeof(T) % 16: a block that is already a multiple of 16 gets 16 more.
    static constexpr std::uint32_t kByteWidth = sizeof(T) + 16 - (sizeof(T) % 16);

    void create(gpu::Device* device);
    void update(gpu::DeviceContext* context);

    T data{};
    gpu::Ref<gpu::Buffer> buffer;
    bool created = false;
};
