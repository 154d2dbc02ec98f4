// Depth of field, pass 3: horizontal half of the medium blur and of the foreground's spread (D1 to D0).

#include "post_dof_common.hlsli"

float4 main(QuadPixel input) : SV_TARGET
{
    return mediumLevelBlur(input.texCoord, float2(1.0, 0.0), true);
}
