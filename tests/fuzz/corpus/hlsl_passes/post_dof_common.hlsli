// Depth of field: the parameter block and the blurs shared by the six blur passes.
//
// Every target of the effect carries colour in rgb and, in alpha, the pixel's own circle of confusion, signed:
// negative in front of the focal plane, positive behind it, its size from 0 (sharp) to 1 (most blurred). Pass 0
// writes both; the variable and wide blurs pass the alpha through. The medium pair instead spreads the
// foreground's circles of confusion (the largest -coc nearby) for the combine pass, which lets a blurred
// foreground cover what lies behind it.
//
// All taps are point samples (those of the fixed blurs on whole texels): on the software rasteriser a bilinear
// fetch of a half-float target costs more than two point fetches, and the taps lie close enough for the blur
// not to break up.

#ifndef POST_DOF_COMMON_HLSLI
#define POST_DOF_COMMON_HLSLI

#include "post_common.hlsli"

cbuffer DepthOfFieldParameters : register(b1)
{
    float aperture;  // how quickly the blur grows away from the focal plane: 0 keeps everything sharp
    float focus;     // focal plane on the depth scale below: 0 near clip plane, 0.5 mid distance, 1 far plane
    float limit;     // largest circle of confusion allowed: 0 no blur at all, 1 the widest blur
};

Texture2D<float4> dofSource : register(t0);

// Pixel radius of the variable blur at its widest (circle of confusion 0.5 and above; the medium blur reaches
// 10 pixels), and of the wide blur. Just under 10, so that the variable blur's taps never fall on a texel edge,
// where rounding would pick texels unevenly.
static const float kMediumRadius = 9.8;
static const float kWideRadius = 26.0;

// Gaussian weights of the nine taps -4..4 spread evenly over the radius.
static const float kWeights9[5] = { 1.0, 0.8825, 0.6065, 0.3247, 0.1353 };
// The fixed blurs on whole texels: offsets in pixels and Gaussian weights (sigma 5 and 10.8 pixels).
static const float kMediumOffsets[5] = { 0.0, 2.0, 5.0, 7.0, 10.0 };
static const float kMediumWeights[5] = { 1.0, 0.9231, 0.6065, 0.3753, 0.1353 };
static const float kWideOffsets[7] = { 0.0, 4.0, 9.0, 13.0, 17.0, 22.0, 26.0 };
static const float kWideWeights[7] = { 1.0, 0.9337, 0.7066, 0.4846, 0.2897, 0.1256, 0.0551 };
// The same weights as exp2(offset^2 * kWideExponent): -1 / (2 sigma^2 ln 2).
static const float kWideExponent = -1.0 / (2.0 * 10.8 * 10.8 * 0.6931472);

// Out-of-focus pixels should not gather the colour of sharp neighbours (it would halo around sharp
// silhouettes), so a tap counts in proportion to its own blur.
float tapWeight(float baseWeight, float tapCoc)
{
    return baseWeight * (0.05 + abs(tapCoc));
}

float4 tap(float2 texCoord, float2 offsetUv)
{
    return dofSource.SampleLevel(pointSampler, texCoord + offsetUv, 0);
}

// Blur along `axis` (one pixel long) with nine taps spread over +-radius pixels around `centre`.
float4 blur9(float2 texCoord, float4 centre, float2 axis, float radius)
{
    float2 stepUv = axis * (radius / 4.0) / inputSize0;
    float3 sum = centre.rgb * tapWeight(kWeights9[0], centre.a);
    float total = tapWeight(kWeights9[0], centre.a);
    [unroll]
    for (int i = 1; i <= 4; ++i)
    {
        float4 a = tap(texCoord, stepUv * i);
        float4 b = tap(texCoord, -stepUv * i);
        float wa = tapWeight(kWeights9[i], a.a);
        float wb = tapWeight(kWeights9[i], b.a);
        sum += a.rgb * wa + b.rgb * wb;
        total += wa + wb;
    }
    return float4(sum / total, centre.a);
}

// The wide blur: thirteen taps over +-kWideRadius pixels.
float4 wideLevelBlur(float2 texCoord, float2 axis)
{
    float4 centre = tap(texCoord, 0.0);
    float2 pixelUv = axis / inputSize0;
    float3 sum = centre.rgb * tapWeight(1.0, centre.a);
    float total = tapWeight(1.0, centre.a);
    [unroll]
    for (int i = 1; i <= 6; ++i)
    {
        float4 a = tap(texCoord, pixelUv * kWideOffsets[i]);
        float4 b = tap(texCoord, -pixelUv * kWideOffsets[i]);
        float wa = tapWeight(kWideWeights[i], a.a);
        float wb = tapWeight(kWideWeights[i], b.a);
        sum += a.rgb * wa + b.rgb * wb;
        total += wa + wb;
    }
    return float4(sum / total, centre.a);
}

// The wide blur's second pass, which only the combine pass reads, at this pixel alone, and only where the
// circle of confusion passes 0.5: elsewhere it hands on the first pass's result. A loop, since that is the one
// way the software rasteriser skips work: it runs as many rounds as the most any pixel of a block needs.
float4 wideLevelBlurWhereUsed(float2 texCoord, float2 axis)
{
    float4 centre = tap(texCoord, 0.0);
    int taps = abs(centre.a) > 0.5 ? 6 : 0;
    // The loop's first round runs even where no pixel needs it: its taps then read the centre, from the cache.
    float2 pixelUv = taps > 0 ? axis / inputSize0 : 0.0;
    float3 sum = centre.rgb * tapWeight(1.0, centre.a);
    float total = tapWeight(1.0, centre.a);
    [loop]
    for (int i = 1; i <= taps; ++i)
    {
        // kWideOffsets and kWideWeights worked out: indexing an array by a loop counter costs more here.
        float offset = floor(i * (kWideRadius / 6.0) + 0.5);
        float weight = exp2(offset * offset * kWideExponent);
        float4 a = tap(texCoord, pixelUv * offset);
        float4 b = tap(texCoord, -pixelUv * offset);
        float wa = tapWeight(weight, a.a);
        float wb = tapWeight(weight, b.a);
        sum += a.rgb * wa + b.rgb * wb;
        total += wa + wb;
    }
    return float4(sum / total, centre.a);
}

// The medium blur: nine taps over +-10 pixels. Its alpha is the largest foreground circle of confusion (-coc)
// among its taps, so that the pair also spreads the foreground 10 pixels out, in a square. `fromCoc` is
// false for the second pass, whose taps carry the first pass's spread instead of their own circle of
// confusion: it weighs them evenly.
float4 mediumLevelBlur(float2 texCoord, float2 axis, bool fromCoc)
{
    float4 centre = tap(texCoord, 0.0);
    float2 pixelUv = axis / inputSize0;
    float centreWeight = fromCoc ? tapWeight(1.0, centre.a) : 1.0;
    float3 sum = centre.rgb * centreWeight;
    float total = centreWeight;
    float spread = fromCoc ? -centre.a : centre.a;
    [unroll]
    for (int i = 1; i <= 4; ++i)
    {
        float4 a = tap(texCoord, pixelUv * kMediumOffsets[i]);
        float4 b = tap(texCoord, -pixelUv * kMediumOffsets[i]);
        float wa = fromCoc ? tapWeight(kMediumWeights[i], a.a) : kMediumWeights[i];
        float wb = fromCoc ? tapWeight(kMediumWeights[i], b.a) : kMediumWeights[i];
        sum += a.rgb * wa + b.rgb * wb;
        total += wa + wb;
        spread = fromCoc ? max(spread, max(-a.a, -b.a)) : max(spread, max(a.a, b.a));
    }
    return float4(sum / total, spread);
}

// The first pair blurs each pixel by its own circle of confusion, from sharp (0) to kMediumRadius (0.5 and
// above), so that the combine pass can go on from there with the fixed medium and wide blurs.
float4 variableBlur(float2 texCoord, float2 axis)
{
    float4 centre = tap(texCoord, 0.0);
    return blur9(texCoord, centre, axis, kMediumRadius * saturate(abs(centre.a) * 2.0));
}

#endif
