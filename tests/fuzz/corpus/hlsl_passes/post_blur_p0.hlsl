// Bloom, pass 0: bright pass. Four bilinear taps, each between two texels on either diagonal, average a 5 x 5
// block (less its middle row and column) so that single bright pixels neither flicker nor break up into copies
// between the blur passes' point taps; then a soft threshold keeps what is brighter than `size`.

#include "post_bloom_common.hlsli"

float4 main(QuadPixel input) : SV_TARGET
{
    float2 texel = 1.5 / inputSize0;
    float3 colour = 0.25 * (bloomSource.SampleLevel(linearSampler, input.texCoord + texel * float2(-1.0, -1.0), 0).rgb +
                            bloomSource.SampleLevel(linearSampler, input.texCoord + texel * float2(1.0, -1.0), 0).rgb +
                            bloomSource.SampleLevel(linearSampler, input.texCoord + texel * float2(-1.0, 1.0), 0).rgb +
                            bloomSource.SampleLevel(linearSampler, input.texCoord + texel * float2(1.0, 1.0), 0).rgb);
    float brightness = max(colour.r, max(colour.g, colour.b));
    float knee = 0.5 * saturate(smooth) + 0.005;
    float keep = smoothstep(size - knee, size + knee, brightness);
    return float4(colour * keep, 1.0);
}
