// Bloom: the parameter block and the directional blur of its two blur passes.

#ifndef POST_BLOOM_COMMON_HLSLI
#define POST_BLOOM_COMMON_HLSLI

#include "post_common.hlsli"

cbuffer BloomParameters : register(b1)
{
    float smooth;           // softness of the brightness threshold: 0 hard cut, 1 very gradual
    float size;             // brightness threshold: 0 everything glows, 1 only the brightest highlights
    float samplesx;         // length of the first blur: 0 none, 0.1 a soft glow (5 taps a side), 1 a streak (24)
    float directionx;       // direction of the first blur as a half turn: 0 horizontal, 0.5 vertical
    float powerx;           // falloff of the first blur: 0 flat and wide, 1 only the centre tap (no blur)
    float samplesy;         // the same three for the second blur
    float directiony;
    float powery;
    float blur_instensity;  // strength of the glow added: 0 none, 0.2 natural, 1 five times that
    float scene_intensity;  // strength of the scene under the glow: 1 unchanged, 0 the glow alone
};

Texture2D<float4> bloomSource : register(t0);

static const float kPi = 3.14159265;
// Taps on each side at the default reach (samples 0.1), unrolled; longer blurs add taps up to the most.
static const int kBaseHalfTaps = 5;
static const int kMostHalfTaps = 24;
// Distance between taps as a fraction of the output height (about 5 pixels at 1080 lines): close enough for
// the 5 x 5 prefiltered bright pass not to break up into copies.
static const float kTapSpacing = 0.0045;

// Point taps: the bright pass is already smooth over 5 x 5 pixels, and on the software rasteriser a bilinear
// fetch of a half-float target costs more than two point fetches.
float3 tapPair(float2 texCoord, float2 offset)
{
    return bloomSource.SampleLevel(pointSampler, texCoord + offset, 0).rgb +
           bloomSource.SampleLevel(pointSampler, texCoord - offset, 0).rgb;
}

// A blur along the direction `turn` (fraction of a half turn). Up to samples 0.1 it has five taps a side whose
// spacing grows from nothing; above that the spacing stays and taps are added, up to 24 a side at samples 1.
// `power` sharpens the weights from flat towards the centre tap alone: a linear fade to the blur's end times
// a geometric falloff q^i, which follows (1 - i / (taps + 1))^e with e from 0.5 to 32 closely enough and
// needs no power function per tap.
float3 directionalBlur(float2 texCoord, float samples, float turn, float power)
{
    float angle = turn * kPi;
    samples = saturate(samples);
    int halfTaps = kBaseHalfTaps + int(max(samples - 0.1, 0.0) * 21.2);
    float spacing = kTapSpacing * saturate(samples * 10.0) * outputSize.y;
    float2 stepUv = float2(cos(angle), sin(angle)) * spacing / inputSize0;
    float exponent = exp2(lerp(-1.0, 5.0, saturate(power)));
    float falloff = 1.0 / (halfTaps + 1);
    float q = exp2((1.0 - exponent) * 2.0 * falloff);
    float3 sum = bloomSource.SampleLevel(pointSampler, texCoord, 0).rgb;
    float total = 1.0;
    float qi = 1.0;
    [unroll]
    for (int i = 1; i < kBaseHalfTaps; ++i)
    {
        qi *= q;
        float weight = (1.0 - i * falloff) * qi;
        sum += tapPair(texCoord, stepUv * i) * weight;
        total += 2.0 * weight;
    }
    // The last base tap opens the loop, so that its first round is never wasted.
    [loop]
    for (int j = kBaseHalfTaps; j <= halfTaps; ++j)
    {
        qi *= q;
        float weight = (1.0 - j * falloff) * qi;
        sum += tapPair(texCoord, stepUv * j) * weight;
        total += 2.0 * weight;
    }
    return sum / total;
}

#endif
