#include "render/depth_buffer.h"

gpu::Format DepthBuffer::typelessFormat(gpu::Format format) {
    switch (format) {
        case gpu::Format::D16_UNORM: return gpu::Format::R16_TYPELESS;
        case gpu::Format::D24_UNORM_S8_UINT: return gpu::Format::R24G8_TYPELESS;
        default: return gpu::Format::R32_TYPELESS;
    }
}

gpu::Format DepthBuffer::readableFormat(gpu::Format format) {
    switch (format) {
        case gpu::Format::D16_UNORM: return gpu::Format::R16_UNORM;
        case gpu::Format::D24_UNORM_S8_UINT: return gpu::Format::R24_UNORM_X8_TYPELESS;
        default: return gpu::Format::R32_FLOAT;
    }
}

bool DepthBuffer::create(gpu::Device* device, std::uint32_t width_, std::uint32_t height_, gpu::Format depthFormat_,
                         bool shaderReadable, std::uint32_t sampleCount_, std::uint32_t sampleQuality,
                         std::uint32_t arraySize_) {
    bool complete = device != nullptr;
    texture = nullptr;
    depthStencilView = nullptr;
    shaderResourceView = nullptr;
    depthStencilViews.clear();
    bool multisampled = sampleCount_ > 1;

    gpu::Texture2DDesc desc;
    desc.Width = width_;
    desc.Height = height_;
    desc.ArraySize = arraySize_;
    desc.Format = shaderReadable ? typelessFormat(depthFormat_) : depthFormat_;
    desc.SampleDesc = {sampleCount_, sampleQuality};
    desc.BindFlags = gpu::BIND_DEPTH_STENCIL | (shaderReadable ? gpu::BIND_SHADER_RESOURCE : 0u);
    if (device) complete = gpu::succeeded(device->CreateTexture2D(desc, nullptr, &texture)) && complete;

    for (std::uint32_t slice = 0; device && slice < arraySize_; ++slice) {
        gpu::DepthStencilViewDesc view;
        view.Format = depthFormat_;
        if (arraySize_ == 1) {
            view.ViewDimension = multisampled ? gpu::DsvDimension::Texture2DMS : gpu::DsvDimension::Texture2D;
        } else if (multisampled) {
            view.ViewDimension = gpu::DsvDimension::Texture2DMSArray;
            view.Texture2DMSArray = {slice, 1};
        } else {
            view.ViewDimension = gpu::DsvDimension::Texture2DArray;
            view.Texture2DArray = {0, slice, 1};
        }
        gpu::Ref<gpu::DepthStencilView> created;
        complete = gpu::succeeded(device->CreateDepthStencilView(texture.get(), &view, &created)) && complete;
        depthStencilViews.push_back(created);
    }
    if (!depthStencilViews.empty()) depthStencilView = depthStencilViews.front();

    if (device && shaderReadable) {
        gpu::ShaderResourceViewDesc view;
        view.Format = readableFormat(depthFormat_);
        if (arraySize_ == 1) {
            view.ViewDimension = multisampled ? gpu::SrvDimension::Texture2DMS : gpu::SrvDimension::Texture2D;
            view.Texture2D = {0, 1};
        } else if (multisampled) {
            view.ViewDimension = gpu::SrvDimension::Texture2DMSArray;
            view.Texture2DMSArray = {0, arraySize_};
        } else {
            view.ViewDimension = gpu::SrvDimension::Texture2DArray;
            view.Texture2DArray = {0, 1, 0, arraySize_};
        }
        complete =
            gpu::succeeded(device->CreateShaderResourceView(texture.get(), &view, &shaderResourceView)) && complete;
    }

    width = width_;
    height = height_;
    sampleCount = sampleCount_;
    depthFormat = depthFormat_;
    arraySize = arraySize_;
    return complete;
}
