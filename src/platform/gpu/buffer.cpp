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
      desc_(desc),
      ringBacked_(desc.BindFlags == BIND_CONSTANT_BUFFER && desc.ByteWidth <= ConstantRing::kMaxSliceBytes &&
                  (desc.Usage == Usage::Default || desc.Usage == Usage::Dynamic)) {}

Buffer::~Buffer() {
    if (buffer_) device_->releaseGl(Device::GlKind::Buffer, buffer_);
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
