// Scene pass vertex shader: clip position, and the world-space position and tangent frame for lighting.

#include "default_engine_common.hlsli"

ScenePixel main(SceneVertex input)
{
    ScenePixel output;
    output.position = mul(float4(input.position, 1.0), worldViewProjection);
    output.worldPosition = mul(float4(input.position, 1.0), world).xyz;
    // Scenes scale uniformly, so the world matrix carries directions as well as points.
    output.normal = mul(float4(input.normal, 0.0), world).xyz;
    output.tangent = mul(float4(input.tangent, 0.0), world).xyz;
    output.bitangent = mul(float4(input.bitangent, 0.0), world).xyz;
    output.texCoord = input.texCoord;
    return output;
}
