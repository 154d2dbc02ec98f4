#include "post/post_processor_base.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <utility>

namespace {

struct QuadVertex {
    float position[4];
    float texcoord[2];
};
static_assert(sizeof(QuadVertex) == PostProcessorBase::kQuadStride);

// Texture coordinate (0, 0) is the top-left corner of the screen; two clockwise triangles.
constexpr QuadVertex kQuadVertices[4] = {
    {{1, 1, 1, 1}, {1, 0}},
    {{1, -1, 1, 1}, {1, 1}},
    {{-1, -1, 1, 1}, {0, 1}},
    {{-1, 1, 1, 1}, {0, 0}},
};
constexpr std::uint16_t kQuadIndices[6] = {0, 1, 2, 2, 3, 0};

void mipSize(const gpu::Texture2D* texture, std::uint32_t mip, float size[2]) {
    if (!texture) {
        size[0] = size[1] = 0.0f;
        return;
    }
    const gpu::Texture2DDesc& desc = texture->GetDesc();
    size[0] = static_cast<float>(std::max<std::uint32_t>(1, mip < 32 ? desc.Width >> mip : 0));
    size[1] = static_cast<float>(std::max<std::uint32_t>(1, mip < 32 ? desc.Height >> mip : 0));
}

}  // namespace

PostProcessorBase::PostProcessorBase() : manifest(ResourceManifest::instance()) {
    // Room for every pass up front: the lists are filled and emptied each pass without allocating.
    inputs.reserve(16);
    outputs.reserve(8);
}

void PostProcessorBase::initialize(gpu::Device* newDevice) {
    device = newDevice;
    quadProgram = ShaderProgram(device);
    const std::u16string* quadPath = manifest.findVertexShader("quad");
    const std::u16string path = quadPath ? *quadPath : std::u16string();
    quadProgram.loadVertexShader(path.c_str(), "QuadVS");
    if (!device) return;

    gpu::BufferDesc vertexDesc;
    vertexDesc.ByteWidth = sizeof(kQuadVertices);
    vertexDesc.Usage = gpu::Usage::Immutable;
    vertexDesc.BindFlags = gpu::BIND_VERTEX_BUFFER;
    gpu::SubresourceData vertexData{kQuadVertices, 0, 0};
    device->CreateBuffer(vertexDesc, &vertexData, &quadVertexBuffer);

    gpu::BufferDesc indexDesc;
    indexDesc.ByteWidth = sizeof(kQuadIndices);
    indexDesc.Usage = gpu::Usage::Immutable;
    indexDesc.BindFlags = gpu::BIND_INDEX_BUFFER;
    gpu::SubresourceData indexData{kQuadIndices, 0, 0};
    device->CreateBuffer(indexDesc, &indexData, &quadIndexBuffer);

    // drawPass writes the buffer itself, only the entries a pass has.
    ConstantBuffer<PassConstants> constants;
    constants.create(device);
    passConstants = std::move(constants.buffer);

    // The pass states set only what differs from D3D11's defaults (descs.h).
    gpu::DepthStencilDesc depthDesc;
    depthDesc.DepthEnable = false;
    depthDesc.DepthWriteMask = gpu::DepthWriteMask::Zero;
    depthDesc.DepthFunc = gpu::ComparisonFunc::LessEqual;
    depthDesc.FrontFace.StencilPassOp = gpu::StencilOp::Replace;
    depthDesc.BackFace = depthDesc.FrontFace;
    device->CreateDepthStencilState(depthDesc, &depthStencilState);

    gpu::BlendDesc blendDesc;
    for (gpu::RenderTargetBlendDesc& target : blendDesc.RenderTarget) {
        target.DestBlend = gpu::Blend::One;
        target.DestBlendAlpha = gpu::Blend::One;
    }
    device->CreateBlendState(blendDesc, &blendState);

    gpu::RasterizerDesc rasterDesc;
    rasterDesc.CullMode = gpu::CullMode::None;
    rasterDesc.MultisampleEnable = true;
    device->CreateRasterizerState(rasterDesc, &rasterizerState);

    gpu::SamplerDesc samplerDesc;
    samplerDesc.AddressW = gpu::TextureAddressMode::Wrap;
    samplerDesc.ComparisonFunc = gpu::ComparisonFunc::Always;
    std::fill(std::begin(samplerDesc.BorderColor), std::end(samplerDesc.BorderColor), 0.0f);
    samplerDesc.MinLOD = 0.0f;
    device->CreateSamplerState(samplerDesc, &linearSampler);
    samplerDesc.Filter = gpu::Filter::MinMagMipPoint;
    device->CreateSamplerState(samplerDesc, &pointSampler);
}

void PostProcessorBase::render(gpu::DeviceContext* newContext, gpu::ShaderResourceView*, gpu::RenderTargetView*) {
    context = newContext;
    context->RSSetState(rasterizerState.get());
    const float blendFactor[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    context->OMSetBlendState(blendState.get(), blendFactor, 0xFFFFFFFFu);
    context->OMSetDepthStencilState(depthStencilState.get(), 0);
    gpu::SamplerState* const samplers[2] = {pointSampler.get(), linearSampler.get()};
    context->PSSetSamplers(0, 2, samplers);
    context->IASetInputLayout(quadProgram.inputLayout());
    gpu::Buffer* const vertexBuffers[1] = {quadVertexBuffer.get()};
    const std::uint32_t stride = kQuadStride;
    const std::uint32_t offset = 0;
    context->IASetVertexBuffers(0, 1, vertexBuffers, &stride, &offset);
    context->IASetIndexBuffer(quadIndexBuffer.get(), gpu::Format::R16_UINT, 0);
    context->IASetPrimitiveTopology(gpu::PrimitiveTopology::TriangleList);
    context->VSSetShader(quadProgram.vertexShader());
    context->GSSetShader(nullptr);
    context->DSSetShader(nullptr);
    context->HSSetShader(nullptr);
}

void PostProcessorBase::resize(std::uint32_t newWidth, std::uint32_t newHeight) {
    width = newWidth;
    height = newHeight;
}

void PostProcessorBase::viewSize(const gpu::ShaderResourceView* view, float size[2]) {
    if (!view) {
        mipSize(nullptr, 0, size);
        return;
    }
    const gpu::ShaderResourceViewDesc& desc = view->GetDesc();
    std::uint32_t mip = 0;
    if (desc.ViewDimension == gpu::SrvDimension::Texture2D) mip = desc.Texture2D.MostDetailedMip;
    if (desc.ViewDimension == gpu::SrvDimension::Texture2DArray) mip = desc.Texture2DArray.MostDetailedMip;
    mipSize(view->GetResource(), mip, size);
}

void PostProcessorBase::viewSize(const gpu::RenderTargetView* view, float size[2]) {
    if (!view) {
        mipSize(nullptr, 0, size);
        return;
    }
    const gpu::RenderTargetViewDesc& desc = view->GetDesc();
    std::uint32_t mip = 0;
    if (desc.ViewDimension == gpu::RtvDimension::Texture2D) mip = desc.Texture2D.MipSlice;
    if (desc.ViewDimension == gpu::RtvDimension::Texture2DArray) mip = desc.Texture2DArray.MipSlice;
    mipSize(view->GetResource(), mip, size);
}

void PostProcessorBase::drawPass(gpu::PixelShader* pixelShader) {
    const auto outputCount = static_cast<std::uint32_t>(outputs.size());
    const auto inputCount = static_cast<std::uint32_t>(inputs.size());
    context->OMSetRenderTargets(outputCount, outputs.data(), nullptr);
    context->PSSetShaderResources(0, inputCount, inputs.data());

    // Entries of inputs the pass does not have stay unwritten.
    float outputSize[2] = {0.0f, 0.0f};
    if (!outputs.empty()) viewSize(outputs.front(), outputSize);
    gpu::MappedSubresource mapped;
    if (passConstants && gpu::succeeded(context->Map(passConstants.get(), 0, gpu::MapType::WriteDiscard, 0, &mapped)) &&
        mapped.pData) {
        auto* bytes = static_cast<std::uint8_t*>(mapped.pData);
        for (std::uint32_t i = 0; i < inputCount && i < 4; ++i) {
            float size[2];
            viewSize(inputs[i], size);
            std::memcpy(bytes + offsetof(PassConstants, inputSize) + i * sizeof(size), size, sizeof(size));
        }
        std::memcpy(bytes + offsetof(PassConstants, outputSize), outputSize, sizeof(outputSize));
        context->Unmap(passConstants.get(), 0);
    }
    gpu::Buffer* const constants[1] = {passConstants.get()};
    context->PSSetConstantBuffers(0, 1, constants);

    gpu::Viewport viewports[gpu::kViewportSlots];
    for (gpu::Viewport& viewport : viewports) viewport = {0.0f, 0.0f, outputSize[0], outputSize[1], 0.0f, 1.0f};
    context->RSSetViewports(std::min(outputCount, gpu::kViewportSlots), viewports);

    context->PSSetShader(pixelShader);
    context->DrawIndexed(6, 0, 0);

    PostPassObserver::Pass pass;
    if (passObserver) {
        pass.shader = pixelShader;
        pass.inputCount = std::min<std::uint32_t>(inputCount, 16);
        std::copy_n(inputs.begin(), pass.inputCount, pass.inputs);
        pass.outputCount = std::min<std::uint32_t>(outputCount, 8);
        std::copy_n(outputs.begin(), pass.outputCount, pass.outputs);
    }
    inputs.clear();
    outputs.clear();
    // No input stays bound, so the next pass may write a texture this one read.
    gpu::ShaderResourceView* const nullViews[16] = {};
    context->PSSetShaderResources(0, 16, nullViews);
    if (passObserver) passObserver->passDrawn(*this, pass);
}

void PostProcessorBase::runPass(gpu::PixelShader* pixelShader,
                                std::initializer_list<gpu::ShaderResourceView*> passInputs,
                                gpu::RenderTargetView* output) {
    inputs.insert(inputs.end(), passInputs.begin(), passInputs.end());
    outputs.push_back(output);
    drawPass(pixelShader);
}

ShaderProgram PostProcessorBase::loadPassProgram(gpu::Device* passDevice, const char* key) const {
    ShaderProgram program(passDevice);
    const std::u16string* path = manifest.findPixelShader(key);
    const std::u16string source = path ? *path : std::u16string();
    program.loadPixelShader(source.c_str(), "p");
    return program;
}

void PostProcessorBase::createIntermediate(RenderTarget& target) const {
    target.create(device, width, height, gpu::Format::R16G16B16A16_FLOAT, 1, 1, 0, false, false, 1);
}
