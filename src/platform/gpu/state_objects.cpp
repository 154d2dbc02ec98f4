#include "platform/gpu/state_objects.h"

#include <initializer_list>

#include "platform/gpu/device.h"

namespace gpu {
namespace {

template <typename Enum>
bool within(Enum value, Enum first, Enum last) {
    return value >= first && value <= last;
}

bool validComparison(ComparisonFunc f) { return within(f, ComparisonFunc::Never, ComparisonFunc::Always); }
bool validOp(StencilOp op) { return within(op, StencilOp::Keep, StencilOp::Decr); }
bool validBlendOp(BlendOp op) { return within(op, BlendOp::Add, BlendOp::Max); }
bool validAddress(TextureAddressMode m) { return within(m, TextureAddressMode::Wrap, TextureAddressMode::MirrorOnce); }
bool validBlend(Blend b) {
    return within(b, Blend::Zero, Blend::SrcAlphaSat) || b == Blend::BlendFactor || b == Blend::InvBlendFactor;
}

bool validFace(const DepthStencilOpDesc& face) {
    return validOp(face.StencilFailOp) && validOp(face.StencilDepthFailOp) && validOp(face.StencilPassOp) &&
           validComparison(face.StencilFunc);
}

// D3D11_FILTER bits: mip linear 0x1, mag linear 0x4, min linear 0x10, anisotropic 0x40, comparison 0x80.
constexpr std::uint32_t kKnownFilterBits = 0x1 | 0x4 | 0x10 | 0x40 | 0x80;
constexpr std::uint32_t kMaxAnisotropy = 16;

}  // namespace

std::string DepthStencilState::checkDesc(const DepthStencilDesc& desc) {
    bool valid = (desc.DepthWriteMask == DepthWriteMask::Zero || desc.DepthWriteMask == DepthWriteMask::All) &&
                 validComparison(desc.DepthFunc) && validFace(desc.FrontFace) && validFace(desc.BackFace);
    return valid ? "" : "bad depth-stencil description";
}

std::string BlendState::checkDesc(const BlendDesc& desc) {
    for (const RenderTargetBlendDesc& t : desc.RenderTarget) {
        if (!validBlend(t.SrcBlend) || !validBlend(t.DestBlend) || !validBlendOp(t.BlendOp) ||
            !validBlend(t.SrcBlendAlpha) || !validBlend(t.DestBlendAlpha) || !validBlendOp(t.BlendOpAlpha) ||
            t.RenderTargetWriteMask > COLOR_WRITE_ENABLE_ALL) {
            return "bad blend description";
        }
        // Colour factors are not allowed for alpha, as in D3D.
        for (Blend b : {t.SrcBlendAlpha, t.DestBlendAlpha}) {
            if (b == Blend::SrcColor || b == Blend::InvSrcColor || b == Blend::DestColor || b == Blend::InvDestColor) {
                return "bad blend description";
            }
        }
    }
    return "";
}

std::string RasterizerState::checkDesc(const RasterizerDesc& desc) {
    bool valid = (desc.FillMode == FillMode::Solid || desc.FillMode == FillMode::Wireframe) &&
                 (desc.CullMode == CullMode::None || desc.CullMode == CullMode::Front || desc.CullMode == CullMode::Back);
    return valid ? "" : "bad rasterizer description";
}

std::string SamplerState::checkDesc(const SamplerDesc& desc) {
    bool valid = (static_cast<std::uint32_t>(desc.Filter) & ~kKnownFilterBits) == 0 && validAddress(desc.AddressU) &&
                 validAddress(desc.AddressV) && validAddress(desc.AddressW) && desc.MaxAnisotropy <= kMaxAnisotropy &&
                 validComparison(desc.ComparisonFunc) && !(desc.MinLOD > desc.MaxLOD);
    return valid ? "" : "bad sampler description";
}

SamplerState::~SamplerState() {
    if (sampler_) device_->releaseGl(Device::GlKind::Sampler, sampler_);
}

}  // namespace gpu
