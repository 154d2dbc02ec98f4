// Depth of field, pass 6: vertical half of the wide blur (D0 to D1).

#include "post_dof_common.hlsli"

float4 main(QuadPixel input) : SV_TARGET
{
    return wideLevelBlurWhereUsed(input.texCoord, float2(0.0, 1.0));
}
