#pragma once

// Where the immediate context puts the constant-buffer contents that D3D makes cheap to replace (UpdateSubresource
// of a small constant buffer, Map with discard): one persistently mapped GL buffer, filled front to back and bound
// by range, so an update is a copy and a draw a range bind, with nothing allocated and nothing for the driver to
// free. Each update takes fresh space, so draws already issued keep the contents they were issued with.
//
// The ring is cut into chunks. Leaving a chunk fences it; coming back to it a lap later waits on that fence, so the
// CPU never overwrites what the GPU may still read. A draw reads only slices of the chunk being filled (the context
// copies an older slice forward first), so every draw that read a chunk was issued before the chunk's fence.

#include <array>
#include <cstdint>

#include <epoxy/gl.h>

namespace gpu {

class ConstantRing {
public:
    static constexpr std::uint32_t kChunkBytes = 1u << 20;
    static constexpr std::uint32_t kChunks = 4;
    // Larger buffers keep their own storage: one of them could fill a chunk in a few updates.
    static constexpr std::uint32_t kMaxSliceBytes = 4096;

    ConstantRing() = default;
    ConstantRing(const ConstantRing&) = delete;
    ConstantRing& operator=(const ConstantRing&) = delete;
    ~ConstantRing();

    // On the context's thread. False when the driver offers no persistent mapping: buffers then keep their own
    // storage.
    bool initialise();
    bool ready() const { return mapped_ != nullptr; }
    GLuint glName() const { return buffer_; }
    // Counts chunks ever entered: a slice is readable by a draw only while this still equals the slice's chunk.
    std::uint64_t chunk() const { return chunk_; }

    struct Slice {
        std::uint32_t offset = 0;
        std::uint64_t chunk = 0;
    };
    // Copies `size` bytes (at most kMaxSliceBytes) into fresh space.
    Slice push(const void* data, std::uint32_t size);
    // What a slice of the current or the previous chunk holds (the CPU may read the mapping).
    const std::uint8_t* contents(const Slice& slice) const { return mapped_ + slice.offset; }
    // Makes room for `size` bytes in the current chunk, moving to the next chunk if needed, so that the slices
    // pushed next land in one chunk.
    void reserve(std::uint32_t size);

private:
    void nextChunk();

    GLuint buffer_ = 0;
    std::uint8_t* mapped_ = nullptr;
    std::uint32_t alignment_ = 256;
    std::uint32_t used_ = 0;  // bytes taken in the current chunk
    std::uint64_t chunk_ = 0;
    std::array<GLsync, kChunks> fences_{};
};

}  // namespace gpu
