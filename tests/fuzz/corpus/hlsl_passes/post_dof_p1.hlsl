// Depth of field, pass 1: horizontal half of the per-pixel blur (D1 to D0).

#include "post_dof_common.hlsli"

float4 main(QuadPixel input) : SV_TARGET
{
    return variableBlur(input.texCoord, float2(1.0, 0.0));
}
