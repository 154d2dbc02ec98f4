// Depth of field, pass 7: picks the blur level by each pixel's circle of confusion.
// t0 D1 wide blur, t1 D2 the foreground's spread (alpha), t2 D3 per-pixel blur (sharp at 0, medium at 0.5;
// alpha: the pixel's own circle of confusion).

#include "post_dof_common.hlsli"

Texture2D<float4> foregroundSpread : register(t1);
Texture2D<float4> nearBlur : register(t2);

float4 main(QuadPixel input) : SV_TARGET
{
    float4 nearLevel = nearBlur.SampleLevel(pointSampler, input.texCoord, 0);
    float spill = foregroundSpread.SampleLevel(pointSampler, input.texCoord, 0).a;
    float3 wide = dofSource.SampleLevel(pointSampler, input.texCoord, 0).rgb;
    float coc = abs(nearLevel.a);
    // The per-pixel blur up to 0.5, then on towards the wide blur.
    float3 colour = lerp(nearLevel.rgb, wide, saturate(coc * 2.0 - 1.0));

    // A blurred object in front spreads over what lies behind it, also over sharp pixels: blend towards the
    // wide blur, in which the blurred foreground outweighs sharp pixels.
    float cover = saturate((spill - coc) * 2.0);
    return float4(lerp(colour, wide, cover), 1.0);
}
