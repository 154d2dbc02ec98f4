#include "platform/gpu/device.h"

#include "platform/gpu/device_context.h"
#include "platform/gpu/gl_contexts.h"
#include "platform/gpu/gl_errors.h"
#include "platform/gpu/resource_thread.h"
#include "platform/process/debug_output.h"

namespace gpu {
namespace {

constexpr FeatureLevel kDefaultLevels[] = {FeatureLevel::Level_11_0, FeatureLevel::Level_10_1};

bool knownLevel(FeatureLevel level) {
    return level == FeatureLevel::Level_10_0 || level == FeatureLevel::Level_10_1 || level == FeatureLevel::Level_11_0;
}

}  // namespace

Device::Device(std::unique_ptr<GlContexts> contexts, FeatureLevel level, DeviceCaps caps)
    : contexts_(std::move(contexts)), featureLevel_(level), caps_(std::move(caps)), owner_(std::this_thread::get_id()) {}

Device::~Device() {
    if (immediate_) immediate_->ClearState();
    resourceThread_.reset();
    drainReleases();
    arenas_.destroy();
    if (defaultSampler_) glDeleteSamplers(1, &defaultSampler_);
    glDeleteTextures(kEmptyKinds, emptyTextures_);
    immediate_.reset();
    contexts_.reset();
}

void Device::lastReferenceGone() {
    if (released_.exchange(true)) return;  // a reference taken again from a child and dropped
    // The immediate context's bindings would keep their objects, and so the device, alive for ever.
    if (immediate_ && onOwnerThread()) immediate_->ClearState();
    endLife();
}

GLuint Device::emptyTexture(GLenum samplerType) const {
    switch (samplerType) {
        case GL_SAMPLER_2D_ARRAY:
        case GL_SAMPLER_2D_ARRAY_SHADOW: return emptyTextures_[kEmptyFloat2DArray];
        case GL_SAMPLER_CUBE:
        case GL_SAMPLER_CUBE_SHADOW: return emptyTextures_[kEmptyFloatCube];
        case GL_SAMPLER_2D_MULTISAMPLE: return emptyTextures_[kEmptyFloat2DMS];
        case GL_INT_SAMPLER_2D: return emptyTextures_[kEmptyInt2D];
        case GL_UNSIGNED_INT_SAMPLER_2D: return emptyTextures_[kEmptyUint2D];
        case GL_SAMPLER_2D:
        case GL_SAMPLER_2D_SHADOW: return emptyTextures_[kEmptyFloat2D];
        default: return 0;
    }
}

bool Device::initialise() {
    // D3D's conventions once for the context: row 0 at the top, depth 0..1.
    glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE);
    glEnable(GL_TEXTURE_CUBE_MAP_SEAMLESS);

    // What D3D samples with when no sampler is bound.
    glCreateSamplers(1, &defaultSampler_);
    glSamplerParameteri(defaultSampler_, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glSamplerParameteri(defaultSampler_, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    for (GLenum wrap : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_WRAP_R}) {
        glSamplerParameteri(defaultSampler_, wrap, GL_CLAMP_TO_EDGE);
    }

    // What an empty shader-resource slot reads: zeros, alpha included.
    struct EmptyTexture {
        GLenum target, internalFormat, format, type;
    };
    const EmptyTexture empties[kEmptyKinds] = {
        {GL_TEXTURE_2D, GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE},
        {GL_TEXTURE_2D_ARRAY, GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE},
        {GL_TEXTURE_CUBE_MAP, GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE},
        {GL_TEXTURE_2D_MULTISAMPLE, GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE},
        {GL_TEXTURE_2D, GL_RGBA32I, GL_RGBA_INTEGER, GL_INT},
        {GL_TEXTURE_2D, GL_RGBA32UI, GL_RGBA_INTEGER, GL_UNSIGNED_INT}};
    for (int i = 0; i < kEmptyKinds; ++i) {
        const EmptyTexture& e = empties[i];
        glCreateTextures(e.target, 1, &emptyTextures_[i]);
        if (e.target == GL_TEXTURE_2D_ARRAY) {
            glTextureStorage3D(emptyTextures_[i], 1, e.internalFormat, 1, 1, 1);
        } else if (e.target == GL_TEXTURE_2D_MULTISAMPLE) {
            glTextureStorage2DMultisample(emptyTextures_[i], 1, e.internalFormat, 1, 1, GL_TRUE);
        } else {
            glTextureStorage2D(emptyTextures_[i], 1, e.internalFormat, 1, 1);
        }
        glClearTexImage(emptyTextures_[i], 0, e.format, e.type, nullptr);
    }

    immediate_ = std::make_unique<DeviceContext>(*this);
    if (!immediate_->initialise()) return false;
    resourceThread_ = std::make_unique<ResourceThread>(*contexts_);
    return takeGlErrors() == Result::Ok;
}

Result Device::onGlThread(const std::function<Result()>& create) {
    if (onOwnerThread()) {
        drainReleases();
        return create();
    }
    Result result = Result::Fail;
    if (!resourceThread_->run([&] { result = create(); })) {
        return reportFailure(Result::Fail, "the resource thread has no GL context");
    }
    return result;
}

void Device::releaseGl(GlKind kind, GLuint name, std::uint64_t serial) {
    if (!onOwnerThread()) {
        std::lock_guard lock(pendingMutex_);
        pending_.push_back({kind, name, serial});
        return;
    }
    if (immediate_ && kind != GlKind::ViewGone) immediate_->cache().forgetName(name);
    switch (kind) {
        case GlKind::Texture: glDeleteTextures(1, &name); break;
        case GlKind::Buffer: glDeleteBuffers(1, &name); break;
        case GlKind::Sampler: glDeleteSamplers(1, &name); break;
        case GlKind::Program: glDeleteProgram(name); break;
        case GlKind::VertexArray: glDeleteVertexArrays(1, &name); break;
        case GlKind::Query: glDeleteQueries(1, &name); break;
        case GlKind::ViewGone:
            if (immediate_) immediate_->forgetView(serial);
            break;
    }
}

void Device::drainReleases() {
    arenas_.retire();
    {
        std::lock_guard lock(pendingMutex_);
        if (pending_.empty()) return;
        draining_.swap(pending_);
    }
    for (const PendingRelease& release : draining_) releaseGl(release.kind, release.name, release.serial);
    draining_.clear();
}

Result CreateDevice(SDL_Window* window, const FeatureLevel* featureLevels, std::uint32_t featureLevelCount,
                    Ref<Device>* device, FeatureLevel* obtainedLevel, DeviceContext** immediateContext) {
    if (device) *device = nullptr;
    if (immediateContext) *immediateContext = nullptr;
    if (!featureLevels || featureLevelCount == 0) {
        featureLevels = kDefaultLevels;
        featureLevelCount = 2;
    }
    // OpenGL 4.5 core offers what feature level 11_0 asks for: the first requested level at or below it.
    const FeatureLevel* chosen = nullptr;
    for (std::uint32_t i = 0; i < featureLevelCount; ++i) {
        if (!knownLevel(featureLevels[i])) return reportFailure(Result::InvalidArg, "unknown feature level");
        if (!chosen && featureLevels[i] <= FeatureLevel::Level_11_0) chosen = &featureLevels[i];
    }
    if (!chosen) return reportFailure(Result::InvalidArg, "no requested feature level is supported");

    std::string error;
    std::unique_ptr<GlContexts> contexts =
        window ? createWindowContexts(window, &error) : createHeadlessContexts(&error);
    if (!contexts) return reportFailure(Result::Fail, error);
    DeviceCaps caps;
    if (!readDeviceCaps(&caps)) return reportFailure(Result::Unsupported, "OpenGL 4.5 is not available");
    platform::debugOutput(caps.describe().c_str());

    Ref<Device> created = Ref<Device>::adopt(new Device(std::move(contexts), *chosen, std::move(caps)));
    if (!created->initialise()) return reportFailure(Result::Fail, "device initialisation failed");
    if (obtainedLevel) *obtainedLevel = *chosen;
    if (immediateContext) *immediateContext = created->GetImmediateContext();
    if (device) *device = std::move(created);
    return Result::Ok;
}

}  // namespace gpu
