#pragma once

// The clear colour and the clearing and binding that start every frame.

#include "platform/gpu/device_context.h"
#include "render/depth_buffer.h"
#include "render/graphics_context.h"
#include "render/render_target.h"

// Passed to the clears as it is: on 8-bit normalised targets every channel clamps to 1 (opaque white).
inline constexpr float kClearColour[4] = {114.0f, 144.0f, 154.0f, 255.0f};

// Default rasterizer state, `depthLess` with stencil reference 0, the back buffer and colour target 0 cleared to
// `clearColour`, the frame depth cleared to 1, then colour target 0 and the frame depth bound. The scene follows.
void beginFrameTargets(GraphicsContext& graphics, RenderTarget& colourTarget0, DepthBuffer& frameDepth,
                       gpu::DepthStencilState* depthLess, const float clearColour[4]);

// The full-window viewport: top-left (0, 0), the size given, depth 0 to 1.
gpu::Viewport fullViewport(std::uint32_t width, std::uint32_t height);
