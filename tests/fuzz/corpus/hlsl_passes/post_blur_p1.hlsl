// Bloom, pass 1: the first directional blur of the bright parts (B0 to B1).

#include "post_bloom_common.hlsli"

float4 main(QuadPixel input) : SV_TARGET
{
    return float4(directionalBlur(input.texCoord, samplesx, directionx, powerx), 1.0);
}
