#pragma once

#include <cstdint>

#include <epoxy/gl.h>

namespace gpu {

// DXGI_FORMAT values, so numbers in logs read the same as on the original platform.
enum class Format : std::uint32_t {
    UNKNOWN = 0,
    R32G32B32A32_TYPELESS = 1,
    R32G32B32A32_FLOAT = 2,
    R32G32B32A32_UINT = 3,
    R32G32B32A32_SINT = 4,
    R32G32B32_TYPELESS = 5,
    R32G32B32_FLOAT = 6,
    R32G32B32_UINT = 7,
    R32G32B32_SINT = 8,
    R16G16B16A16_TYPELESS = 9,
    R16G16B16A16_FLOAT = 10,
    R16G16B16A16_UNORM = 11,
    R16G16B16A16_UINT = 12,
    R16G16B16A16_SNORM = 13,
    R16G16B16A16_SINT = 14,
    R32G32_TYPELESS = 15,
    R32G32_FLOAT = 16,
    R32G32_UINT = 17,
    R32G32_SINT = 18,
    R32G8X24_TYPELESS = 19,
    D32_FLOAT_S8X24_UINT = 20,
    R32_FLOAT_X8X24_TYPELESS = 21,
    X32_TYPELESS_G8X24_UINT = 22,
    R10G10B10A2_TYPELESS = 23,
    R10G10B10A2_UNORM = 24,
    R10G10B10A2_UINT = 25,
    R11G11B10_FLOAT = 26,
    R8G8B8A8_TYPELESS = 27,
    R8G8B8A8_UNORM = 28,
    R8G8B8A8_UNORM_SRGB = 29,
    R8G8B8A8_UINT = 30,
    R8G8B8A8_SNORM = 31,
    R8G8B8A8_SINT = 32,
    R16G16_TYPELESS = 33,
    R16G16_FLOAT = 34,
    R16G16_UNORM = 35,
    R16G16_UINT = 36,
    R16G16_SNORM = 37,
    R16G16_SINT = 38,
    R32_TYPELESS = 39,
    D32_FLOAT = 40,
    R32_FLOAT = 41,
    R32_UINT = 42,
    R32_SINT = 43,
    R24G8_TYPELESS = 44,
    D24_UNORM_S8_UINT = 45,
    R24_UNORM_X8_TYPELESS = 46,
    X24_TYPELESS_G8_UINT = 47,
    R8G8_TYPELESS = 48,
    R8G8_UNORM = 49,
    R8G8_UINT = 50,
    R8G8_SNORM = 51,
    R8G8_SINT = 52,
    R16_TYPELESS = 53,
    R16_FLOAT = 54,
    D16_UNORM = 55,
    R16_UNORM = 56,
    R16_UINT = 57,
    R16_SNORM = 58,
    R16_SINT = 59,
    R8_TYPELESS = 60,
    R8_UNORM = 61,
    R8_UINT = 62,
    R8_SNORM = 63,
    R8_SINT = 64,
    B8G8R8A8_UNORM = 87,
    B8G8R8A8_TYPELESS = 90,
    B8G8R8A8_UNORM_SRGB = 91,
};

enum class FormatKind : std::uint8_t { Float, Unorm, Snorm, Uint, Sint, Typeless, Depth };

// How one format maps onto GL. Depth-capable typeless formats carry their depth storage.
struct FormatInfo {
    Format format = Format::UNKNOWN;
    Format family = Format::UNKNOWN;  // the typeless format of the group views may be cast within
    FormatKind kind = FormatKind::Typeless;
    std::uint32_t bytesPerPixel = 0;
    std::uint32_t components = 0;
    GLenum internalFormat = 0;  // storage / view format; 0 where GL has none
    GLenum depthInternalFormat = 0;  // storage when a typeless family is bound as depth
    GLenum transferFormat = 0;  // glTextureSubImage / glGetTextureImage pair
    GLenum transferType = 0;
    bool srgb = false;
    bool hasStencil = false;
    bool stencilView = false;  // reads the stencil plane of depth storage
    bool depthReadView = false;  // reads the depth plane of depth storage
};

// Answers null for a value this layer does not know.
const FormatInfo* formatInfo(Format format);

bool isDepthFormat(Format format);  // D16, D24S8, D32, D32S8
bool isTypeless(Format format);
// Whether a view of `view` may be created over storage declared as `resource`.
bool viewFormatCompatible(Format resource, Format view);
// GL storage for a texture of `format` with or without the depth-stencil bind flag; 0 when impossible.
GLenum storageInternalFormat(Format format, bool boundAsDepth);
// Byte size of an index of this format: 2, 4, or 0 when it is no index format.
std::uint32_t indexSize(Format format);

}  // namespace gpu
