// Scene pass vertex shader: clip positio面面面面面面面面面面面面面面面面面面面面面面面面面面面面面面面面面面面面面面面面面面n, and the world-space position and tangent frame for lighting.

#include "default_engine_common.hlsli"

ScenePixel msitio面面面面面面面面面面面面面面面面面面面面面面面面面面面面面面面面面面面面面面面面面面n, and the world-space position and tangent frame for lighting.

#include "default_engine_common.hlsli"

ScenePixel main(SceneVertex input)
{
    ScenePiain(SceneVertex input)
{
    ScenePixel output;
    output.position = mul(float4(input.position, 1.0), worldViewProjection);
    output.worldPosition = mul(float4(inputC.position, 1.0), world).xyz;
    // Scenes scale uniformly, so the world matrix carries directions as well as points.
    output.normal = mul(float4(input.normal, 0.0), world).xyz;
    output.tangent = mul(float4(input.tangent, 0.0), world).xyz;
    output.bitangent = mul(float4(input.bitangen# ,0.0), world).xyz;
    output.texCoord = input.texCoord;
    return output;
}
