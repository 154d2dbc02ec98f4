#include "render/render_target.h"

bool RenderTarget::create(gpu::Device* device, std::uint32_t width_, std::uint32_t height_, gpu::Format format_,
                          std::uint32_t mipLevels_, std::uint32_t sampleCount_, std::uint32_t sampleQuality,
                          bool generateMips_, bool unorderedAccess, std::uint32_t arraySize_) {
    bool complete = device != nullptr;
    texture = nullptr;
    renderTargetView = nullptr;
    shaderResourceView = nullptr;
    unorderedAccessView = nullptr;
    renderTargetViews.clear();

    gpu::Texture2DDesc desc;
    desc.Width = width_;
    desc.Height = height_;
    desc.MipLevels = mipLevels_;
    desc.ArraySize = arraySize_;
    desc.Format = format_;
    desc.SampleDesc = {sampleCount_, sampleQuality};
    desc.BindFlags =
        gpu::BIND_RENDER_TARGET | gpu::BIND_SHADER_RESOURCE | (unorderedAccess ? gpu::BIND_UNORDERED_ACCESS : 0u);
    desc.MiscFlags = generateMips_ && mipLevels_ > 1 ? gpu::RESOURCE_MISC_GENERATE_MIPS : 0u;
    if (device) complete = gpu::succeeded(device->CreateTexture2D(desc, nullptr, &texture)) && complete;

    for (std::uint32_t slice = 0; device && slice < arraySize_; ++slice) {
        gpu::RenderTargetViewDesc view;
        view.Format = format_;
        bool multisampled = sampleCount_ > 1;
        if (arraySize_ == 1) {
            view.ViewDimension = multisampled ? gpu::RtvDimension::Texture2DMS : gpu::RtvDimension::Texture2D;
        } else if (multisampled) {
            view.ViewDimension = gpu::RtvDimension::Texture2DMSArray;
            view.Texture2DMSArray = {slice, 1};
        } else {
            view.ViewDimension = gpu::RtvDimension::Texture2DArray;
            view.Texture2DArray = {0, slice, 1};
        }
        gpu::Ref<gpu::RenderTargetView> created;
        complete = gpu::succeeded(device->CreateRenderTargetView(texture.get(), &view, &created)) && complete;
        renderTargetViews.push_back(created);
    }
    if (!renderTargetViews.empty()) renderTargetView = renderTargetViews.front();
    if (device)
        complete =
            gpu::succeeded(device->CreateShaderResourceView(texture.get(), nullptr, &shaderResourceView)) && complete;

    width = width_;
    height = height_;
    mipLevels = mipLevels_;
    sampleCount = sampleCount_;
    format = format_;
    generateMips = generateMips_;
    arraySize = arraySize_;

    if (device && unorderedAccess) {
        complete =
            gpu::succeeded(device->CreateUnorderedAccessView(texture.get(), nullptr, &unorderedAccessView)) && complete;
    }
    return complete;
}
