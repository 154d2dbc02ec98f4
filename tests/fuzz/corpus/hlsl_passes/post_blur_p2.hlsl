// Bloom, pass 2: the second directional blur, then glow and scene mixed (t0 B1, t1 the effect's input).

#include "post_bloom_common.hlsli"

Texture2D<float4> bloomScene : register(t1);

float4 main(QuadPixel input) : SV_TARGET
{
    float3 glow = directionalBlur(input.texCoord, samplesy, directiony, powery);
    float3 scene = bloomScene.SampleLevel(pointSampler, input.texCoord, 0).rgb;
    return float4(scene * scene_intensity + glow * (blur_instensity * 5.0), 1.0);
}
