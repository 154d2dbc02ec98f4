#include "platform/gpu/constant_ring.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace gpu {

ConstantRing::~ConstantRing() {
    for (GLsync& fence : fences_) {
        if (fence) glDeleteSync(fence);
    }
    if (buffer_) {
        glUnmapNamedBuffer(buffer_);
        glDeleteBuffers(1, &buffer_);
    }
}

bool ConstantRing::initialise() {
    GLint alignment = 0;
    glGetIntegerv(GL_UNIFORM_BUFFER_OFFSET_ALIGNMENT, &alignment);
    alignment_ = std::max<std::uint32_t>(16, static_cast<std::uint32_t>(alignment));
    if (alignment_ > kMaxSliceBytes || (alignment_ & (alignment_ - 1)) != 0) return false;
    // Readable too: a buffer whose latest contents went straight into a slice is read back from it, rarely.
    const GLbitfield flags = GL_MAP_WRITE_BIT | GL_MAP_READ_BIT | GL_MAP_PERSISTENT_BIT | GL_MAP_COHERENT_BIT;
    glCreateBuffers(1, &buffer_);
    glNamedBufferStorage(buffer_, GLsizeiptr(kChunkBytes) * kChunks, nullptr, flags);
    mapped_ = static_cast<std::uint8_t*>(glMapNamedBufferRange(buffer_, 0, GLsizeiptr(kChunkBytes) * kChunks, flags));
    // Touched once now, so that the first frames do not pay the page faults of the first lap.
    if (mapped_) std::memset(mapped_, 0, std::size_t(kChunkBytes) * kChunks);
    return mapped_ != nullptr;
}

void ConstantRing::nextChunk() {
    const std::size_t leaving = chunk_ % kChunks, entering = (chunk_ + 1) % kChunks;
    // Every draw that read the chunk being left has been issued: the fence covers them all.
    fences_[leaving] = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    if (GLsync fence = std::exchange(fences_[entering], nullptr)) {
        // A lap behind: the GPU is still reading what is about to be overwritten.
        while (glClientWaitSync(fence, GL_SYNC_FLUSH_COMMANDS_BIT, 1000000000) == GL_TIMEOUT_EXPIRED) {
        }
        glDeleteSync(fence);
    }
    ++chunk_;
    used_ = 0;
}

void ConstantRing::reserve(std::uint32_t size) {
    if (used_ + size > kChunkBytes) nextChunk();
}

ConstantRing::Slice ConstantRing::push(const void* data, std::uint32_t size) {
    const std::uint32_t aligned = (size + alignment_ - 1) & ~(alignment_ - 1);
    reserve(aligned);
    Slice slice{static_cast<std::uint32_t>((chunk_ % kChunks) * kChunkBytes + used_), chunk_};
    std::memcpy(mapped_ + slice.offset, data, size);
    used_ += aligned;
    // Ask now for the lines that pushes two ahead will write: a lap of the ring leaves them out of cache.
    const std::uint32_t ahead = used_ + aligned;
    if (ahead + aligned <= kChunkBytes) {
        std::uint8_t* next = mapped_ + (chunk_ % kChunks) * kChunkBytes + ahead;
        for (std::uint32_t line = 0; line < aligned; line += 64) __builtin_prefetch(next + line, 1);
    }
    return slice;
}

}  // namespace gpu
