// Depth of field, pass 5: horizontal half of the wide blur (D1 to D0).

#include "post_dof_common.hlsli"

float4 main(QuadPixel input) : SV_TARGET
{
    return wideLevelBlur(input.texCoord, float2(1.0, 0.0));
}
