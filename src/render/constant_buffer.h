#pragma once

// A typed constant buffer: callers fill `data` and upload it with update on the immediate context.

#include <cstdint>
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

template <typename T>
void ConstantBuffer<T>::create(gpu::Device* device) {
    gpu::BufferDesc desc;
    desc.ByteWidth = kByteWidth;
    desc.Usage = gpu::Usage::Dynamic;
    desc.BindFlags = gpu::BIND_CONSTANT_BUFFER;
    desc.CPUAccessFlags = gpu::CPU_ACCESS_WRITE;
    desc.MiscFlags = 0;
    if (device) device->CreateBuffer(desc, nullptr, &buffer);
    created = true;
}

template <typename T>
void ConstantBuffer<T>::update(gpu::DeviceContext* context) {
    // A buffer that could not be made, or a failed map, leaves the GPU copy as it was.
    if (!buffer) return;
    gpu::MappedSubresource mapped;
    if (gpu::failed(context->Map(buffer.get(), 0, gpu::MapType::WriteDiscard, 0, &mapped)) || !mapped.pData) return;
    std::memcpy(mapped.pData, &data, sizeof(T));
    context->Unmap(buffer.get(), 0);
}
