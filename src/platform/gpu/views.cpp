#include "platform/gpu/views.h"

#include <type_traits>

#include "platform/gpu/device.h"

namespace gpu {

View::~View() {
    // Framebuffers that attach this view go first, then its own texture view; the texture itself follows with
    // the last reference.
    device_->releaseGl(Device::GlKind::ViewGone, 0, serial());
    if (gl_.ownsTexture) device_->releaseGl(Device::GlKind::Texture, gl_.texture);
}

GLenum DepthStencilView::glAttachment() const {
    const FormatInfo* info = formatInfo(desc_.Format);
    return info && info->hasStencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT;
}

// ---- desc rules ---------------------------------------------------------------------------------------------

namespace {

struct ViewRule {
    const char* kind;
    std::uint32_t bind;
    const char* unbound;
};

template <typename Desc>
constexpr ViewRule kRule{};
template <>
constexpr ViewRule kRule<RenderTargetViewDesc>{"render-target", BIND_RENDER_TARGET, "as render target"};
template <>
constexpr ViewRule kRule<DepthStencilViewDesc>{"depth-stencil", BIND_DEPTH_STENCIL, "as depth stencil"};
template <>
constexpr ViewRule kRule<ShaderResourceViewDesc>{"shader-resource", BIND_SHADER_RESOURCE, "as shader resource"};
template <>
constexpr ViewRule kRule<UnorderedAccessViewDesc>{"unordered-access", BIND_UNORDERED_ACCESS, "for unordered access"};

template <typename Desc>
std::string badFormat() {
    return std::string(kRule<Desc>.kind) + " view format does not fit the texture";
}

// Unordered-access views have no multisampled dimensions.
template <typename Desc>
constexpr bool kMultisampleDimensions = !std::is_same_v<Desc, UnorderedAccessViewDesc>;

void readRange(const Tex2DRtv& t, ViewRange* r) { r->firstMip = t.MipSlice; }
void readRange(const Tex2DSrv& t, ViewRange* r) {
    r->firstMip = t.MostDetailedMip;
    r->mipCount = t.MipLevels;
}
void readRange(const Tex2DArrayRtv& t, ViewRange* r) {
    r->firstMip = t.MipSlice;
    r->firstSlice = t.FirstArraySlice;
    r->sliceCount = t.ArraySize;
}
void readRange(const Tex2DArraySrv& t, ViewRange* r) {
    r->firstMip = t.MostDetailedMip;
    r->mipCount = t.MipLevels;
    r->firstSlice = t.FirstArraySlice;
    r->sliceCount = t.ArraySize;
}
void readRange(const Tex2DMSArrayRtv& t, ViewRange* r) {
    r->firstSlice = t.FirstArraySlice;
    r->sliceCount = t.ArraySize;
}

// False for a dimension the desc's kind does not have.
template <typename Desc>
bool dimensionRange(const Desc& desc, ViewRange* r) {
    using Dimension = decltype(desc.ViewDimension);
    if (desc.ViewDimension == Dimension::Texture2D) {
        readRange(desc.Texture2D, r);
    } else if (desc.ViewDimension == Dimension::Texture2DArray) {
        readRange(desc.Texture2DArray, r);
        r->arrayDimension = true;
    } else if constexpr (kMultisampleDimensions<Desc>) {
        if (desc.ViewDimension == Dimension::Texture2DMS) {
            r->multisampled = true;
        } else if (desc.ViewDimension == Dimension::Texture2DMSArray) {
            readRange(desc.Texture2DMSArray, r);
            r->multisampled = true;
            r->arrayDimension = true;
        } else {
            return false;
        }
    } else {
        return false;
    }
    return true;
}

std::string checkRange(const Texture2DDesc& d, const ViewRange& r) {
    if (r.multisampled != (d.SampleDesc.Count > 1)) return "view dimension does not match the sample count";
    if (r.mipCount == 0 || r.firstMip >= d.MipLevels || r.mipCount > d.MipLevels - r.firstMip) {
        return "mip range outside the texture";
    }
    if (r.sliceCount == 0 || r.firstSlice >= d.ArraySize || r.sliceCount > d.ArraySize - r.firstSlice) {
        return "array range outside the texture";
    }
    return "";
}

// Which formats each kind may view; "" when the format fits.
bool colourFormat(const FormatInfo* info) {
    return info && info->kind != FormatKind::Typeless && info->kind != FormatKind::Depth;
}

std::string formatProblem(const Texture2D& texture, const RenderTargetViewDesc& desc) {
    const FormatInfo* info = formatInfo(desc.Format);
    bool fits = colourFormat(info) && !info->depthReadView && !info->stencilView &&
                viewFormatCompatible(texture.GetDesc().Format, desc.Format);
    return fits ? "" : badFormat<RenderTargetViewDesc>();
}

std::string formatProblem(const Texture2D& texture, const DepthStencilViewDesc& desc) {
    if (!isDepthFormat(desc.Format) || !viewFormatCompatible(texture.GetDesc().Format, desc.Format)) {
        return badFormat<DepthStencilViewDesc>();
    }
    return desc.Flags != 0 ? "read-only depth-stencil views are not supported by this layer" : "";
}

std::string formatProblem(const Texture2D& texture, const ShaderResourceViewDesc& desc) {
    const FormatInfo* info = formatInfo(desc.Format);
    if (!colourFormat(info) || !viewFormatCompatible(texture.GetDesc().Format, desc.Format)) {
        return badFormat<ShaderResourceViewDesc>();
    }
    // Over depth storage only the readable members of the depth family apply.
    if (!texture.depthStorage() && (info->depthReadView || info->stencilView)) {
        return "depth-read view format over colour storage";
    }
    return "";
}

std::string formatProblem(const Texture2D& texture, const UnorderedAccessViewDesc& desc) {
    const FormatInfo* info = formatInfo(desc.Format);
    bool fits = colourFormat(info) && !info->srgb && !info->depthReadView && !info->stencilView &&
                viewFormatCompatible(texture.GetDesc().Format, desc.Format);
    return fits ? "" : badFormat<UnorderedAccessViewDesc>();
}

}  // namespace

template <typename Desc>
Desc viewDescFromResource(const Texture2D& texture) {
    using Dimension = decltype(Desc::ViewDimension);
    const Texture2DDesc& td = texture.GetDesc();
    bool array = td.ArraySize > 1;
    Desc desc;
    desc.ViewDimension = array ? Dimension::Texture2DArray : Dimension::Texture2D;
    desc.Texture2DArray.ArraySize = td.ArraySize;
    if constexpr (kMultisampleDimensions<Desc>) {
        if (td.SampleDesc.Count > 1) desc.ViewDimension = array ? Dimension::Texture2DMSArray : Dimension::Texture2DMS;
        desc.Texture2DMSArray.ArraySize = td.ArraySize;
    }
    return desc;
}

template <typename Desc>
void normaliseViewDesc(const Texture2D& texture, Desc* desc) {
    if (desc->Format == Format::UNKNOWN) desc->Format = texture.GetDesc().Format;
}

template <typename Desc>
std::string checkViewDesc(const Texture2D& texture, const Desc& desc, ViewRange* range) {
    const Texture2DDesc& td = texture.GetDesc();
    if (!(td.BindFlags & kRule<Desc>.bind)) return std::string("texture is not bound ") + kRule<Desc>.unbound;
    if (std::string why = formatProblem(texture, desc); !why.empty()) return why;
    *range = ViewRange{};
    if (!dimensionRange(desc, range)) return std::string("unknown ") + kRule<Desc>.kind + " view dimension";
    // A shader-resource view's mip count of ~0 means every mip from the first.
    if (range->mipCount == ~0u && range->firstMip < td.MipLevels) range->mipCount = td.MipLevels - range->firstMip;
    return checkRange(td, *range);
}

template <typename Desc>
const char* viewKindName() {
    return kRule<Desc>.kind;
}

#define GPU_VIEW_RULES(Desc)                                                                \
    template Desc viewDescFromResource<Desc>(const Texture2D&);                             \
    template void normaliseViewDesc<Desc>(const Texture2D&, Desc*);                         \
    template std::string checkViewDesc<Desc>(const Texture2D&, const Desc&, ViewRange*);    \
    template const char* viewKindName<Desc>();
GPU_VIEW_RULES(RenderTargetViewDesc)
GPU_VIEW_RULES(DepthStencilViewDesc)
GPU_VIEW_RULES(ShaderResourceViewDesc)
GPU_VIEW_RULES(UnorderedAccessViewDesc)
#undef GPU_VIEW_RULES

}  // namespace gpu
