// Colour correction, the last pass into the back buffer: exposure, channel gains, saturation, vignette, tone
// mapping, then contrast, channel offsets and film grain on the display-referred image.

#include "post_common.hlsli"

cbuffer ColorCorrectParameters : register(b1)
{
    float exposure;      // 0.5 unchanged; each 0.1 is 0.6 of a stop (0 three stops darker, 1 three brighter)
    float saturation;    // 0 grey, 0.5 unchanged, 1 twice as saturated
    float vignette;      // darkening towards the corners: 0 none, 1 corners at about a fifth
    float grain;         // film grain, strongest in the mid-tones: 0 none, 1 about 6 percent
    float red;           // channel gains: 0.5 unchanged, 0 channel off, 1 doubled
    float green;
    float blue;
    float tonemap;       // at 0.5 or above a filmic (ACES) curve rolls off the highlights, below it they clip
    float red_offset;    // channel lift or crush on the display image: 0.5 none, 0 -0.1, 1 +0.1
    float green_offset;
    float blue_offset;
    float contrast;      // around mid grey: 0 flatter (x0.75), 0.5 unchanged, 1 punchier (x1.25)
    float colorUnused0;
    float colorUnused1;
    float colorUnused2;
    float colorUnused3;
};

Texture2D<float4> gradeSource : register(t0);


// Narkowicz's fit of the ACES film curve.
float3 filmic(float3 x)
{
    return saturate((x * (2.51 * x + 0.03)) / (x * (2.43 * x + 0.59) + 0.14));
}

float4 main(QuadPixel input) : SV_TARGET
{
    float3 colour = gradeSource.SampleLevel(pointSampler, input.texCoord, 0).rgb;

    colour *= exp2((exposure - 0.5) * 6.0);
    colour *= 2.0 * float3(red, green, blue);
    float luma = luminance(colour);
    colour = max(lerp(luma.xxx, colour, 2.0 * saturation), 0.0);

    float2 centred = centredPosition(input.texCoord, outputSize);
    float edge = smoothstep(0.2, 1.0, length(centred));
    colour *= 1.0 - 0.8 * saturate(vignette) * edge;

    colour = tonemap >= 0.5 ? filmic(colour) : saturate(colour);

    // Display encoding with gamma 2 (a square root and its square): pow per channel is costly on the software
    // rasteriser, and the grading needs only a perceptual scale, not the exact display curve.
    float3 display = sqrt(saturate(colour));
    display = (display - 0.5) * (0.75 + 0.5 * contrast) + 0.5;
    display += (float3(red_offset, green_offset, blue_offset) - 0.5) * 0.2;

    // Grain seeded by the pixel and by the colour under it: still where the picture is still, alive where
    // it moves.
    float seed = floor(luma * 4096.0);
    float noise = hashPixel(input.position.xy, seed) - 0.5;
    float displayLuma = luminance(display);
    float midTones = saturate(4.0 * displayLuma * (1.0 - displayLuma));
    display += noise * 0.12 * saturate(grain) * midTones;

    display = saturate(display);
    return float4(display * display, 1.0);
}
