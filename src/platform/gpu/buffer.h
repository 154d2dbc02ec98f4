#pragma once

#include <cstdint>
#include <vector>

#include <epoxy/gl.h>

#include "platform/gpu/buffer_arena.h"
#include "platform/gpu/constant_ring.h"
#include "platform/gpu/descs.h"
#include "platform/gpu/device_child.h"

namespace gpu {

class Buffer final : public Resource {
public:
    ResourceDimension GetType() const override { return ResourceDimension::Buffer; }
    const BufferDesc& GetDesc() const { return desc_; }

    // Why the device refuses the desc ("" when it does not).
    static std::string checkDesc(const BufferDesc& desc, bool hasInitialData);

    // Layer internals.
    Buffer(Device* device, const BufferDesc& desc);
    ~Buffer() override;
    // Small vertex and index buffers that are written only through UpdateSubresource (immutable and default
    // usage) live in a range of a shared arena (buffer_arena.h); which arena, if any.
    static bool pooledKind(const BufferDesc& desc, BufferArenas::Kind* kind);
    // The GL buffer that holds the contents, shared with other buffers when pooled, and where they start in it.
    // Every GL call on a buffer's contents adds glOffset().
    GLuint glName() const { return buffer_; }
    std::uint32_t glOffset() const { return offset_; }
    // Keys what GL has bound: the arena's key for pooled buffers (equal for every buffer of one arena), else the
    // buffer's serial.
    std::uint64_t storageKey() const { return storage_; }
    void setGlName(GLuint name) { buffer_ = name; }
    void setPooled(const BufferArenas::Range& range);
    bool pooled() const { return pooled_; }
    // Asks the CPU now for what binding and drawing this buffer read (its reference count and its storage), for
    // loops that draw thousands of meshes whose objects are rarely in cache.
    void prefetch() const {
        __builtin_prefetch(this);
        __builtin_prefetch(&buffer_);
    }
    // Dynamic, staging and ring-backed buffers: for ring-backed ones, the latest contents.
    std::vector<std::uint8_t>& cpuCopy() { return cpu_; }
    bool mapped = false;
    MapType mapType = MapType::WriteDiscard;
    // Small constant buffers whose updates go to the immediate context's constant ring (constant_ring.h).
    bool ringBacked() const { return ringBacked_; }
    // Where the ring holds the latest contents; while `inRing` is false the buffer's own storage holds them.
    bool inRing = false;
    ConstantRing::Slice ringSlice;
    // The latest contents are in the ring slice alone, not yet in cpuCopy() (the immediate context's
    // settleRingOnly() puts them there).
    bool ringOnly = false;

private:
    // What a draw reads, first: beside the reference count in the object's first cache line.
    GLuint buffer_ = 0;
    std::uint32_t offset_ = 0;
    std::uint64_t storage_;
    bool pooled_ = false;
    BufferArenas::Kind poolKind_ = BufferArenas::Kind::Vertex;
    std::uint32_t poolBytes_ = 0;
    BufferDesc desc_;
    std::vector<std::uint8_t> cpu_;
    bool ringBacked_ = false;
};

}  // namespace gpu
