#pragma once

// gpu::Device: D3D11's device on OpenGL 4.5 core. Creation methods are free-threaded: on the thread that created
// the device they run on its immediate GL context; on any other thread they run on the device's resource thread
// (one shared GL context), and return once the object is complete. Failures leave the output null and answer
// an error Result; nothing aborts on bad input.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <epoxy/gl.h>

#include "platform/gpu/buffer.h"
#include "platform/gpu/descs.h"
#include "platform/gpu/device_caps.h"
#include "platform/gpu/input_layout.h"
#include "platform/gpu/program_cache.h"
#include "platform/gpu/query.h"
#include "platform/gpu/ref_counted.h"
#include "platform/gpu/result.h"
#include "platform/gpu/shader_bytecode.h"
#include "platform/gpu/shaders.h"
#include "platform/gpu/state_objects.h"
#include "platform/gpu/texture2d.h"
#include "platform/gpu/views.h"

struct SDL_Window;

namespace gpu {

class DeviceContext;
class GlContexts;
class ResourceThread;

class Device final : public RefCounted {
public:
    Result CreateBuffer(const BufferDesc& desc, const SubresourceData* initialData, Ref<Buffer>* buffer);
    // initialData: MipLevels x ArraySize entries in subresource order, or null.
    Result CreateTexture2D(const Texture2DDesc& desc, const SubresourceData* initialData, Ref<Texture2D>* texture);
    // A null desc views the whole texture in its own format (which must not be typeless).
    Result CreateRenderTargetView(Texture2D* resource, const RenderTargetViewDesc* desc, Ref<RenderTargetView>* view);
    Result CreateDepthStencilView(Texture2D* resource, const DepthStencilViewDesc* desc, Ref<DepthStencilView>* view);
    Result CreateShaderResourceView(Texture2D* resource, const ShaderResourceViewDesc* desc,
                                    Ref<ShaderResourceView>* view);
    Result CreateUnorderedAccessView(Texture2D* resource, const UnorderedAccessViewDesc* desc,
                                     Ref<UnorderedAccessView>* view);
    Result CreateDepthStencilState(const DepthStencilDesc& desc, Ref<DepthStencilState>* state);
    Result CreateBlendState(const BlendDesc& desc, Ref<BlendState>* state);
    Result CreateRasterizerState(const RasterizerDesc& desc, Ref<RasterizerState>* state);
    Result CreateSamplerState(const SamplerDesc& desc, Ref<SamplerState>* state);
    // On the device's own thread (query.h).
    Result CreateQuery(const QueryDesc& desc, Ref<Query>* query);
    Result CreateVertexShader(const ShaderBytecode& bytecode, Ref<VertexShader>* shader);
    Result CreatePixelShader(const ShaderBytecode& bytecode, Ref<PixelShader>* shader);
    // Matches elements to the vertex shader's input signature by semantic name (case-insensitive) and index.
    Result CreateInputLayout(const InputElementDesc* elements, std::uint32_t count, const ShaderBytecode& vertexShader,
                             Ref<InputLayout>* layout);
    Result CheckMultisampleQualityLevels(Format format, std::uint32_t sampleCount, std::uint32_t* qualityLevels);

    FeatureLevel GetFeatureLevel() const { return featureLevel_; }
    // The driver as read at creation.
    const DeviceCaps& caps() const { return caps_; }
    // Borrowed; lives as long as the device. Only the device's creating thread may use it.
    DeviceContext* GetImmediateContext() const { return immediate_.get(); }

    // Layer internals.
    bool onOwnerThread() const { return std::this_thread::get_id() == owner_; }
    GlContexts& contexts() { return *contexts_; }
    // GL names die on the owner thread: at once there, otherwise at the immediate context's next safe point.
    enum class GlKind { Texture, Buffer, Sampler, Program, VertexArray, Query, ViewGone };
    void releaseGl(GlKind kind, GLuint name, std::uint64_t serial = 0);
    void drainReleases();
    GLuint defaultSampler() const { return defaultSampler_; }
    std::int32_t maxSamples() const { return caps_.maxSamples; }
    // A 1 x 1 texture of zeros for a sampler uniform of this GL type (GL_SAMPLER_2D, GL_ISAMPLER_2D, ...).
    GLuint emptyTexture(GLenum samplerType) const;
    ProgramCache& programs() { return programs_; }
    BufferArenas& arenas() { return arenas_; }
    // Shaders of one program and layouts of one attribute list are handed out again while one lives, as D3D's
    // runtime does for equal state objects: draws that use the same ones then bind nothing new.
    void forgetShader(const Shader* shader);
    void forgetLayout(const InputLayout* layout);

    // Children and swap chains keep the device alive: it goes when the last reference and the last of them
    // have gone. On its own thread, as its GL objects die with it.
    void childAdded() { lives_.fetch_add(1, std::memory_order_relaxed); }
    void childGone() { endLife(); }

    Device(std::unique_ptr<GlContexts> contexts, FeatureLevel level, DeviceCaps caps);
    ~Device() override;

protected:
    // The application's last reference: unbind everything, then wait for the children still alive.
    void lastReferenceGone() override;

private:
    friend Result CreateDevice(SDL_Window*, const FeatureLevel*, std::uint32_t, Ref<Device>*, FeatureLevel*,
                               DeviceContext**);
    bool initialise();
    // Runs `create` where a GL context of this device is current.
    Result onGlThread(const std::function<Result()>& create);
    // Vertex and pixel shaders are built alike; defined where they are made.
    // Render-target and depth-stencil views: the texture itself where it serves, else a glTextureView.
    Result attachmentView(Texture2D& texture, GLenum internal, const ViewRange& range, GlViewTarget* gl);
    template <typename ShaderType>
    Result createShader(const ShaderBytecode& bytecode, ShaderStage stage, Ref<ShaderType>* out);
    void endLife() {
        if (lives_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
    }
    enum EmptyKind { kEmptyFloat2D, kEmptyFloat2DArray, kEmptyFloatCube, kEmptyFloat2DMS, kEmptyInt2D, kEmptyUint2D,
                     kEmptyKinds };

    struct PendingRelease {
        GlKind kind;
        GLuint name;
        std::uint64_t serial;
    };

    std::unique_ptr<GlContexts> contexts_;
    FeatureLevel featureLevel_;
    DeviceCaps caps_;
    std::thread::id owner_;
    std::unique_ptr<DeviceContext> immediate_;
    std::unique_ptr<ResourceThread> resourceThread_;
    std::mutex pendingMutex_;
    std::vector<PendingRelease> pending_;
    std::vector<PendingRelease> draining_;
    GLuint defaultSampler_ = 0;
    GLuint emptyTextures_[kEmptyKinds] = {};
    ProgramCache programs_{*this};
    BufferArenas arenas_{&DeviceChild::nextSerial};
    std::mutex liveMutex_;
    std::vector<Shader*> liveShaders_;  // not owned; each removes itself as it goes
    std::vector<InputLayout*> liveLayouts_;
    std::atomic<std::uint32_t> lives_{1};  // one for the application's references, one per child
    std::atomic<bool> released_{false};
};

// D3D11CreateDevice: window null gives a headless EGL device, otherwise a device whose immediate context draws
// for that window (created with SDL_WINDOW_OPENGL; see swap_chain.h). featureLevels null means 11_0 then 10_1.
// The calling thread becomes the owner of the immediate context.
Result CreateDevice(SDL_Window* window, const FeatureLevel* featureLevels, std::uint32_t featureLevelCount,
                    Ref<Device>* device, FeatureLevel* obtainedLevel, DeviceContext** immediateContext);

}  // namespace gpu
