#include "platform/gpu/buffer.h"

#include "platform/gpu/device.h"

namespace gpu {
namespace {

constexpr std::uint32_t kMaxConstantBufferBytes = 65536;
constexpr std::uint32_t kKnownBufferBinds =
    BIND_VERTEX_BUFFER | BIND_INDEX_BUFFER | BIND_CONSTANT_BUFFER | BIND_SHADER_RESOURCE;

}  // namespace

Buffer::Buffer(Device* device, const BufferDesc& desc)
    : Resource(device),
      storage_(serial()),
      desc_(desc),
      ringBacked_(desc.BindFlags == BIND_CONSTANT_BUFFER && desc.ByteWidth <= ConstantRing::kMaxSliceBytes &&
                  (desc.Usage == Usage::Default || desc.Usage == Usage::Dynamic)) {}

Buffer::~Buffer() {
    if (pooled_) {
        device_->arenas().release({buffer_, offset_, poolBytes_, storage_, poolKind_});
    } else if (buffer_) {
        device_->releaseGl(Device::GlKind::Buffer, buffer_);
    }
}

bool Buffer::pooledKind(const BufferDesc& desc, BufferArenas::Kind* kind) {
    if ((desc.Usage != Usage::Immutable && desc.Usage != Usage::Default) || desc.MiscFlags != 0 ||
        desc.CPUAccessFlags != 0 || desc.ByteWidth == 0 || desc.ByteWidth > BufferArenas::kMaxPooledBytes) {
        return false;
    }
    if (desc.BindFlags == BIND_VERTEX_BUFFER) {
        *kind = BufferArenas::Kind::Vertex;
    } else if (desc.BindFlags == BIND_INDEX_BUFFER) {
        *kind = BufferArenas::Kind::Index;
    } else {
        return false;
    }
    return true;
}

void Buffer::setPooled(const BufferArenas::Range& range) {
    buffer_ = range.buffer;
    offset_ = range.offset;
    storage_ = range.key;
    pooled_ = true;
    poolKind_ = range.kind;
    poolBytes_ = range.size;
}

std::string Buffer::checkDesc(const BufferDesc& desc, bool hasInitialData) {
    if (desc.ByteWidth == 0) return "buffer of zero bytes";
    if (desc.BindFlags & ~kKnownBufferBinds) return "unsupported buffer bind flags";
    if ((desc.BindFlags & BIND_CONSTANT_BUFFER) &&
        (desc.ByteWidth % 16 != 0 || desc.ByteWidth > kMaxConstantBufferBytes)) {
        return "constant buffer size must be a multiple of 16 up to 65536";
    }
    return checkUsage(desc.Usage, desc.CPUAccessFlags, desc.BindFlags, hasInitialData);
}

}  // namespace gpu
