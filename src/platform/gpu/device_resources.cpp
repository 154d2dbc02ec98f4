// Buffers and 2D textures.

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/gpu/device.h"
#include "platform/gpu/device_context.h"
#include "platform/gpu/gl_errors.h"

namespace gpu {
namespace {

Result invalid(const std::string& why) { return reportFailure(Result::InvalidArg, why); }

// Texture uploads run on the immediate context (through its cache) or on the resource thread.
void setUnpackRowLength(Device& device, GLint pixels) {
    if (device.onOwnerThread()) {
        device.GetImmediateContext()->cache().setUnpackRowLength(pixels);
    } else {
        glPixelStorei(GL_UNPACK_ROW_LENGTH, pixels);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    }
}

// Immutable GL storage for a checked desc, filled from the initial data when there is some.
Result buildTexture(Device& device, Texture2D& texture, const SubresourceData* initialData) {
    const Texture2DDesc& desc = texture.GetDesc();
    const FormatInfo* info = formatInfo(desc.Format);
    GLenum target = Texture2D::glTargetFor(desc), internal = Texture2D::glStorageFormatFor(desc);
    GLsizei samples = static_cast<GLsizei>(desc.SampleDesc.Count);
    clearGlErrors();
    GLuint name = 0;
    glCreateTextures(target, 1, &name);
    texture.setGl(name, target, internal, (desc.BindFlags & BIND_DEPTH_STENCIL) || info->kind == FormatKind::Depth);
    switch (target) {
        case GL_TEXTURE_2D: glTextureStorage2D(name, desc.MipLevels, internal, desc.Width, desc.Height); break;
        case GL_TEXTURE_2D_ARRAY:
            glTextureStorage3D(name, desc.MipLevels, internal, desc.Width, desc.Height, desc.ArraySize);
            break;
        case GL_TEXTURE_2D_MULTISAMPLE:
            glTextureStorage2DMultisample(name, samples, internal, desc.Width, desc.Height, GL_TRUE);
            break;
        default:
            glTextureStorage3DMultisample(name, samples, internal, desc.Width, desc.Height, desc.ArraySize, GL_TRUE);
            break;
    }
    for (std::uint32_t i = 0; initialData && i < texture.subresourceCount(); ++i) {
        std::uint32_t mip = i % desc.MipLevels, slice = i / desc.MipLevels;
        setUnpackRowLength(device, static_cast<GLint>(initialData[i].SysMemPitch / info->bytesPerPixel));
        GLsizei w = texture.mipWidth(mip), h = texture.mipHeight(mip);
        if (target == GL_TEXTURE_2D_ARRAY) {
            glTextureSubImage3D(name, mip, 0, 0, slice, w, h, 1, info->transferFormat, info->transferType,
                                initialData[i].pSysMem);
        } else {
            glTextureSubImage2D(name, mip, 0, 0, w, h, info->transferFormat, info->transferType,
                                initialData[i].pSysMem);
        }
    }
    return takeGlErrors();
}

}  // namespace

Result Device::CreateBuffer(const BufferDesc& desc, const SubresourceData* initialData, Ref<Buffer>* out) {
    if (out) *out = nullptr;
    bool hasData = initialData && initialData->pSysMem;
    if (std::string why = Buffer::checkDesc(desc, hasData); !why.empty()) return invalid(why);
    if (!out) return Result::SFalse;

    Ref<Buffer> buffer = Ref<Buffer>::adopt(new Buffer(this, desc));
    const void* data = hasData ? initialData->pSysMem : nullptr;
    if (desc.Usage == Usage::Dynamic || desc.Usage == Usage::Staging || buffer->ringBacked()) {
        buffer->cpuCopy().assign(desc.ByteWidth, 0);
        if (data) std::memcpy(buffer->cpuCopy().data(), data, desc.ByteWidth);
        data = buffer->cpuCopy().data();
    }
    BufferArenas::Kind kind;
    if (Buffer::pooledKind(desc, &kind)) {
        Result result = onGlThread([&] {
            clearGlErrors();
            BufferArenas::Range range;
            if (!arenas_.allocate(kind, desc.ByteWidth, &range)) return takeGlErrors();
            buffer->setPooled(range);
            if (data) {
                glNamedBufferSubData(range.buffer, range.offset, desc.ByteWidth, data);
            } else {
                // A reused range holds an earlier buffer's bytes; a new buffer starts as zeros.
                glClearNamedBufferSubData(range.buffer, GL_R8UI, range.offset, desc.ByteWidth, GL_RED_INTEGER,
                                          GL_UNSIGNED_BYTE, nullptr);
            }
            return takeGlErrors();
        });
        if (buffer->pooled()) {
            if (failed(result)) return reportFailure(result, "buffer creation failed");
            // Written from another context: the immediate context attaches the arena again before drawing from it.
            if (!onOwnerThread()) arenas_.noteForeignWrites();
            *out = std::move(buffer);
            return Result::Ok;
        }
        // No arena to be had: the buffer gets storage of its own.
    }
    if (desc.Usage != Usage::Staging) {
        Result result = onGlThread([&] {
            clearGlErrors();
            GLuint name = 0;
            glCreateBuffers(1, &name);
            buffer->setGlName(name);
            if (desc.Usage == Usage::Dynamic) {
                // Mutable storage, so each discard can orphan it.
                glNamedBufferData(name, desc.ByteWidth, data, GL_DYNAMIC_DRAW);
            } else {
                glNamedBufferStorage(name, desc.ByteWidth, data,
                                     desc.Usage == Usage::Default ? GL_DYNAMIC_STORAGE_BIT : 0);
            }
            return takeGlErrors();
        });
        if (failed(result)) return reportFailure(result, "buffer creation failed");
    }
    *out = std::move(buffer);
    return Result::Ok;
}

Result Device::CreateTexture2D(const Texture2DDesc& descIn, const SubresourceData* initialData, Ref<Texture2D>* out) {
    if (out) *out = nullptr;
    Texture2DDesc desc = descIn;
    Texture2D::normaliseDesc(&desc);
    if (std::string why = Texture2D::checkDesc(desc, initialData, maxSamples()); !why.empty()) return invalid(why);
    if (!out) return Result::SFalse;

    Ref<Texture2D> texture = Ref<Texture2D>::adopt(new Texture2D(this, desc));
    if (desc.Usage == Usage::Staging) {
        texture->allocateStaging(initialData);
    } else if (Result result = onGlThread([&] { return buildTexture(*this, *texture, initialData); }); failed(result)) {
        return reportFailure(result, "texture creation failed");
    }
    *out = std::move(texture);
    return Result::Ok;
}

Result Device::CheckMultisampleQualityLevels(Format format, std::uint32_t sampleCount, std::uint32_t* qualityLevels) {
    if (!qualityLevels) return invalid("no output for quality levels");
    *qualityLevels = 0;
    if (!formatInfo(format) || sampleCount == 0) return invalid("unknown format or zero samples");
    if (std::has_single_bit(sampleCount) && sampleCount <= static_cast<std::uint32_t>(maxSamples())) *qualityLevels = 1;
    return Result::Ok;
}

}  // namespace gpu
