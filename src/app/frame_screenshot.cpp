#include "app/frame_screenshot.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "base/png_encoding.h"
#include "render/graphics_context.h"

bool writeFrameScreenshot(GraphicsContext& graphics, const std::string& file, std::string* error) {
    if (!graphics.backBufferTexture) {
        *error = "there is no back buffer to read";
        return false;
    }
    const gpu::Texture2DDesc desc = gpu::Texture2D::readBackDesc(graphics.backBufferTexture->GetDesc());
    gpu::Ref<gpu::Texture2D> staging;
    if (gpu::failed(graphics.device->CreateTexture2D(desc, nullptr, &staging))) {
        *error = "cannot create a texture to read the frame back";
        return false;
    }
    gpu::DeviceContext* context = graphics.immediateContext;
    context->CopyResource(staging.get(), graphics.backBufferTexture.get());
    gpu::MappedSubresource mapped;
    if (gpu::failed(context->Map(staging.get(), 0, gpu::MapType::Read, 0, &mapped)) || !mapped.pData) {
        *error = "cannot read the frame back";
        return false;
    }
    std::vector<std::uint8_t> rgba(std::size_t(desc.Width) * desc.Height * 4);
    const auto* rows = static_cast<const std::uint8_t*>(mapped.pData);
    for (std::uint32_t y = 0; y < desc.Height; ++y) {
        std::copy_n(rows + std::size_t(y) * mapped.RowPitch, std::size_t(desc.Width) * 4,
                    rgba.data() + std::size_t(y) * desc.Width * 4);
    }
    context->Unmap(staging.get(), 0);
    // The picture is opaque whatever its alpha says.
    for (std::size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;
    return writePngFile(file, rgba.data(), desc.Width, desc.Height, error);
}

std::string screenshotFileName(double seconds) {
    const auto millis = static_cast<long long>(std::llround(std::max(seconds, 0.0) * 1000.0));
    char stem[64];
    std::snprintf(stem, sizeof stem, "frame-%02lld-%02lld.%03lld", millis / 60000, millis / 1000 % 60, millis % 1000);
    std::string name = std::string(stem) + ".png";
    for (int copy = 2; std::filesystem::exists(name); ++copy) name = std::string(stem) + "-" + std::to_string(copy) + ".png";
    return name;
}
