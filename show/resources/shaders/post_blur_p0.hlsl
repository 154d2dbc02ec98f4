// Bloom, pass 0: bright pass. A 4 x 4 box prefilter (four bilinear taps) keeps single bright pixels from
// flickering, then a soft threshold keeps what is brighter than `size`.

#include "post_bloom_common.hlsli"

float4 main(QuadPixel input) : SV_TARGET
{
    float2 texel = 1.0 / inputSize0;
    float3 colour = 0.25 * (bloomSource.SampleLevel(linearSampler, input.texCoord + texel * float2(-1.0, -1.0), 0).rgb +
                            bloomSource.SampleLevel(linearSampler, input.texCoord + texel * float2(1.0, -1.0), 0).rgb +
                            bloomSource.SampleLevel(linearSampler, input.texCoord + texel * float2(-1.0, 1.0), 0).rgb +
                            bloomSource.SampleLevel(linearSampler, input.texCoord + texel * float2(1.0, 1.0), 0).rgb);
    float brightness = max(colour.r, max(colour.g, colour.b));
    float knee = 0.5 * saturate(smooth) + 0.005;
    float keep = smoothstep(size - knee, size + knee, brightness);
    return float4(colour * keep, 1.0);
}
