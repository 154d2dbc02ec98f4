#include "platform/gpu/formats.h"

#include <array>

namespace gpu {
namespace {

using F = Format;
using K = FormatKind;

constexpr FormatInfo make(F f, F family, K kind, std::uint32_t bpp, std::uint32_t comps, GLenum internal,
                          GLenum xferFormat, GLenum xferType) {
    FormatInfo i;
    i.format = f;
    i.family = family;
    i.kind = kind;
    i.bytesPerPixel = bpp;
    i.components = comps;
    i.internalFormat = internal;
    i.transferFormat = xferFormat;
    i.transferType = xferType;
    return i;
}

constexpr FormatInfo srgb(FormatInfo i) {
    i.srgb = true;
    return i;
}
constexpr FormatInfo depthStorage(FormatInfo i, GLenum depthInternal, bool stencil) {
    i.depthInternalFormat = depthInternal;
    i.hasStencil = stencil;
    return i;
}
constexpr FormatInfo depthRead(FormatInfo i) {
    i.depthReadView = true;
    return i;
}
constexpr FormatInfo stencilRead(FormatInfo i) {
    i.stencilView = true;
    return i;
}

const std::array kFormats = {
    make(F::R32G32B32A32_TYPELESS, F::R32G32B32A32_TYPELESS, K::Typeless, 16, 4, GL_RGBA32F, GL_RGBA, GL_FLOAT),
    make(F::R32G32B32A32_FLOAT, F::R32G32B32A32_TYPELESS, K::Float, 16, 4, GL_RGBA32F, GL_RGBA, GL_FLOAT),
    make(F::R32G32B32A32_UINT, F::R32G32B32A32_TYPELESS, K::Uint, 16, 4, GL_RGBA32UI, GL_RGBA_INTEGER, GL_UNSIGNED_INT),
    make(F::R32G32B32A32_SINT, F::R32G32B32A32_TYPELESS, K::Sint, 16, 4, GL_RGBA32I, GL_RGBA_INTEGER, GL_INT),
    make(F::R32G32B32_TYPELESS, F::R32G32B32_TYPELESS, K::Typeless, 12, 3, GL_RGB32F, GL_RGB, GL_FLOAT),
    make(F::R32G32B32_FLOAT, F::R32G32B32_TYPELESS, K::Float, 12, 3, GL_RGB32F, GL_RGB, GL_FLOAT),
    make(F::R32G32B32_UINT, F::R32G32B32_TYPELESS, K::Uint, 12, 3, GL_RGB32UI, GL_RGB_INTEGER, GL_UNSIGNED_INT),
    make(F::R32G32B32_SINT, F::R32G32B32_TYPELESS, K::Sint, 12, 3, GL_RGB32I, GL_RGB_INTEGER, GL_INT),
    make(F::R16G16B16A16_TYPELESS, F::R16G16B16A16_TYPELESS, K::Typeless, 8, 4, GL_RGBA16F, GL_RGBA, GL_HALF_FLOAT),
    make(F::R16G16B16A16_FLOAT, F::R16G16B16A16_TYPELESS, K::Float, 8, 4, GL_RGBA16F, GL_RGBA, GL_HALF_FLOAT),
    make(F::R16G16B16A16_UNORM, F::R16G16B16A16_TYPELESS, K::Unorm, 8, 4, GL_RGBA16, GL_RGBA, GL_UNSIGNED_SHORT),
    make(F::R16G16B16A16_UINT, F::R16G16B16A16_TYPELESS, K::Uint, 8, 4, GL_RGBA16UI, GL_RGBA_INTEGER,
         GL_UNSIGNED_SHORT),
    make(F::R16G16B16A16_SNORM, F::R16G16B16A16_TYPELESS, K::Snorm, 8, 4, GL_RGBA16_SNORM, GL_RGBA, GL_SHORT),
    make(F::R16G16B16A16_SINT, F::R16G16B16A16_TYPELESS, K::Sint, 8, 4, GL_RGBA16I, GL_RGBA_INTEGER, GL_SHORT),
    make(F::R32G32_TYPELESS, F::R32G32_TYPELESS, K::Typeless, 8, 2, GL_RG32F, GL_RG, GL_FLOAT),
    make(F::R32G32_FLOAT, F::R32G32_TYPELESS, K::Float, 8, 2, GL_RG32F, GL_RG, GL_FLOAT),
    make(F::R32G32_UINT, F::R32G32_TYPELESS, K::Uint, 8, 2, GL_RG32UI, GL_RG_INTEGER, GL_UNSIGNED_INT),
    make(F::R32G32_SINT, F::R32G32_TYPELESS, K::Sint, 8, 2, GL_RG32I, GL_RG_INTEGER, GL_INT),
    depthStorage(make(F::R32G8X24_TYPELESS, F::R32G8X24_TYPELESS, K::Typeless, 8, 2, 0, 0, 0), GL_DEPTH32F_STENCIL8,
                 true),
    depthStorage(make(F::D32_FLOAT_S8X24_UINT, F::R32G8X24_TYPELESS, K::Depth, 8, 2, GL_DEPTH32F_STENCIL8, 0, 0),
                 GL_DEPTH32F_STENCIL8, true),
    depthRead(make(F::R32_FLOAT_X8X24_TYPELESS, F::R32G8X24_TYPELESS, K::Float, 8, 1, GL_DEPTH32F_STENCIL8, 0, 0)),
    stencilRead(make(F::X32_TYPELESS_G8X24_UINT, F::R32G8X24_TYPELESS, K::Uint, 8, 1, GL_DEPTH32F_STENCIL8, 0, 0)),
    make(F::R10G10B10A2_TYPELESS, F::R10G10B10A2_TYPELESS, K::Typeless, 4, 4, GL_RGB10_A2, GL_RGBA,
         GL_UNSIGNED_INT_2_10_10_10_REV),
    make(F::R10G10B10A2_UNORM, F::R10G10B10A2_TYPELESS, K::Unorm, 4, 4, GL_RGB10_A2, GL_RGBA,
         GL_UNSIGNED_INT_2_10_10_10_REV),
    make(F::R10G10B10A2_UINT, F::R10G10B10A2_TYPELESS, K::Uint, 4, 4, GL_RGB10_A2UI, GL_RGBA_INTEGER,
         GL_UNSIGNED_INT_2_10_10_10_REV),
    make(F::R11G11B10_FLOAT, F::R11G11B10_FLOAT, K::Float, 4, 3, GL_R11F_G11F_B10F, GL_RGB,
         GL_UNSIGNED_INT_10F_11F_11F_REV),
    make(F::R8G8B8A8_TYPELESS, F::R8G8B8A8_TYPELESS, K::Typeless, 4, 4, GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE),
    make(F::R8G8B8A8_UNORM, F::R8G8B8A8_TYPELESS, K::Unorm, 4, 4, GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE),
    srgb(
        make(F::R8G8B8A8_UNORM_SRGB, F::R8G8B8A8_TYPELESS, K::Unorm, 4, 4, GL_SRGB8_ALPHA8, GL_RGBA, GL_UNSIGNED_BYTE)),
    make(F::R8G8B8A8_UINT, F::R8G8B8A8_TYPELESS, K::Uint, 4, 4, GL_RGBA8UI, GL_RGBA_INTEGER, GL_UNSIGNED_BYTE),
    make(F::R8G8B8A8_SNORM, F::R8G8B8A8_TYPELESS, K::Snorm, 4, 4, GL_RGBA8_SNORM, GL_RGBA, GL_BYTE),
    make(F::R8G8B8A8_SINT, F::R8G8B8A8_TYPELESS, K::Sint, 4, 4, GL_RGBA8I, GL_RGBA_INTEGER, GL_BYTE),
    make(F::R16G16_TYPELESS, F::R16G16_TYPELESS, K::Typeless, 4, 2, GL_RG16F, GL_RG, GL_HALF_FLOAT),
    make(F::R16G16_FLOAT, F::R16G16_TYPELESS, K::Float, 4, 2, GL_RG16F, GL_RG, GL_HALF_FLOAT),
    make(F::R16G16_UNORM, F::R16G16_TYPELESS, K::Unorm, 4, 2, GL_RG16, GL_RG, GL_UNSIGNED_SHORT),
    make(F::R16G16_UINT, F::R16G16_TYPELESS, K::Uint, 4, 2, GL_RG16UI, GL_RG_INTEGER, GL_UNSIGNED_SHORT),
    make(F::R16G16_SNORM, F::R16G16_TYPELESS, K::Snorm, 4, 2, GL_RG16_SNORM, GL_RG, GL_SHORT),
    make(F::R16G16_SINT, F::R16G16_TYPELESS, K::Sint, 4, 2, GL_RG16I, GL_RG_INTEGER, GL_SHORT),
    depthStorage(make(F::R32_TYPELESS, F::R32_TYPELESS, K::Typeless, 4, 1, GL_R32F, GL_RED, GL_FLOAT),
                 GL_DEPTH_COMPONENT32F, false),
    depthStorage(
        make(F::D32_FLOAT, F::R32_TYPELESS, K::Depth, 4, 1, GL_DEPTH_COMPONENT32F, GL_DEPTH_COMPONENT, GL_FLOAT),
        GL_DEPTH_COMPONENT32F, false),
    make(F::R32_FLOAT, F::R32_TYPELESS, K::Float, 4, 1, GL_R32F, GL_RED, GL_FLOAT),
    make(F::R32_UINT, F::R32_TYPELESS, K::Uint, 4, 1, GL_R32UI, GL_RED_INTEGER, GL_UNSIGNED_INT),
    make(F::R32_SINT, F::R32_TYPELESS, K::Sint, 4, 1, GL_R32I, GL_RED_INTEGER, GL_INT),
    depthStorage(make(F::R24G8_TYPELESS, F::R24G8_TYPELESS, K::Typeless, 4, 2, 0, 0, 0), GL_DEPTH24_STENCIL8, true),
    depthStorage(make(F::D24_UNORM_S8_UINT, F::R24G8_TYPELESS, K::Depth, 4, 2, GL_DEPTH24_STENCIL8, 0, 0),
                 GL_DEPTH24_STENCIL8, true),
    depthRead(make(F::R24_UNORM_X8_TYPELESS, F::R24G8_TYPELESS, K::Unorm, 4, 1, GL_DEPTH24_STENCIL8, 0, 0)),
    stencilRead(make(F::X24_TYPELESS_G8_UINT, F::R24G8_TYPELESS, K::Uint, 4, 1, GL_DEPTH24_STENCIL8, 0, 0)),
    make(F::R8G8_TYPELESS, F::R8G8_TYPELESS, K::Typeless, 2, 2, GL_RG8, GL_RG, GL_UNSIGNED_BYTE),
    make(F::R8G8_UNORM, F::R8G8_TYPELESS, K::Unorm, 2, 2, GL_RG8, GL_RG, GL_UNSIGNED_BYTE),
    make(F::R8G8_UINT, F::R8G8_TYPELESS, K::Uint, 2, 2, GL_RG8UI, GL_RG_INTEGER, GL_UNSIGNED_BYTE),
    make(F::R8G8_SNORM, F::R8G8_TYPELESS, K::Snorm, 2, 2, GL_RG8_SNORM, GL_RG, GL_BYTE),
    make(F::R8G8_SINT, F::R8G8_TYPELESS, K::Sint, 2, 2, GL_RG8I, GL_RG_INTEGER, GL_BYTE),
    depthStorage(make(F::R16_TYPELESS, F::R16_TYPELESS, K::Typeless, 2, 1, GL_R16, GL_RED, GL_UNSIGNED_SHORT),
                 GL_DEPTH_COMPONENT16, false),
    make(F::R16_FLOAT, F::R16_TYPELESS, K::Float, 2, 1, GL_R16F, GL_RED, GL_HALF_FLOAT),
    depthStorage(make(F::D16_UNORM, F::R16_TYPELESS, K::Depth, 2, 1, GL_DEPTH_COMPONENT16, GL_DEPTH_COMPONENT,
                      GL_UNSIGNED_SHORT),
                 GL_DEPTH_COMPONENT16, false),
    make(F::R16_UNORM, F::R16_TYPELESS, K::Unorm, 2, 1, GL_R16, GL_RED, GL_UNSIGNED_SHORT),
    make(F::R16_UINT, F::R16_TYPELESS, K::Uint, 2, 1, GL_R16UI, GL_RED_INTEGER, GL_UNSIGNED_SHORT),
    make(F::R16_SNORM, F::R16_TYPELESS, K::Snorm, 2, 1, GL_R16_SNORM, GL_RED, GL_SHORT),
    make(F::R16_SINT, F::R16_TYPELESS, K::Sint, 2, 1, GL_R16I, GL_RED_INTEGER, GL_SHORT),
    make(F::R8_TYPELESS, F::R8_TYPELESS, K::Typeless, 1, 1, GL_R8, GL_RED, GL_UNSIGNED_BYTE),
    make(F::R8_UNORM, F::R8_TYPELESS, K::Unorm, 1, 1, GL_R8, GL_RED, GL_UNSIGNED_BYTE),
    make(F::R8_UINT, F::R8_TYPELESS, K::Uint, 1, 1, GL_R8UI, GL_RED_INTEGER, GL_UNSIGNED_BYTE),
    make(F::R8_SNORM, F::R8_TYPELESS, K::Snorm, 1, 1, GL_R8_SNORM, GL_RED, GL_BYTE),
    make(F::R8_SINT, F::R8_TYPELESS, K::Sint, 1, 1, GL_R8I, GL_RED_INTEGER, GL_BYTE),
    // GL has no BGRA storage: RGBA storage with BGRA transfers keeps the bytes the caller sees in D3D order.
    make(F::B8G8R8A8_UNORM, F::B8G8R8A8_TYPELESS, K::Unorm, 4, 4, GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE),
    make(F::B8G8R8A8_TYPELESS, F::B8G8R8A8_TYPELESS, K::Typeless, 4, 4, GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE),
    srgb(
        make(F::B8G8R8A8_UNORM_SRGB, F::B8G8R8A8_TYPELESS, K::Unorm, 4, 4, GL_SRGB8_ALPHA8, GL_BGRA, GL_UNSIGNED_BYTE)),
};

}  // namespace

const FormatInfo* formatInfo(Format format) {
    for (const FormatInfo& info : kFormats) {
        if (info.format == format) return &info;
    }
    return nullptr;
}

bool isDepthFormat(Format format) {
    const FormatInfo* info = formatInfo(format);
    return info && info->kind == FormatKind::Depth;
}

bool isTypeless(Format format) {
    const FormatInfo* info = formatInfo(format);
    return info && info->kind == FormatKind::Typeless;
}

bool viewFormatCompatible(Format resource, Format view) {
    if (resource == view) return true;
    const FormatInfo* r = formatInfo(resource);
    const FormatInfo* v = formatInfo(view);
    // A typed resource only takes views of its own format; a typeless one any member of its family.
    return r && v && r->kind == FormatKind::Typeless && v->kind != FormatKind::Typeless && r->family == v->family;
}

GLenum storageInternalFormat(Format format, bool boundAsDepth) {
    const FormatInfo* info = formatInfo(format);
    if (!info) return 0;
    if (info->kind == FormatKind::Depth) return info->depthInternalFormat;
    if (info->kind == FormatKind::Typeless && (boundAsDepth || info->internalFormat == 0)) {
        return boundAsDepth ? info->depthInternalFormat : 0;
    }
    if (boundAsDepth) return 0;
    // The depth-read and stencil-read view formats have no storage of their own.
    if (info->depthReadView || info->stencilView) return 0;
    return info->internalFormat;
}

std::uint32_t indexSize(Format format) {
    if (format == Format::R16_UINT) return 2;
    if (format == Format::R32_UINT) return 4;
    return 0;
}

}  // namespace gpu
