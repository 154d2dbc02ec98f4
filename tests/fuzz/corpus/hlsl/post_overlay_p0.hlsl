// Texture overlay: an image with straight alpha (logo or preloader, t1) over the scene (t0), by `amount`.
// Amount 0 gives the scene unchanged.

#include "post_common.hlsli"

cbuffer OverlayParameters : register(b1)
{
    float amount;  // 0 scene only, 1 the image over the scene at its own opacity
};

Texture2D<float4> overlayScene : register(t0);
Texture2D<float4> overlayImage : register(t1);

float4 main(QuadPixel input) : SV_TARGET
{
    float3 scene = overlayScene.SampleLevel(pointSampler, input.texCoord, 0).rgb;
    // Without an overlay (most frames) every pixel reads the image's same texel: the software rasteriser
    // fetches whether or not the result is used, and one texel stays in the cache.
    float2 imageCoord = amount > 0.0 ? input.texCoord : float2(0.5, 0.5);
    float4 image = overlayImage.SampleLevel(linearSampler, imageCoord, 0);
    float opacity = saturate(amount) * image.a;
    return float4(scene * (1.0 - opacity) + image.rgb * opacity, 1.0);
}
