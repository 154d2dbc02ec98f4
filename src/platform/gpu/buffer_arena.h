#pragma once

// Where small vertex and index buffers live: ranges of a few large GL buffers, as a D3D11 driver sub-allocates
// them from its heaps. Meshes then share one GL buffer, so drawing one mesh after another binds nothing new: the
// immediate context moves the draw's base vertex and index offset instead (device_context.cpp).
//
// Free-threaded: buffers are made on scene-loading threads (on the device's resource context) as well as on the
// device's own thread. A new arena is complete (glFinish) before another thread can take a range of it. A range
// given back may still be read by draws already issued, so it returns to the free list only once a fence set on
// the immediate context after its release has signalled (`retire`, at the device's safe points).

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include <epoxy/gl.h>

namespace gpu {

// First-fit free list over [0, size) with coalescing; not thread-safe on its own.
class RangeAllocator {
public:
    explicit RangeAllocator(std::uint32_t size);
    // The offset of `size` bytes (aligned to `alignment`, a power of two), or kNone.
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
    std::uint32_t allocate(std::uint32_t size, std::uint32_t alignment);
    void free(std::uint32_t offset, std::uint32_t size);
    std::uint32_t capacity() const { return capacity_; }
    std::uint32_t freeBytes() const { return freeBytes_; }
    bool empty() const { return freeBytes_ == capacity_; }
    // Free blocks in address order, neighbours merged (for tests).
    struct Block {
        std::uint32_t offset, size;
        bool operator==(const Block&) const = default;
    };
    const std::vector<Block>& freeBlocks() const { return free_; }

private:
    std::vector<Block> free_;
    std::uint32_t capacity_;
    std::uint32_t freeBytes_;
};

class BufferArenas {
public:
    // Vertex and index buffers take separate arenas, so that meshes of one vertex format lie a whole number of
    // vertices apart.
    enum class Kind : std::uint8_t { Vertex, Index };
    static constexpr std::uint32_t kMaxPooledBytes = 1u << 20;
    static constexpr std::uint32_t kFirstArenaBytes = 4u << 20;
    static constexpr std::uint32_t kMaxArenaBytes = 32u << 20;
    // Vertex fetch and both index sizes need no more.
    static constexpr std::uint32_t kAlignment = 4;

    struct Range {
        GLuint buffer = 0;
        std::uint32_t offset = 0;
        std::uint32_t size = 0;
        std::uint64_t key = 0;  // of the arena; never reused, unlike GL names
        Kind kind = Kind::Vertex;
    };

    // `newKey` hands out keys that never collide with other storage keys (device_child.h serials).
    explicit BufferArenas(std::uint64_t (*newKey)()) : newKey_(newKey) {}
    BufferArenas(const BufferArenas&) = delete;
    BufferArenas& operator=(const BufferArenas&) = delete;

    // On a thread with a GL context of the device. False when no arena could be made (out of memory).
    bool allocate(Kind kind, std::uint32_t size, Range* out);
    // Any thread; the range is reused once `retire` has seen the GPU pass the draws issued before this call.
    void release(const Range& range);
    // On the device's own thread, at a safe point: fences the ranges released since the last call, frees those
    // whose fences have signalled, and deletes arenas left empty (keeping one of each kind).
    void retire();
    // Frees every GL object (the device is going; no draw is in flight that matters).
    void destroy();

    // Ranges written from another context: the immediate context attaches its arenas again before using them,
    // as GL asks for contents changed by another context to become visible.
    void noteForeignWrites() { foreignWrites_.fetch_add(1, std::memory_order_release); }
    std::uint64_t foreignWrites() const { return foreignWrites_.load(std::memory_order_acquire); }

    // For tests and figures.
    std::size_t arenaCount() const;

private:
    struct Arena {
        GLuint buffer;
        std::uint64_t key;
        Kind kind;
        RangeAllocator ranges;
    };
    struct Retiring {
        GLsync fence;
        std::vector<Range> ranges;
    };
    void freeLocked(const Range& range);

    std::uint64_t (*newKey_)();
    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<Arena>> arenas_;
    std::uint32_t made_[2] = {};
    std::vector<Range> released_;      // since the last retire
    std::vector<Retiring> retiring_;   // fenced, oldest first; touched by the owner thread only
    std::atomic<std::uint64_t> foreignWrites_{0};
};

}  // namespace gpu
