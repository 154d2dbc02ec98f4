#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include <epoxy/gl.h>

#include "platform/gpu/descs.h"
#include "platform/gpu/device_child.h"

namespace gpu {

struct VertexAttribute {
    GLuint location = 0;
    std::uint32_t slot = 0;
    std::uint32_t offset = 0;
    GLint size = 0;
    GLenum type = 0;
    bool integer = false;
    bool normalized = false;
    std::uint32_t divisor = 0;  // 0 per vertex
    bool operator==(const VertexAttribute&) const = default;
};

// The element list resolved against a vertex shader's signature. Its VAO is made lazily by the immediate
// context, because VAOs are not shared between GL contexts. The device hands out one layout per distinct
// attribute list, so every mesh of one vertex format shares one VAO and binds only its buffers.
class InputLayout final : public DeviceChild {
public:
    InputLayout(Device* device, std::vector<VertexAttribute> attributes)
        : DeviceChild(device), attributes_(std::move(attributes)) {
        for (const VertexAttribute& a : attributes_) {
            slotMask_ |= 1u << a.slot;
            if (a.divisor != 0) instancedSlots_ |= 1u << a.slot;
        }
    }
    InputLayout(Device* device, Internal internal) : DeviceChild(device, internal) {}
    ~InputLayout() override;
    const std::vector<VertexAttribute>& attributes() const { return attributes_; }
    // Bit s: some attribute reads input slot s.
    std::uint32_t slotMask() const { return slotMask_; }
    // Bit s: slot s steps per instance, so a draw's base vertex does not move it.
    std::uint32_t instancedSlots() const { return instancedSlots_; }

    // Immediate-context state of the VAO.
    // Keyed by buffer storage keys (Buffer::storageKey): GL recycles the names of deleted buffers, and pooled
    // buffers share one GL buffer. `offset` is the GL binding's, in the GL buffer.
    struct SlotBinding {
        std::uint64_t buffer = 0;
        std::uint32_t offset = 0;
        std::uint32_t stride = 0;
        bool operator==(const SlotBinding&) const = default;
    };
    static constexpr std::uint64_t kUnknownBuffer = ~0ull;
    GLuint vao = 0;
    std::array<SlotBinding, kInputSlotCount> slots{};
    std::uint64_t elementBuffer = 0;
    // The arenas' count of writes from other contexts when this VAO last attached its buffers.
    std::uint64_t arenaWritesSeen = 0;

private:
    std::vector<VertexAttribute> attributes_;
    std::uint32_t slotMask_ = 0;
    std::uint32_t instancedSlots_ = 0;
};

}  // namespace gpu
