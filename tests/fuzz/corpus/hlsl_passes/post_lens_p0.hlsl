// Lens distortion: radial (barrel or pincushion) distortion per colour channel, lateral chromatic aberration and
// zoom, in one pass from the input to the output.

#include "post_common.hlsli"

cbuffer LensDistortParameters : register(b1)
{
    float distort1;  // extra distortion of the red channel: 0.5 none, above barrel, below pincushion
    float distort2;  // the same for green
    float distort3;  // the same for blue
    float distortg;  // distortion of the whole image: 0.5 none, 1 strong barrel, 0 pincushion
    float zoom;      // 0.5 no zoom, 1 twice as close, 0 half as close (the frame's edge then shows)
    float chrom;     // lateral chromatic aberration: 0 none, 1 about 0.8 percent of the half-diagonal at the corners
};

Texture2D<float4> lensSource : register(t0);

// Radial coefficient at the knob's ends: distortg 1 (barrel) and 0 (pincushion), and per channel either way.
// Below -1/3 the lens would fold the picture over itself at the corners.
static const float kBarrelReach = 0.6;
static const float kPincushionReach = 0.3;
static const float kChannelReach = 0.08;
static const float kChromReach = 0.008;

// Samples one channel through a lens with radial coefficient k and the given extra magnification.
float sampleChannel(float2 centred, float radius2, float k, float magnify, float2 toTexCoord, uint channel)
{
    float2 source = centred * (1.0 + k * radius2) * magnify;
    float2 texCoord = source * toTexCoord + 0.5;
    // Fade to black over the last few pixels outside the frame instead of smearing the border.
    float2 outside = max(abs(texCoord - 0.5) - 0.5, 0.0) * inputSize0;
    float inside = saturate(1.0 - max(outside.x, outside.y) * 0.25);
    float4 colour = lensSource.SampleLevel(linearSampler, texCoord, 0);
    return colour[channel] * inside;
}

float4 main(QuadPixel input) : SV_TARGET
{
    float2 size = inputSize0;
    float aspect = size.x / max(size.y, 1.0);
    float norm = sqrt(aspect * aspect + 1.0);
    float2 centred = centredPosition(input.texCoord, size);
    // Back from the corner-normalised frame to texture coordinates around the centre.
    float2 toTexCoord = float2(norm / (2.0 * aspect), norm / 2.0);
    float radius2 = dot(centred, centred);

    float globalK = (distortg - 0.5) * 2.0 * (distortg > 0.5 ? kBarrelReach : kPincushionReach);
    float3 channelK = max((float3(distort1, distort2, distort3) - 0.5) * 2.0 * kChannelReach + globalK, -0.3);
    // Barrel distortion pulls the corners in from outside the frame: scale so that they stay covered.
    float cover = 1.0 / (1.0 + max(max(channelK.r, channelK.g), max(channelK.b, 0.0)));
    float magnify = cover * exp2((0.5 - zoom) * 2.0);
    float aberration = kChromReach * chrom * chrom;

    float3 colour;
    colour.r = sampleChannel(centred, radius2, channelK.r, magnify * (1.0 + aberration), toTexCoord, 0);
    colour.g = sampleChannel(centred, radius2, channelK.g, magnify, toTexCoord, 1);
    colour.b = sampleChannel(centred, radius2, channelK.b, magnify * (1.0 - aberration), toTexCoord, 2);
    return float4(colour, 1.0);
}
