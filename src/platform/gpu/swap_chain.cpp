#include "platform/gpu/swap_chain.h"

#include <algorithm>

#include "platform/gpu/device.h"
#include "platform/gpu/device_context.h"
#include "platform/gpu/gl_contexts.h"
#include "platform/gpu/gl_errors.h"

namespace gpu {
namespace {

bool presentableFormat(Format format) {
    switch (format) {
        case Format::R8G8B8A8_UNORM:
        case Format::R8G8B8A8_UNORM_SRGB:
        case Format::B8G8R8A8_UNORM:
        case Format::B8G8R8A8_UNORM_SRGB:
        case Format::R10G10B10A2_UNORM:
        case Format::R16G16B16A16_FLOAT: return true;
        default: return false;
    }
}

bool knownSwapEffect(SwapEffect effect) {
    return effect == SwapEffect::Discard || effect == SwapEffect::Sequential || effect == SwapEffect::FlipSequential ||
           effect == SwapEffect::FlipDiscard;
}

}  // namespace

PresentRect presentRect(Scaling scaling, int bufferWidth, int bufferHeight, int windowWidth, int windowHeight) {
    if (scaling != Scaling::AspectRatioStretch || bufferWidth < 1 || bufferHeight < 1) {
        return {0, 0, windowWidth, windowHeight};
    }
    // The larger side that fits, the other from the buffer's aspect, rounded to the nearest pixel.
    const long long wide = static_cast<long long>(windowWidth) * bufferHeight;
    const long long tall = static_cast<long long>(windowHeight) * bufferWidth;
    PresentRect rect;
    if (wide > tall) {  // the window is wider than the picture: bars left and right
        rect.height = windowHeight;
        rect.width = static_cast<int>((tall + bufferHeight / 2) / bufferHeight);
    } else {
        rect.width = windowWidth;
        rect.height = static_cast<int>((wide + bufferWidth / 2) / bufferWidth);
    }
    rect.x = (windowWidth - rect.width) / 2;
    rect.y = (windowHeight - rect.height) / 2;
    return rect;
}

// The swap chain keeps its device alive, as a device child does.
SwapChain::SwapChain(Device& device, const SwapChainDesc& desc) : device_(device), desc_(desc) { device_.childAdded(); }

SwapChain::~SwapChain() {
    dropBackBuffer();
    device_.childGone();  // may destroy the device
}

void SwapChain::dropBackBuffer() {
    if (readFramebuffer_) {
        device_.GetImmediateContext()->cache().forgetName(readFramebuffer_);
        glDeleteFramebuffers(1, &readFramebuffer_);
        readFramebuffer_ = 0;
    }
    backBuffer_ = nullptr;
}

Result SwapChain::createBackBuffer() {
    int drawableWidth = 0, drawableHeight = 0;
    device_.contexts().drawableSize(&drawableWidth, &drawableHeight);
    ModeDesc& mode = desc_.BufferDesc;
    if (mode.Width == 0) mode.Width = static_cast<std::uint32_t>(std::max(drawableWidth, 1));
    if (mode.Height == 0) mode.Height = static_cast<std::uint32_t>(std::max(drawableHeight, 1));

    Texture2DDesc td;
    td.Width = mode.Width;
    td.Height = mode.Height;
    td.Format = mode.Format;
    td.BindFlags = BIND_RENDER_TARGET | ((desc_.BufferUsage & USAGE_SHADER_INPUT) ? BIND_SHADER_RESOURCE : 0u);
    Result result = device_.CreateTexture2D(td, nullptr, &backBuffer_);
    if (failed(result)) return result;
    glCreateFramebuffers(1, &readFramebuffer_);
    glNamedFramebufferTexture(readFramebuffer_, GL_COLOR_ATTACHMENT0, backBuffer_->glName(), 0);
    glNamedFramebufferReadBuffer(readFramebuffer_, GL_COLOR_ATTACHMENT0);
    if (glCheckNamedFramebufferStatus(readFramebuffer_, GL_READ_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        dropBackBuffer();
        return reportFailure(Result::Fail, "back buffer framebuffer incomplete");
    }
    return Result::Ok;
}

Result SwapChain::GetBuffer(std::uint32_t index, Ref<Texture2D>* buffer) {
    if (!buffer) return Result::InvalidArg;
    *buffer = nullptr;
    if (index != 0 || !backBuffer_) return Result::InvalidCall;
    *buffer = backBuffer_;
    return Result::Ok;
}

Result SwapChain::Present(std::uint32_t syncInterval, std::uint32_t flags) {
    if (syncInterval > 4 || !device_.onOwnerThread()) return Result::InvalidCall;
    if (flags & PRESENT_TEST) return Result::Ok;
    if (!backBuffer_) return Result::InvalidCall;
    device_.GetImmediateContext()->settleRingOnly();
    device_.drainReleases();
    GlContexts& contexts = device_.contexts();
    if (interval_ != static_cast<int>(syncInterval)) {
        interval_ = static_cast<int>(syncInterval);
        if (!contexts.setSwapInterval(interval_) && interval_ > 1) contexts.setSwapInterval(1);
    }
    int width = 0, height = 0;
    contexts.drawableSize(&width, &height);
    GLint bufferWidth = static_cast<GLint>(desc_.BufferDesc.Width),
          bufferHeight = static_cast<GLint>(desc_.BufferDesc.Height);
    GlStateCache& cache = device_.GetImmediateContext()->cache();
    cache.setFramebufferSrgb(false);
    cache.setScissorTest(false);
    cache.setColorMask(0, COLOR_WRITE_ENABLE_ALL);
    const PresentRect rect = presentRect(desc_.Scaling, bufferWidth, bufferHeight, width, height);
    if (rect.width != width || rect.height != height) {
        const GLfloat black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
        glClearNamedFramebufferfv(0, GL_COLOR, 0, black);
    }
    // Row 0 of the back buffer is the top; the window's row 0 is the bottom.
    const int bottom = height - rect.y - rect.height;
    glBlitNamedFramebuffer(readFramebuffer_, 0, 0, 0, bufferWidth, bufferHeight, rect.x, bottom + rect.height,
                           rect.x + rect.width, bottom, GL_COLOR_BUFFER_BIT,
                           bufferWidth == rect.width && bufferHeight == rect.height ? GL_NEAREST : GL_LINEAR);
    if (overlay_) {
        cache.bindDrawFramebuffer(0);
        overlay_(overlayUser_, width, height);
        device_.GetImmediateContext()->invalidateGlState();
    }
    cache.setFramebufferSrgb(true);
    contexts.swapBuffers();
    return Result::Ok;
}

void SwapChain::setOverlay(OverlayCallback callback, void* user) {
    overlay_ = callback;
    overlayUser_ = user;
}

Result SwapChain::ResizeBuffers(std::uint32_t bufferCount, std::uint32_t width, std::uint32_t height, Format format,
                                std::uint32_t) {
    if (!device_.onOwnerThread()) return Result::InvalidCall;
    if (backBuffer_ && backBuffer_->refCount() > 1) {
        return reportFailure(Result::InvalidCall, "the back buffer is still referenced");
    }
    if (bufferCount > 16 || (format != Format::UNKNOWN && !presentableFormat(format))) return Result::InvalidArg;
    SwapChainDesc previous = desc_;
    if (bufferCount != 0) desc_.BufferCount = bufferCount;
    if (format != Format::UNKNOWN) desc_.BufferDesc.Format = format;
    desc_.BufferDesc.Width = width;
    desc_.BufferDesc.Height = height;
    dropBackBuffer();
    Result result = createBackBuffer();
    if (failed(result)) {
        desc_ = previous;
        return reportFailure(result, "cannot resize the swap chain");
    }
    return Result::Ok;
}

Result SwapChain::GetDesc(SwapChainDesc* desc) const {
    if (!desc) return Result::InvalidArg;
    *desc = desc_;
    return Result::Ok;
}

Result SwapChain::GetFullscreenState(bool* fullscreen) const {
    if (!fullscreen) return Result::InvalidArg;
    *fullscreen = !desc_.Windowed;
    return Result::Ok;
}

Result CreateSwapChain(Device* device, const SwapChainDesc& desc, Ref<SwapChain>* swapChain) {
    if (swapChain) *swapChain = nullptr;
    if (!device || !swapChain) return Result::InvalidArg;
    if (!desc.OutputWindow || desc.OutputWindow != device->contexts().window()) {
        return reportFailure(Result::InvalidCall, "the swap chain's window is not the device's window");
    }
    if (!device->onOwnerThread()) return reportFailure(Result::InvalidCall, "swap chain made off the device's thread");
    if (!presentableFormat(desc.BufferDesc.Format) || desc.SampleDesc.Count != 1 || desc.SampleDesc.Quality != 0 ||
        desc.BufferCount == 0 || desc.BufferCount > 16 || !(desc.BufferUsage & USAGE_RENDER_TARGET_OUTPUT) ||
        !knownSwapEffect(desc.SwapEffect)) {
        return reportFailure(Result::InvalidArg, "bad swap chain description");
    }
    Ref<SwapChain> created = Ref<SwapChain>::adopt(new SwapChain(*device, desc));
    Result result = created->createBackBuffer();
    if (failed(result)) return reportFailure(result, "cannot create the back buffer");
    *swapChain = std::move(created);
    return Result::Ok;
}

}  // namespace gpu
