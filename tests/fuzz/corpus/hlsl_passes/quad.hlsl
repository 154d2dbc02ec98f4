// Full-screen quad: clip-space positions arrive ready to use; the texture coordinate is passed through.

#include "post_common.hlsli"

struct QuadVertex
{
    float4 position : POSITION;
    float2 texCoord : TEXCOORD0;
};

QuadPixel main(QuadVertex input)
{
    QuadPixel output;
    output.position = input.position;
    output.texCoord = input.texCoord;
    return output;
}
