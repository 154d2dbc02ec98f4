// Render-target, depth-stencil, shader-resource and unordered-access views of 2D textures.

#include "platform/gpu/device.h"
#include "platform/gpu/gl_errors.h"

namespace gpu {
namespace {

Result invalid(const std::string& why) { return reportFailure(Result::InvalidArg, why); }

GLenum viewTarget(const ViewRange& r) {
    if (r.multisampled) return r.arrayDimension ? GL_TEXTURE_2D_MULTISAMPLE_ARRAY : GL_TEXTURE_2D_MULTISAMPLE;
    return r.arrayDimension ? GL_TEXTURE_2D_ARRAY : GL_TEXTURE_2D;
}

// Attachment of one mip of a slice range: the texture itself where possible, else a glTextureView.
struct AttachmentPlan {
    bool needsView = false;
    GlViewTarget gl;
};

AttachmentPlan planAttachment(const Texture2D& texture, GLenum viewInternal, const ViewRange& r) {
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

Result makeTextureView(const Texture2D& texture, GLenum target, GLenum internal, const ViewRange& r, GLuint* name) {
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

// Null desc, normalisation and checks, alike for the four kinds: the desc the view keeps and the part it covers.
template <typename Desc>
Result viewDesc(Texture2D* texture, const Desc* descIn, Desc* desc, ViewRange* range) {
    if (!texture) return invalid(std::string(viewKindName<Desc>()) + " view of no resource");
    *desc = descIn ? *descIn : viewDescFromResource<Desc>(*texture);
    normaliseViewDesc(*texture, desc);
    if (std::string why = checkViewDesc(*texture, *desc, range); !why.empty()) return invalid(why);
    return Result::Ok;
}

}  // namespace

Result Device::attachmentView(Texture2D& texture, GLenum internal, const ViewRange& r, GlViewTarget* gl) {
    AttachmentPlan plan = planAttachment(texture, internal, r);
    *gl = plan.gl;
    if (!plan.needsView) return Result::Ok;
    ViewRange one = r;
    one.arrayDimension = r.sliceCount > 1;
    return onGlThread([&] { return makeTextureView(texture, viewTarget(one), internal, one, &gl->texture); });
}

Result Device::CreateRenderTargetView(Texture2D* texture, const RenderTargetViewDesc* descIn,
                                      Ref<RenderTargetView>* out) {
    if (out) *out = nullptr;
    RenderTargetViewDesc desc;
    ViewRange r;
    if (Result checked = viewDesc(texture, descIn, &desc, &r); failed(checked)) return checked;
    if (!out) return Result::SFalse;

    GLenum internal = formatInfo(desc.Format)->internalFormat;
    GlViewTarget gl;
    Result result = attachmentView(*texture, internal, r, &gl);
    if (failed(result)) return reportFailure(result, "render-target view creation failed");
    *out = Ref<RenderTargetView>::adopt(new RenderTargetView(this, texture, desc, gl));
    return Result::Ok;
}

Result Device::CreateDepthStencilView(Texture2D* texture, const DepthStencilViewDesc* descIn,
                                      Ref<DepthStencilView>* out) {
    if (out) *out = nullptr;
    DepthStencilViewDesc desc;
    ViewRange r;
    if (Result checked = viewDesc(texture, descIn, &desc, &r); failed(checked)) return checked;
    if (!out) return Result::SFalse;

    // Depth storage is only viewable in its own GL format; a view is needed only for part of an array.
    GLenum internal = texture->glInternalFormat();
    GlViewTarget gl;
    Result result = attachmentView(*texture, internal, r, &gl);
    if (failed(result)) return reportFailure(result, "depth-stencil view creation failed");
    *out = Ref<DepthStencilView>::adopt(new DepthStencilView(this, texture, desc, gl));
    return Result::Ok;
}

Result Device::CreateShaderResourceView(Texture2D* texture, const ShaderResourceViewDesc* descIn,
                                        Ref<ShaderResourceView>* out) {
    if (out) *out = nullptr;
    ShaderResourceViewDesc desc;
    ViewRange r;
    if (Result checked = viewDesc(texture, descIn, &desc, &r); failed(checked)) return checked;
    if (!out) return Result::SFalse;

    // The depth family's readable members read depth storage as it is.
    const FormatInfo* info = formatInfo(desc.Format);
    GLenum internal = texture->depthStorage() ? texture->glInternalFormat() : info->internalFormat;
    const Texture2DDesc& td = texture->GetDesc();
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
    UnorderedAccessViewDesc desc;
    ViewRange r;
    if (Result checked = viewDesc(texture, descIn, &desc, &r); failed(checked)) return checked;
    if (!out) return Result::SFalse;

    // Image bindings reinterpret the format themselves; no GL view object is needed.
    GlViewTarget gl;
    gl.texture = texture->glName();
    gl.level = static_cast<GLint>(r.firstMip);
    gl.layer = r.sliceCount == 1 && texture->GetDesc().ArraySize > 1 ? static_cast<GLint>(r.firstSlice) : -1;
    *out = Ref<UnorderedAccessView>::adopt(new UnorderedAccessView(this, texture, desc, gl));
    return Result::Ok;
}

}  // namespace gpu
