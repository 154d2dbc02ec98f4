// Depth of field, pass 2: vertical half of the per-pixel blur (D0 to D3).

#include "post_dof_common.hlsli"

float4 main(QuadPixel input) : SV_TARGET
{
    return variableBlur(input.texCoord, float2(0.0, 1.0));
}
