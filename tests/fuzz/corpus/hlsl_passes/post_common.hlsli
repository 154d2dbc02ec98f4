// Shared by the quad vertex shader and every post-processing pass.

#ifndef POST_COMMON_HLSLI
#define POST_COMMON_HLSLI

// Sizes in pixels of the pass's inputs t0..t3 and of its output, written before every pass.
cbuffer PassConstants : register(b0)
{
    float2 inputSize0;
    float2 inputSize1;
    float2 inputSize2;
    float2 inputSize3;
    float2 outputSize;
    float2 passConstantsUnused;
};

SamplerState pointSampler : register(s0);
SamplerState linearSampler : register(s1);

// What the quad vertex shader hands every pass; texCoord (0, 0) is the top-left corner of the screen.
struct QuadPixel
{
    float4 position : SV_POSITION;
    float2 texCoord : TEXCOORD0;
};

static const float3 kLumaWeights = float3(0.2126, 0.7152, 0.0722);

float luminance(float3 colour)
{
    return dot(colour, kLumaWeights);
}

// Position from the screen centre, scaled so that the corners lie at distance 1 whatever the aspect ratio.
float2 centredPosition(float2 texCoord, float2 size)
{
    float aspect = size.x / max(size.y, 1.0);
    float2 p = (texCoord - 0.5) * 2.0 * float2(aspect, 1.0);
    return p / sqrt(aspect * aspect + 1.0);
}

// One stateless hash of a pixel and a seed, evenly spread over [0, 1).
float hashPixel(float2 pixel, float seed)
{
    uint3 v = uint3(uint2(pixel), asuint(seed));
    v = v * 1664525u + 1013904223u;
    v.x += v.y * v.z;
    v.y += v.z * v.x;
    v.z += v.x * v.y;
    v ^= v >> 16u;
    v.x += v.y * v.z;
    return float(v.x & 0x00FFFFFFu) / 16777216.0;
}

#endif
