#include "platform/gpu/device.h"

#include "platform/gpu/device_context.h"
#include "platform/gpu/gl_contexts.h"
#include "platform/gpu/gl_errors.h"
#include "platform/gpu/resource_thread.h"

namespace gpu {
namespace {

constexpr FeatureLevel kDefaultLevels[] = {FeatureLevel::Level_11_0, FeatureLevel::Level_10_1};

bool knownLevel(FeatureLevel level) {
    return level == FeatureLevel::Level_10_0 || level == FeatureLevel::Level_10_1 || level == FeatureLevel::Level_11_0;
}

}  // namespace

Device::Device(std::unique_ptr<GlContexts> contexts, FeatureLevel level)
    : contexts_(std::move(contexts)), featureLevel_(level), owner_(std::this_thread::get_id()) {}

Device::~Device() {
    if (immediate_) immediate_->ClearState();
    resourceThread_.reset();
    drainReleases();
    if (defaultSampler_) glDeleteSamplers(1, &defaultSampler_);
    immediate_.reset();
    contexts_.reset();
}

bool Device::initialise() {
    // D3D's conventions once for the context: row 0 at the top, depth 0..1.
    glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE);
    glEnable(GL_PRIMITIVE_RESTART_FIXED_INDEX);
    glEnable(GL_TEXTURE_CUBE_MAP_SEAMLESS);
    glGetIntegerv(GL_MAX_SAMPLES, &maxSamples_);

    // What D3D samples with when no sampler is bound.
    glCreateSamplers(1, &defaultSampler_);
    glSamplerParameteri(defaultSampler_, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glSamplerParameteri(defaultSampler_, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    for (GLenum wrap : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_WRAP_R}) {
        glSamplerParameteri(defaultSampler_, wrap, GL_CLAMP_TO_EDGE);
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
        case GlKind::ViewGone:
            if (immediate_) immediate_->forgetView(serial);
            break;
    }
}

void Device::drainReleases() {
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
    GLint major = 0, minor = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
    if (major * 10 + minor < 45) return reportFailure(Result::Unsupported, "OpenGL 4.5 is not available");

    Ref<Device> created = Ref<Device>::adopt(new Device(std::move(contexts), *chosen));
    if (!created->initialise()) return reportFailure(Result::Fail, "device initialisation failed");
    if (obtainedLevel) *obtainedLevel = *chosen;
    if (immediateContext) *immediateContext = created->GetImmediateContext();
    if (device) *device = std::move(created);
    return Result::Ok;
}

}  // namespace gpu
