// Depth of field, pass 4: vertical half of the medium blur and of the foreground's spread (D0 to D2).

#include "post_dof_common.hlsli"

float4 main(QuadPixel input) : SV_TARGET
{
    return mediumLevelBlur(input.texCoord, float2(0.0, 1.0), false);
}
