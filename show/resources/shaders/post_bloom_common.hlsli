// Bloom: the parameter block and the directional blur of its two blur passes.

#ifndef POST_BLOOM_COMMON_HLSLI
#define POST_BLOOM_COMMON_HLSLI

#include "post_common.hlsli"

cbuffer BloomParameters : register(b1)
{
    float smooth;           // softness of the brightness threshold: 0 hard cut, 1 very gradual
    float size;             // brightness threshold: 0 everything glows, 1 only the brightest highlights
    float samplesx;         // reach of the first blur: 0 none, 0.1 about 2 percent of the height, 1 a long streak
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
static const int kHalfTaps = 6;

// Thirteen taps along the direction `turn` (fraction of a half turn), spread over samples x 20 percent of the
// output height on each side; `power` sharpens the weights from flat towards the centre tap alone.
float3 directionalBlur(float2 texCoord, float samples, float turn, float power)
{
    float angle = turn * kPi;
    float reach = saturate(samples) * 0.2 * outputSize.y;
    float2 stepUv = float2(cos(angle), sin(angle)) * (reach / kHalfTaps) / inputSize0;
    float exponent = exp2(lerp(-1.0, 5.0, saturate(power)));
    float3 sum = bloomSource.SampleLevel(linearSampler, texCoord, 0).rgb;
    float total = 1.0;
    [unroll]
    for (int i = 1; i <= kHalfTaps; ++i)
    {
        float weight = pow(1.0 - float(i) / (kHalfTaps + 1), exponent);
        sum += (bloomSource.SampleLevel(linearSampler, texCoord + stepUv * i, 0).rgb +
                bloomSource.SampleLevel(linearSampler, texCoord - stepUv * i, 0).rgb) * weight;
        total += 2.0 * weight;
    }
    return sum / total;
}

#endif
