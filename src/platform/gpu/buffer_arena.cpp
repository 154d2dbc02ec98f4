#include "platform/gpu/buffer_arena.h"

#include <algorithm>

namespace gpu {

// ---- free list ----------------------------------------------------------------------------------------------

RangeAllocator::RangeAllocator(std::uint32_t size) : capacity_(size), freeBytes_(size) {
    if (size) free_.push_back({0, size});
}

std::uint32_t RangeAllocator::allocate(std::uint32_t size, std::uint32_t alignment) {
    if (size == 0) return kNone;
    for (std::size_t i = 0; i < free_.size(); ++i) {
        Block& block = free_[i];
        const std::uint64_t start = (std::uint64_t(block.offset) + alignment - 1) & ~std::uint64_t(alignment - 1);
        const std::uint64_t end = start + size;
        if (end > std::uint64_t(block.offset) + block.size) continue;
        const std::uint32_t blockEnd = block.offset + block.size;
        const std::uint32_t before = static_cast<std::uint32_t>(start) - block.offset;
        const std::uint32_t after = blockEnd - static_cast<std::uint32_t>(end);
        // The gap before an aligned start stays free; so does the rest after it.
        if (before == 0 && after == 0) {
            free_.erase(free_.begin() + static_cast<std::ptrdiff_t>(i));
        } else if (before == 0) {
            block = {static_cast<std::uint32_t>(end), after};
        } else {
            block.size = before;
            if (after) free_.insert(free_.begin() + static_cast<std::ptrdiff_t>(i) + 1, {static_cast<std::uint32_t>(end), after});
        }
        freeBytes_ -= size;
        return static_cast<std::uint32_t>(start);
    }
    return kNone;
}

void RangeAllocator::free(std::uint32_t offset, std::uint32_t size) {
    if (size == 0) return;
    auto next = std::lower_bound(free_.begin(), free_.end(), offset,
                                 [](const Block& b, std::uint32_t o) { return b.offset < o; });
    freeBytes_ += size;
    const bool joinsPrevious = next != free_.begin() && std::prev(next)->offset + std::prev(next)->size == offset;
    const bool joinsNext = next != free_.end() && offset + size == next->offset;
    if (joinsPrevious && joinsNext) {
        std::prev(next)->size += size + next->size;
        free_.erase(next);
    } else if (joinsPrevious) {
        std::prev(next)->size += size;
    } else if (joinsNext) {
        next->offset = offset;
        next->size += size;
    } else {
        free_.insert(next, {offset, size});
    }
}

// ---- arenas -------------------------------------------------------------------------------------------------

bool BufferArenas::allocate(Kind kind, std::uint32_t size, Range* out) {
    size = (size + kAlignment - 1) & ~(kAlignment - 1);
    auto take = [&](Arena& arena) {
        const std::uint32_t offset = arena.ranges.allocate(size, kAlignment);
        if (offset == RangeAllocator::kNone) return false;
        *out = {arena.buffer, offset, size, arena.key, kind};
        return true;
    };
    std::uint32_t arenaBytes;
    {
        std::lock_guard lock(mutex_);
        for (const std::unique_ptr<Arena>& arena : arenas_) {
            if (arena->kind == kind && take(*arena)) return true;
        }
        const std::uint32_t made = made_[static_cast<int>(kind)]++;
        // 4, 8, 16, then 32 MB: a show of a few meshes keeps little, a large scene few arenas.
        arenaBytes = std::max(size, std::min(kMaxArenaBytes, kFirstArenaBytes << std::min<std::uint32_t>(made, 3)));
    }
    // Made outside the lock, and complete before any other thread may write into it.
    GLuint buffer = 0;
    glCreateBuffers(1, &buffer);
    glNamedBufferStorage(buffer, arenaBytes, nullptr, GL_DYNAMIC_STORAGE_BIT);
    glFinish();
    if (buffer == 0 || glGetError() != GL_NO_ERROR) {
        if (buffer) glDeleteBuffers(1, &buffer);
        return false;
    }
    std::lock_guard lock(mutex_);
    arenas_.push_back(std::make_unique<Arena>(Arena{buffer, newKey_(), kind, RangeAllocator(arenaBytes)}));
    return take(*arenas_.back());
}

void BufferArenas::release(const Range& range) {
    std::lock_guard lock(mutex_);
    released_.push_back(range);
}

void BufferArenas::freeLocked(const Range& range) {
    for (const std::unique_ptr<Arena>& arena : arenas_) {
        if (arena->key == range.key) {
            arena->ranges.free(range.offset, range.size);
            return;
        }
    }
}

void BufferArenas::retire() {
    std::vector<Range> fresh;
    {
        std::lock_guard lock(mutex_);
        if (released_.empty() && retiring_.empty()) return;
        fresh.swap(released_);
    }
    if (!fresh.empty()) {
        // Draws issued before now may still read these ranges.
        retiring_.push_back({glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0), std::move(fresh)});
    }
    std::size_t done = 0;
    while (done < retiring_.size()) {
        GLsync fence = retiring_[done].fence;
        const GLenum state = fence ? glClientWaitSync(fence, GL_SYNC_FLUSH_COMMANDS_BIT, 0) : GL_ALREADY_SIGNALED;
        if (state != GL_ALREADY_SIGNALED && state != GL_CONDITION_SATISFIED) break;
        if (fence) glDeleteSync(fence);
        ++done;
    }
    if (done == 0) return;
    std::vector<GLuint> empties;
    {
        std::lock_guard lock(mutex_);
        for (std::size_t i = 0; i < done; ++i) {
            for (const Range& range : retiring_[i].ranges) freeLocked(range);
        }
        // An arena nothing lives in goes, unless it is the last of its kind.
        for (Kind kind : {Kind::Vertex, Kind::Index}) {
            std::size_t ofKind = 0;
            for (const std::unique_ptr<Arena>& arena : arenas_) ofKind += arena->kind == kind;
            for (auto it = arenas_.begin(); ofKind > 1 && it != arenas_.end();) {
                if ((*it)->kind == kind && (*it)->ranges.empty()) {
                    empties.push_back((*it)->buffer);
                    it = arenas_.erase(it);
                    --ofKind;
                } else {
                    ++it;
                }
            }
        }
    }
    retiring_.erase(retiring_.begin(), retiring_.begin() + static_cast<std::ptrdiff_t>(done));
    if (!empties.empty()) glDeleteBuffers(static_cast<GLsizei>(empties.size()), empties.data());
}

void BufferArenas::destroy() {
    std::lock_guard lock(mutex_);
    for (Retiring& r : retiring_) {
        if (r.fence) glDeleteSync(r.fence);
    }
    retiring_.clear();
    released_.clear();
    for (const std::unique_ptr<Arena>& arena : arenas_) glDeleteBuffers(1, &arena->buffer);
    arenas_.clear();
}

std::size_t BufferArenas::arenaCount() const {
    std::lock_guard lock(mutex_);
    return arenas_.size();
}

}  // namespace gpu
