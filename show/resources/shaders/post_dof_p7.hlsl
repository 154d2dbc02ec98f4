// Depth of field, pass 7: picks the blur level by each pixel's circle of confusion.
// t0 D1 wide blur, t1 D2 medium blur, t2 D3 per-pixel blur (sharp at 0, medium at 0.5).

#include "post_dof_common.hlsli"

Texture2D<float4> mediumBlur : register(t1);
Texture2D<float4> nearBlur : register(t2);

float4 main(QuadPixel input) : SV_TARGET
{
    float4 nearLevel = nearBlur.SampleLevel(pointSampler, input.texCoord, 0);
    float coc = nearLevel.a;
    float3 colour = nearLevel.rgb;
    if (coc > 0.5)
    {
        float3 medium = mediumBlur.SampleLevel(pointSampler, input.texCoord, 0).rgb;
        float3 wide = dofSource.SampleLevel(pointSampler, input.texCoord, 0).rgb;
        colour = lerp(medium, wide, saturate(coc * 2.0 - 1.0));
    }
    return float4(colour, 1.0);
}
