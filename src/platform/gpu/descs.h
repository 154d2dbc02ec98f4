#pragma once

// Descriptions with D3D11's field names, meanings and enumerator values.

#include <cstdint>
#include <limits>

#include "platform/gpu/formats.h"

namespace gpu {

enum class FeatureLevel : std::uint32_t { Level_10_0 = 0xa000, Level_10_1 = 0xa100, Level_11_0 = 0xb000 };

enum class Usage : std::uint32_t { Default = 0, Immutable = 1, Dynamic = 2, Staging = 3 };

enum BindFlag : std::uint32_t {
    BIND_VERTEX_BUFFER = 0x1,
    BIND_INDEX_BUFFER = 0x2,
    BIND_CONSTANT_BUFFER = 0x4,
    BIND_SHADER_RESOURCE = 0x8,
    BIND_RENDER_TARGET = 0x20,
    BIND_DEPTH_STENCIL = 0x40,
    BIND_UNORDERED_ACCESS = 0x80,
};
enum CpuAccessFlag : std::uint32_t { CPU_ACCESS_WRITE = 0x10000, CPU_ACCESS_READ = 0x20000 };
enum ResourceMiscFlag : std::uint32_t { RESOURCE_MISC_GENERATE_MIPS = 0x1 };

struct SampleDesc {
    std::uint32_t Count = 1;
    std::uint32_t Quality = 0;
};

struct BufferDesc {
    std::uint32_t ByteWidth = 0;
    gpu::Usage Usage = gpu::Usage::Default;
    std::uint32_t BindFlags = 0;
    std::uint32_t CPUAccessFlags = 0;
    std::uint32_t MiscFlags = 0;
    std::uint32_t StructureByteStride = 0;
};

struct Texture2DDesc {
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    std::uint32_t MipLevels = 1;  // 0: the full chain
    std::uint32_t ArraySize = 1;
    gpu::Format Format = gpu::Format::UNKNOWN;
    gpu::SampleDesc SampleDesc;
    gpu::Usage Usage = gpu::Usage::Default;
    std::uint32_t BindFlags = 0;
    std::uint32_t CPUAccessFlags = 0;
    std::uint32_t MiscFlags = 0;
};

struct SubresourceData {
    const void* pSysMem = nullptr;
    std::uint32_t SysMemPitch = 0;
    std::uint32_t SysMemSlicePitch = 0;
};

struct MappedSubresource {
    void* pData = nullptr;
    std::uint32_t RowPitch = 0;
    std::uint32_t DepthPitch = 0;
};

enum class MapType : std::uint32_t { Read = 1, Write = 2, ReadWrite = 3, WriteDiscard = 4, WriteNoOverwrite = 5 };

struct Box {
    std::uint32_t left = 0, top = 0, front = 0, right = 0, bottom = 0, back = 0;
};

// Subresource index of a mip level in an array slice, as D3D11CalcSubresource.
constexpr std::uint32_t calcSubresource(std::uint32_t mipSlice, std::uint32_t arraySlice, std::uint32_t mipLevels) {
    return mipSlice + arraySlice * mipLevels;
}

// ---- views --------------------------------------------------------------------------------------------------

enum class RtvDimension : std::uint32_t { Texture2D = 4, Texture2DArray = 5, Texture2DMS = 6, Texture2DMSArray = 7 };
enum class DsvDimension : std::uint32_t { Texture2D = 3, Texture2DArray = 4, Texture2DMS = 5, Texture2DMSArray = 6 };
enum class SrvDimension : std::uint32_t { Texture2D = 4, Texture2DArray = 5, Texture2DMS = 6, Texture2DMSArray = 7 };
enum class UavDimension : std::uint32_t { Texture2D = 4, Texture2DArray = 5 };

struct Tex2DRtv {
    std::uint32_t MipSlice = 0;
};
struct Tex2DArrayRtv {
    std::uint32_t MipSlice = 0, FirstArraySlice = 0, ArraySize = 1;
};
struct Tex2DMSArrayRtv {
    std::uint32_t FirstArraySlice = 0, ArraySize = 1;
};

struct RenderTargetViewDesc {
    gpu::Format Format = gpu::Format::UNKNOWN;
    RtvDimension ViewDimension = RtvDimension::Texture2D;
    Tex2DRtv Texture2D;
    Tex2DArrayRtv Texture2DArray;
    Tex2DMSArrayRtv Texture2DMSArray;
};

enum DsvFlag : std::uint32_t { DSV_READ_ONLY_DEPTH = 0x1, DSV_READ_ONLY_STENCIL = 0x2 };

struct DepthStencilViewDesc {
    gpu::Format Format = gpu::Format::UNKNOWN;
    DsvDimension ViewDimension = DsvDimension::Texture2D;
    std::uint32_t Flags = 0;
    Tex2DRtv Texture2D;
    Tex2DArrayRtv Texture2DArray;
    Tex2DMSArrayRtv Texture2DMSArray;
};

struct Tex2DSrv {
    std::uint32_t MostDetailedMip = 0, MipLevels = ~0u;
};
struct Tex2DArraySrv {
    std::uint32_t MostDetailedMip = 0, MipLevels = ~0u, FirstArraySlice = 0, ArraySize = 1;
};

struct ShaderResourceViewDesc {
    gpu::Format Format = gpu::Format::UNKNOWN;
    SrvDimension ViewDimension = SrvDimension::Texture2D;
    Tex2DSrv Texture2D;
    Tex2DArraySrv Texture2DArray;
    Tex2DMSArrayRtv Texture2DMSArray;
};

struct UnorderedAccessViewDesc {
    gpu::Format Format = gpu::Format::UNKNOWN;
    UavDimension ViewDimension = UavDimension::Texture2D;
    Tex2DRtv Texture2D;
    Tex2DArrayRtv Texture2DArray;
};

// ---- state objects ------------------------------------------------------------------------------------------

enum class ComparisonFunc : std::uint32_t {
    Never = 1,
    Less = 2,
    Equal = 3,
    LessEqual = 4,
    Greater = 5,
    NotEqual = 6,
    GreaterEqual = 7,
    Always = 8
};
enum class DepthWriteMask : std::uint32_t { Zero = 0, All = 1 };
enum class StencilOp : std::uint32_t {
    Keep = 1,
    Zero = 2,
    Replace = 3,
    IncrSat = 4,
    DecrSat = 5,
    Invert = 6,
    Incr = 7,
    Decr = 8
};

struct DepthStencilOpDesc {
    StencilOp StencilFailOp = StencilOp::Keep;
    StencilOp StencilDepthFailOp = StencilOp::Keep;
    StencilOp StencilPassOp = StencilOp::Keep;
    ComparisonFunc StencilFunc = ComparisonFunc::Always;
};

struct DepthStencilDesc {
    bool DepthEnable = true;
    gpu::DepthWriteMask DepthWriteMask = gpu::DepthWriteMask::All;
    ComparisonFunc DepthFunc = ComparisonFunc::Less;
    bool StencilEnable = false;
    std::uint8_t StencilReadMask = 0xFF;
    std::uint8_t StencilWriteMask = 0xFF;
    DepthStencilOpDesc FrontFace;
    DepthStencilOpDesc BackFace;
};

enum class Blend : std::uint32_t {
    Zero = 1,
    One = 2,
    SrcColor = 3,
    InvSrcColor = 4,
    SrcAlpha = 5,
    InvSrcAlpha = 6,
    DestAlpha = 7,
    InvDestAlpha = 8,
    DestColor = 9,
    InvDestColor = 10,
    SrcAlphaSat = 11,
    BlendFactor = 14,
    InvBlendFactor = 15,
};
enum class BlendOp : std::uint32_t { Add = 1, Subtract = 2, RevSubtract = 3, Min = 4, Max = 5 };
enum ColorWriteEnable : std::uint8_t {
    COLOR_WRITE_ENABLE_RED = 1,
    COLOR_WRITE_ENABLE_GREEN = 2,
    COLOR_WRITE_ENABLE_BLUE = 4,
    COLOR_WRITE_ENABLE_ALPHA = 8,
    COLOR_WRITE_ENABLE_ALL = 15,
};

struct RenderTargetBlendDesc {
    bool BlendEnable = false;
    Blend SrcBlend = Blend::One;
    Blend DestBlend = Blend::Zero;
    gpu::BlendOp BlendOp = gpu::BlendOp::Add;
    Blend SrcBlendAlpha = Blend::One;
    Blend DestBlendAlpha = Blend::Zero;
    gpu::BlendOp BlendOpAlpha = gpu::BlendOp::Add;
    std::uint8_t RenderTargetWriteMask = COLOR_WRITE_ENABLE_ALL;
};

constexpr std::uint32_t kMaxRenderTargets = 8;

struct BlendDesc {
    bool AlphaToCoverageEnable = false;
    bool IndependentBlendEnable = false;
    RenderTargetBlendDesc RenderTarget[kMaxRenderTargets];
};

enum class FillMode : std::uint32_t { Wireframe = 2, Solid = 3 };
enum class CullMode : std::uint32_t { None = 1, Front = 2, Back = 3 };

struct RasterizerDesc {
    gpu::FillMode FillMode = gpu::FillMode::Solid;
    gpu::CullMode CullMode = gpu::CullMode::Back;
    bool FrontCounterClockwise = false;
    std::int32_t DepthBias = 0;
    float DepthBiasClamp = 0.0f;
    float SlopeScaledDepthBias = 0.0f;
    bool DepthClipEnable = true;
    bool ScissorEnable = false;
    bool MultisampleEnable = false;
    bool AntialiasedLineEnable = false;
};

// D3D11_FILTER bits: mip linear 0x1, mag linear 0x4, min linear 0x10, anisotropic 0x40, comparison 0x80.
enum class Filter : std::uint32_t {
    MinMagMipPoint = 0x0,
    MinMagPointMipLinear = 0x1,
    MinPointMagLinearMipPoint = 0x4,
    MinPointMagMipLinear = 0x5,
    MinLinearMagMipPoint = 0x10,
    MinLinearMagPointMipLinear = 0x11,
    MinMagLinearMipPoint = 0x14,
    MinMagMipLinear = 0x15,
    Anisotropic = 0x55,
    ComparisonMinMagMipPoint = 0x80,
    ComparisonMinMagMipLinear = 0x95,
    ComparisonAnisotropic = 0xd5,
};
enum class TextureAddressMode : std::uint32_t { Wrap = 1, Mirror = 2, Clamp = 3, Border = 4, MirrorOnce = 5 };

constexpr float kFloat32Max = std::numeric_limits<float>::max();

struct SamplerDesc {
    gpu::Filter Filter = gpu::Filter::MinMagMipLinear;
    TextureAddressMode AddressU = TextureAddressMode::Clamp;
    TextureAddressMode AddressV = TextureAddressMode::Clamp;
    TextureAddressMode AddressW = TextureAddressMode::Clamp;
    float MipLODBias = 0.0f;
    std::uint32_t MaxAnisotropy = 1;
    gpu::ComparisonFunc ComparisonFunc = gpu::ComparisonFunc::Never;
    float BorderColor[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float MinLOD = -kFloat32Max;
    float MaxLOD = kFloat32Max;
};

// ---- input assembly and rasterizer values -------------------------------------------------------------------

enum class InputClassification : std::uint32_t { PerVertexData = 0, PerInstanceData = 1 };
constexpr std::uint32_t kAppendAlignedElement = 0xffffffffu;
constexpr std::uint32_t kInputSlotCount = 16;

struct InputElementDesc {
    const char* SemanticName = nullptr;
    std::uint32_t SemanticIndex = 0;
    gpu::Format Format = gpu::Format::UNKNOWN;
    std::uint32_t InputSlot = 0;
    std::uint32_t AlignedByteOffset = kAppendAlignedElement;
    InputClassification InputSlotClass = InputClassification::PerVertexData;
    std::uint32_t InstanceDataStepRate = 0;
};

enum class PrimitiveTopology : std::uint32_t {
    Undefined = 0,
    PointList = 1,
    LineList = 2,
    LineStrip = 3,
    TriangleList = 4,
    TriangleStrip = 5
};

struct Viewport {
    float TopLeftX = 0, TopLeftY = 0, Width = 0, Height = 0, MinDepth = 0, MaxDepth = 1;
};

struct Rect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

constexpr std::uint32_t kViewportSlots = 16;

enum ClearFlag : std::uint32_t { CLEAR_DEPTH = 0x1, CLEAR_STENCIL = 0x2 };

}  // namespace gpu
