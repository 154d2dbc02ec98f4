#include "platform/gpu/views.h"

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

}  // namespace gpu
