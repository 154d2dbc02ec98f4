// Depth of field, pass 0: the scene colour with each pixel's circle of confusion in alpha.

#include "post_dof_common.hlsli"

Texture2D<float> sceneDepth : register(t1);

// Ratio of far to near clip distance assumed for the scene cameras; only the ratio matters for the depth scale.
static const float kClipRatio = 1000.0;

// Depth-buffer value (0 near, 1 far, perspective) to a distance scale that is even in log distance: 0 at the
// near plane, 1 at the far plane, 0.5 at the geometric mean of the two. Focus and blur then behave alike for
// close-ups and wide shots.
float depthScale(float bufferDepth)
{
    float viewOverNear = 1.0 / max(1.0 - bufferDepth * (1.0 - 1.0 / kClipRatio), 1.0 / kClipRatio);
    return log2(viewOverNear) / log2(kClipRatio);
}

float4 main(QuadPixel input) : SV_TARGET
{
    float3 colour = dofSource.SampleLevel(pointSampler, input.texCoord, 0).rgb;
    float depth = depthScale(sceneDepth.SampleLevel(pointSampler, input.texCoord, 0));
    // aperture 0.01 gives a gentle, photographic falloff; 1 leaves only a thin slice in focus.
    float spread = 12.0 * sqrt(saturate(aperture));
    float largest = saturate(limit);
    float coc = clamp((depth - focus) * spread, -largest, largest);

    // The blurs take point taps a few pixels apart, which would turn a small highlight into a grid of dots:
    // out-of-focus pixels are first smoothed over 2 x 2 pixels (one bilinear tap between four texels; the half
    // pixel it shifts them by is lost in their blur), sharp ones stay as they are.
    float3 smoothed = dofSource.SampleLevel(linearSampler, input.texCoord + 0.5 / inputSize0, 0).rgb;
    return float4(lerp(colour, smoothed, saturate(abs(coc) * 4.0)), coc);
}
