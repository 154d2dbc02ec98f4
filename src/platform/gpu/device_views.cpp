// Render-target, depth-stencil, shader-resource and unordered-access views of 2D textures.

#include "platform/gpu/device.h"
#include "platform/gpu/gl_errors.h"

namespace gpu {
namespace {

Result invalid(const std::string& why) { return reportFailure(Result::InvalidArg, why); }

// The part of a texture one view covers.
struct Range {
    std::uint32_t firstMip = 0, mipCount = 1, firstSlice = 0, sliceCount = 1;
    bool multisampled = false;
    bool arrayDimension = false;
};

std::string checkRange(const Texture2D& texture, const Range& r) {
    const Texture2DDesc& d = texture.GetDesc();
    if (r.multisampled != (d.SampleDesc.Count > 1)) return "view dimension does not match the sample count";
    if (r.mipCount == 0 || r.firstMip >= d.MipLevels || r.mipCount > d.MipLevels - r.firstMip) {
        return "mip range outside the texture";
    }
    if (r.sliceCount == 0 || r.firstSlice >= d.ArraySize || r.sliceCount > d.ArraySize - r.firstSlice) {
        return "array range outside the texture";
    }
    return "";
}

GLenum viewTarget(const Range& r) {
    if (r.multisampled) return r.arrayDimension ? GL_TEXTURE_2D_MULTISAMPLE_ARRAY : GL_TEXTURE_2D_MULTISAMPLE;
    return r.arrayDimension ? GL_TEXTURE_2D_ARRAY : GL_TEXTURE_2D;
}

// Attachment of one mip of a slice range: the texture itself where possible, else a glTextureView.
struct AttachmentPlan {
    bool needsView = false;
    GlViewTarget gl;
};

AttachmentPlan planAttachment(const Texture2D& texture, GLenum viewInternal, const Range& r) {
    AttachmentPlan plan;
    std::uint32_t slices = texture.GetDesc().ArraySize;
    bool sameFormat = viewInternal == texture.glInternalFormat();
    bool wholeArray = r.firstSlice == 0 && r.sliceCount == slices;
    if (sameFormat && (r.sliceCount == 1 || wholeArray)) {
        plan.gl.texture = texture.glName();
        plan.gl.level = static_cast<GLint>(r.firstMip);
        plan.gl.layer = (slices > 1 && r.sliceCount == 1) ? static_cast<GLint>(r.firstSlice) : -1;
        return plan;
    }
    plan.needsView = true;
    plan.gl.level = 0;
    plan.gl.layer = -1;
    plan.gl.ownsTexture = true;
    return plan;
}

Result makeTextureView(const Texture2D& texture, GLenum target, GLenum internal, const Range& r, GLuint* name) {
    clearGlErrors();
    // Views need a name that was never bound, which glGenTextures gives and glCreateTextures does not.
    glGenTextures(1, name);
    glTextureView(*name, target, texture.glName(), internal, r.firstMip, r.mipCount, r.firstSlice, r.sliceCount);
    Result result = takeGlErrors();
    if (failed(result)) {
        glDeleteTextures(1, name);
        *name = 0;
    }
    return result;
}

}  // namespace

Result Device::CreateRenderTargetView(Texture2D* texture, const RenderTargetViewDesc* descIn,
                                      Ref<RenderTargetView>* out) {
    if (out) *out = nullptr;
    if (!texture) return invalid("render-target view of no resource");
    const Texture2DDesc& td = texture->GetDesc();
    if (!(td.BindFlags & BIND_RENDER_TARGET)) return invalid("texture is not bound as render target");
    RenderTargetViewDesc desc;
    if (descIn) {
        desc = *descIn;
    } else {
        bool ms = td.SampleDesc.Count > 1, array = td.ArraySize > 1;
        desc.ViewDimension = ms ? (array ? RtvDimension::Texture2DMSArray : RtvDimension::Texture2DMS)
                                : (array ? RtvDimension::Texture2DArray : RtvDimension::Texture2D);
        desc.Texture2DArray.ArraySize = td.ArraySize;
        desc.Texture2DMSArray.ArraySize = td.ArraySize;
    }
    if (desc.Format == Format::UNKNOWN) desc.Format = td.Format;
    const FormatInfo* info = formatInfo(desc.Format);
    if (!info || info->kind == FormatKind::Typeless || info->kind == FormatKind::Depth || info->depthReadView ||
        info->stencilView || !viewFormatCompatible(td.Format, desc.Format)) {
        return invalid("render-target view format does not fit the texture");
    }
    Range r;
    switch (desc.ViewDimension) {
        case RtvDimension::Texture2D: r.firstMip = desc.Texture2D.MipSlice; break;
        case RtvDimension::Texture2DArray:
            r.firstMip = desc.Texture2DArray.MipSlice;
            r.firstSlice = desc.Texture2DArray.FirstArraySlice;
            r.sliceCount = desc.Texture2DArray.ArraySize;
            r.arrayDimension = true;
            break;
        case RtvDimension::Texture2DMS: r.multisampled = true; break;
        case RtvDimension::Texture2DMSArray:
            r.multisampled = true;
            r.firstSlice = desc.Texture2DMSArray.FirstArraySlice;
            r.sliceCount = desc.Texture2DMSArray.ArraySize;
            r.arrayDimension = true;
            break;
        default: return invalid("unknown render-target view dimension");
    }
    if (std::string why = checkRange(*texture, r); !why.empty()) return invalid(why);
    if (!out) return Result::SFalse;

    AttachmentPlan plan = planAttachment(*texture, info->internalFormat, r);
    if (plan.needsView) {
        Range one = r;
        one.arrayDimension = r.sliceCount > 1;
        Result result = onGlThread(
            [&] { return makeTextureView(*texture, viewTarget(one), info->internalFormat, one, &plan.gl.texture); });
        if (failed(result)) return reportFailure(result, "render-target view creation failed");
    }
    *out = Ref<RenderTargetView>::adopt(new RenderTargetView(this, texture, desc, plan.gl));
    return Result::Ok;
}

Result Device::CreateDepthStencilView(Texture2D* texture, const DepthStencilViewDesc* descIn,
                                      Ref<DepthStencilView>* out) {
    if (out) *out = nullptr;
    if (!texture) return invalid("depth-stencil view of no resource");
    const Texture2DDesc& td = texture->GetDesc();
    if (!(td.BindFlags & BIND_DEPTH_STENCIL)) return invalid("texture is not bound as depth stencil");
    DepthStencilViewDesc desc;
    if (descIn) {
        desc = *descIn;
    } else {
        bool ms = td.SampleDesc.Count > 1, array = td.ArraySize > 1;
        desc.ViewDimension = ms ? (array ? DsvDimension::Texture2DMSArray : DsvDimension::Texture2DMS)
                                : (array ? DsvDimension::Texture2DArray : DsvDimension::Texture2D);
        desc.Texture2DArray.ArraySize = td.ArraySize;
        desc.Texture2DMSArray.ArraySize = td.ArraySize;
    }
    if (desc.Format == Format::UNKNOWN) desc.Format = td.Format;
    if (!isDepthFormat(desc.Format) || !viewFormatCompatible(td.Format, desc.Format)) {
        return invalid("depth-stencil view format does not fit the texture");
    }
    if (desc.Flags != 0) return invalid("read-only depth-stencil views are not supported by this layer");
    Range r;
    switch (desc.ViewDimension) {
        case DsvDimension::Texture2D: r.firstMip = desc.Texture2D.MipSlice; break;
        case DsvDimension::Texture2DArray:
            r.firstMip = desc.Texture2DArray.MipSlice;
            r.firstSlice = desc.Texture2DArray.FirstArraySlice;
            r.sliceCount = desc.Texture2DArray.ArraySize;
            r.arrayDimension = true;
            break;
        case DsvDimension::Texture2DMS: r.multisampled = true; break;
        case DsvDimension::Texture2DMSArray:
            r.multisampled = true;
            r.firstSlice = desc.Texture2DMSArray.FirstArraySlice;
            r.sliceCount = desc.Texture2DMSArray.ArraySize;
            r.arrayDimension = true;
            break;
        default: return invalid("unknown depth-stencil view dimension");
    }
    if (std::string why = checkRange(*texture, r); !why.empty()) return invalid(why);
    if (!out) return Result::SFalse;

    // Depth storage is only viewable in its own GL format; a view is needed only for part of an array.
    AttachmentPlan plan = planAttachment(*texture, texture->glInternalFormat(), r);
    if (plan.needsView) {
        Range one = r;
        one.arrayDimension = r.sliceCount > 1;
        Result result = onGlThread([&] {
            return makeTextureView(*texture, viewTarget(one), texture->glInternalFormat(), one, &plan.gl.texture);
        });
        if (failed(result)) return reportFailure(result, "depth-stencil view creation failed");
    }
    *out = Ref<DepthStencilView>::adopt(new DepthStencilView(this, texture, desc, plan.gl));
    return Result::Ok;
}

Result Device::CreateShaderResourceView(Texture2D* texture, const ShaderResourceViewDesc* descIn,
                                        Ref<ShaderResourceView>* out) {
    if (out) *out = nullptr;
    if (!texture) return invalid("shader-resource view of no resource");
    const Texture2DDesc& td = texture->GetDesc();
    if (!(td.BindFlags & BIND_SHADER_RESOURCE)) return invalid("texture is not bound as shader resource");
    ShaderResourceViewDesc desc;
    if (descIn) {
        desc = *descIn;
    } else {
        bool ms = td.SampleDesc.Count > 1, array = td.ArraySize > 1;
        desc.ViewDimension = ms ? (array ? SrvDimension::Texture2DMSArray : SrvDimension::Texture2DMS)
                                : (array ? SrvDimension::Texture2DArray : SrvDimension::Texture2D);
        desc.Texture2DArray.ArraySize = td.ArraySize;
        desc.Texture2DMSArray.ArraySize = td.ArraySize;
    }
    if (desc.Format == Format::UNKNOWN) desc.Format = td.Format;
    const FormatInfo* info = formatInfo(desc.Format);
    if (!info || info->kind == FormatKind::Typeless || info->kind == FormatKind::Depth ||
        !viewFormatCompatible(td.Format, desc.Format)) {
        return invalid("shader-resource view format does not fit the texture");
    }
    // Over depth storage only the readable members of the depth family apply, and they read it as it is.
    GLenum internal = info->internalFormat;
    if (texture->depthStorage()) {
        internal = texture->glInternalFormat();
    } else if (info->depthReadView || info->stencilView) {
        return invalid("depth-read view format over colour storage");
    }
    Range r;
    switch (desc.ViewDimension) {
        case SrvDimension::Texture2D:
            r.firstMip = desc.Texture2D.MostDetailedMip;
            r.mipCount = desc.Texture2D.MipLevels;
            break;
        case SrvDimension::Texture2DArray:
            r.firstMip = desc.Texture2DArray.MostDetailedMip;
            r.mipCount = desc.Texture2DArray.MipLevels;
            r.firstSlice = desc.Texture2DArray.FirstArraySlice;
            r.sliceCount = desc.Texture2DArray.ArraySize;
            r.arrayDimension = true;
            break;
        case SrvDimension::Texture2DMS: r.multisampled = true; break;
        case SrvDimension::Texture2DMSArray:
            r.multisampled = true;
            r.firstSlice = desc.Texture2DMSArray.FirstArraySlice;
            r.sliceCount = desc.Texture2DMSArray.ArraySize;
            r.arrayDimension = true;
            break;
        default: return invalid("unknown shader-resource view dimension");
    }
    if (r.mipCount == ~0u && r.firstMip < td.MipLevels) r.mipCount = td.MipLevels - r.firstMip;
    if (std::string why = checkRange(*texture, r); !why.empty()) return invalid(why);
    if (!out) return Result::SFalse;

    GlViewTarget gl;
    GLenum target = viewTarget(r);
    bool whole = r.firstMip == 0 && r.mipCount == td.MipLevels && r.firstSlice == 0 && r.sliceCount == td.ArraySize;
    if (whole && target == texture->glTarget() && internal == texture->glInternalFormat() && !info->stencilView) {
        gl.texture = texture->glName();
    } else {
        gl.ownsTexture = true;
        Result result = onGlThread([&] {
            Result made = makeTextureView(*texture, target, internal, r, &gl.texture);
            if (succeeded(made) && texture->depthStorage()) {
                glTextureParameteri(gl.texture, GL_DEPTH_STENCIL_TEXTURE_MODE,
                                    info->stencilView ? GL_STENCIL_INDEX : GL_DEPTH_COMPONENT);
            }
            return made;
        });
        if (failed(result)) return reportFailure(result, "shader-resource view creation failed");
    }
    *out = Ref<ShaderResourceView>::adopt(new ShaderResourceView(this, texture, desc, gl));
    return Result::Ok;
}

Result Device::CreateUnorderedAccessView(Texture2D* texture, const UnorderedAccessViewDesc* descIn,
                                         Ref<UnorderedAccessView>* out) {
    if (out) *out = nullptr;
    if (!texture) return invalid("unordered-access view of no resource");
    const Texture2DDesc& td = texture->GetDesc();
    if (!(td.BindFlags & BIND_UNORDERED_ACCESS)) return invalid("texture is not bound for unordered access");
    UnorderedAccessViewDesc desc;
    if (descIn) {
        desc = *descIn;
    } else {
        desc.ViewDimension = td.ArraySize > 1 ? UavDimension::Texture2DArray : UavDimension::Texture2D;
        desc.Texture2DArray.ArraySize = td.ArraySize;
    }
    if (desc.Format == Format::UNKNOWN) desc.Format = td.Format;
    const FormatInfo* info = formatInfo(desc.Format);
    if (!info || info->kind == FormatKind::Typeless || info->kind == FormatKind::Depth || info->srgb ||
        info->depthReadView || info->stencilView || !viewFormatCompatible(td.Format, desc.Format)) {
        return invalid("unordered-access view format does not fit the texture");
    }
    Range r;
    if (desc.ViewDimension == UavDimension::Texture2D) {
        r.firstMip = desc.Texture2D.MipSlice;
    } else if (desc.ViewDimension == UavDimension::Texture2DArray) {
        r.firstMip = desc.Texture2DArray.MipSlice;
        r.firstSlice = desc.Texture2DArray.FirstArraySlice;
        r.sliceCount = desc.Texture2DArray.ArraySize;
    } else {
        return invalid("unknown unordered-access view dimension");
    }
    if (std::string why = checkRange(*texture, r); !why.empty()) return invalid(why);
    if (!out) return Result::SFalse;
    // Image bindings reinterpret the format themselves; no GL view object is needed.
    GlViewTarget gl;
    gl.texture = texture->glName();
    gl.level = static_cast<GLint>(r.firstMip);
    gl.layer = r.sliceCount == 1 && td.ArraySize > 1 ? static_cast<GLint>(r.firstSlice) : -1;
    *out = Ref<UnorderedAccessView>::adopt(new UnorderedAccessView(this, texture, desc, gl));
    return Result::Ok;
}

}  // namespace gpu
