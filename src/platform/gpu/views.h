#pragma once

// Views name a texture's GL object to bind or attach. A view whose format or dimension differs from its texture
// owns a glTextureView over the texture's immutable storage; otherwise it uses the texture itself.

#include <string>

#include <epoxy/gl.h>

#include "platform/gpu/descs.h"
#include "platform/gpu/device_child.h"
#include "platform/gpu/texture2d.h"

namespace gpu {

// What a framebuffer attachment or image binding needs.
struct GlViewTarget {
    GLuint texture = 0;
    GLint level = 0;
    GLint layer = -1;  // -1: the whole texture (layered when it has several slices)
    bool ownsTexture = false;
};

// The part of a texture one view covers.
struct ViewRange {
    std::uint32_t firstMip = 0, mipCount = 1, firstSlice = 0, sliceCount = 1;
    bool multisampled = false;
    bool arrayDimension = false;
};

// The rules D3D11 applies before any view is made, for each of the four view descs. A null desc stands for
// viewDescFromResource (the whole texture in its own format); normaliseViewDesc fills what the caller may leave
// UNKNOWN; checkViewDesc answers why the desc is refused ("" when it is not) and the part it covers.
template <typename Desc>
Desc viewDescFromResource(const Texture2D& texture);
template <typename Desc>
void normaliseViewDesc(const Texture2D& texture, Desc* desc);
template <typename Desc>
std::string checkViewDesc(const Texture2D& texture, const Desc& desc, ViewRange* range);
// What a null resource is called in the refusal, as "render-target".
template <typename Desc>
const char* viewKindName();

class View : public DeviceChild {
public:
    Texture2D* GetResource() const { return resource_.get(); }
    const GlViewTarget& gl() const { return gl_; }
    ~View() override;

protected:
    View(Device* device, Texture2D* resource, const GlViewTarget& gl)
        : DeviceChild(device), resource_(Ref<Texture2D>::share(resource)), gl_(gl) {}

    Ref<Texture2D> resource_;
    GlViewTarget gl_;
};

class RenderTargetView final : public View {
public:
    RenderTargetView(Device* device, Texture2D* resource, const RenderTargetViewDesc& desc, const GlViewTarget& gl)
        : View(device, resource, gl), desc_(desc) {}
    const RenderTargetViewDesc& GetDesc() const { return desc_; }

private:
    RenderTargetViewDesc desc_;
};

class DepthStencilView final : public View {
public:
    DepthStencilView(Device* device, Texture2D* resource, const DepthStencilViewDesc& desc, const GlViewTarget& gl)
        : View(device, resource, gl), desc_(desc) {}
    const DepthStencilViewDesc& GetDesc() const { return desc_; }
    GLenum glAttachment() const;

private:
    DepthStencilViewDesc desc_;
};

class ShaderResourceView final : public View {
public:
    ShaderResourceView(Device* device, Texture2D* resource, const ShaderResourceViewDesc& desc, const GlViewTarget& gl)
        : View(device, resource, gl), desc_(desc) {}
    const ShaderResourceViewDesc& GetDesc() const { return desc_; }

private:
    ShaderResourceViewDesc desc_;
};

class UnorderedAccessView final : public View {
public:
    UnorderedAccessView(Device* device, Texture2D* resource, const UnorderedAccessViewDesc& desc,
                        const GlViewTarget& gl)
        : View(device, resource, gl), desc_(desc) {}
    const UnorderedAccessViewDesc& GetDesc() const { return desc_; }

private:
    UnorderedAccessViewDesc desc_;
};

}  // namespace gpu
