// Depth of field: the parameter block and the blur shared by the six blur passes.
//
// Every target of the effect carries colour in rgb and the pixel's own circle of confusion in alpha, signed:
// negative in front of the focal plane, positive behind it, its size from 0 (sharp) to 1 (most blurred). Pass 0
// writes both; the blur passes blur the colour and pass the alpha through, so the combine pass can read each
// pixel's circle of confusion from any of its inputs.

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

// Pixel radius of the widest blur of each pair of passes; the variable-radius pair reaches kMediumRadius.
static const float kMediumRadius = 10.0;
static const float kWideRadius = 26.0;

// Gaussian-like weights of the nine taps -4..4 and of the thirteen taps -6..6.
static const float kWeights9[5] = { 1.0, 0.8825, 0.6065, 0.3247, 0.1353 };
static const float kWeights13[7] = { 1.0, 0.9231, 0.7261, 0.4868, 0.2780, 0.1353, 0.0561 };

// Out-of-focus pixels should not gather the colour of sharp neighbours (it would halo around sharp
// silhouettes), so a tap counts in proportion to its own blur.
float tapWeight(float baseWeight, float tapCoc)
{
    return baseWeight * (0.05 + abs(tapCoc));
}

// Blur along `axis` (one pixel long) with nine taps spread over +-radius pixels.
float4 blur9(float2 texCoord, float2 axis, float radius)
{
    float4 centre = dofSource.SampleLevel(pointSampler, texCoord, 0);
    float2 stepUv = axis * (radius / 4.0) / inputSize0;
    float3 sum = centre.rgb * tapWeight(kWeights9[0], centre.a);
    float total = tapWeight(kWeights9[0], centre.a);
    [unroll]
    for (int i = 1; i <= 4; ++i)
    {
        float4 a = dofSource.SampleLevel(linearSampler, texCoord + stepUv * i, 0);
        float4 b = dofSource.SampleLevel(linearSampler, texCoord - stepUv * i, 0);
        float wa = tapWeight(kWeights9[i], a.a);
        float wb = tapWeight(kWeights9[i], b.a);
        sum += a.rgb * wa + b.rgb * wb;
        total += wa + wb;
    }
    return float4(sum / total, centre.a);
}

// Blur along `axis` with thirteen taps spread over +-radius pixels.
float4 blur13(float2 texCoord, float2 axis, float radius)
{
    float4 centre = dofSource.SampleLevel(pointSampler, texCoord, 0);
    float2 stepUv = axis * (radius / 6.0) / inputSize0;
    float3 sum = centre.rgb * tapWeight(kWeights13[0], centre.a);
    float total = tapWeight(kWeights13[0], centre.a);
    [unroll]
    for (int i = 1; i <= 6; ++i)
    {
        float4 a = dofSource.SampleLevel(linearSampler, texCoord + stepUv * i, 0);
        float4 b = dofSource.SampleLevel(linearSampler, texCoord - stepUv * i, 0);
        float wa = tapWeight(kWeights13[i], a.a);
        float wb = tapWeight(kWeights13[i], b.a);
        sum += a.rgb * wa + b.rgb * wb;
        total += wa + wb;
    }
    return float4(sum / total, centre.a);
}

// The first pair blurs each pixel by its own circle of confusion, from sharp (0) to kMediumRadius (0.5 and
// above), so that the combine pass can go on from there with the fixed medium and wide blurs.
float4 variableBlur(float2 texCoord, float2 axis)
{
    float4 centre = dofSource.SampleLevel(pointSampler, texCoord, 0);
    float radius = kMediumRadius * saturate(abs(centre.a) * 2.0);
    // Sharp pixels are usually most of the picture: skip their taps.
    [branch]
    if (radius < 0.1)
    {
        return centre;
    }
    return blur9(texCoord, axis, radius);
}

#endif
