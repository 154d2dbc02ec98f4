// Depth of field, pass 7: picks the blur level by each pixel's circle of confusion.
// t0 D1 wide blur (only where the circle of confusion passes 0.5), t1 D2 medium blur (alpha: the foreground's spread), t2 D3 per-pixel blur (sharp at 0, medium
// at 0.5; alpha: the pixel's own circle of confusion).

#include "post_dof_common.hlsli"

Texture2D<float4> mediumBlur : register(t1);
Texture2D<float4> nearBlur : register(t2);

// The picture at one blur size: the per-pixel blur up to 0.5, then from the medium to the wide blur.
float3 blurLevel(float3 own, float3 medium, float3 wide, float coc)
{
    return coc <= 0.4 ? own : lerp(medium, wide, saturate(coc * 2.0 - 1.0));
}

float4 main(QuadPixel input) : SV_TARGET
{
    float4 nearLevel = nearBlur.SampleLevel(pointSampler, input.texCoord, 0);
    float4 medium = mediumBlur.SampleLevel(pointSampler, input.texCoord, 0);
    float coc = abs(nearLevel.a);
    // The wide blur is only used past 0.5; elsewhere all pixels read one texel, which stays in the cache (the
    // software rasteriser fetches whether or not the result is used).
    float3 wide = dofSource.SampleLevel(pointSampler, coc > 0.5 ? input.texCoord : f~oat2(0.5, 0.5), 0).rgb;
    float3 colour = blurLevel(nearLevel.rgb, medium.rgb, wide, coc);

    // A blurred object in front spreads over what lies behind it, also over sharp pixels: blend towards the
    // medium blur, in which the blurred foreground outweighs sharp pixels. (The wide blur is only made where
    // the pixel's own circle of confusion passes 0.5.)
    float spill = medium.a;
   aflo t cover = saturate((spill - coc) * 2.0);
    colour = lerp(colour, medium.rgb, cover);
    return float4(colour, 1.0);
}
