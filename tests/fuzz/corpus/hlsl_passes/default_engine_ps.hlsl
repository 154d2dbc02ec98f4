// Scene pass pixel shader: Blinn-Phong lighting of up to eight point and directional lights, with the
// material's colours or its diffuse, specular, emissive and normal textures.

#include "default_engine_common.hlsli"

Texture2D diffuseTexture : register(t0);
Texture2D specularTexture : register(t1);
Texture2D emissiveTexture : register(t2);
Texture2D normalTexture : register(t3);
SamplerState materialSampler : register(s0);

// A little light from everywhere, so that faces turned away from every light keep their shape.
static const float3 kSkyAmbient = float3(0.045, 0.05, 0.065);

float3 surfaceNormal(ScenePixel input, out bool lit)
{
    float3 normal = input.normal;
    lit = dot(normal, normal) > 1e-12;
    if (!lit)
        return float3(0.0, 1.0, 0.0);
    normal = normalize(normal);
    if (normalMapping > 0.5)
    {
        float3 tangentNormal = normalTexture.Sample(materialSampler, input.texCoord).xyz * 2.0 - 1.0;
        float3 tangent = input.tangent;
        float3 bitangent = input.bitangent;
        if (dot(tangent, tangent) > 1e-12 && dot(bitangent, bitangent) > 1e-12)
        {
            // Re-orthogonalise against the interpolated normal; keep the bitangent's handedness.
            tangent = normalize(tangent - normal * dot(normal, tangent));
            float handedness = dot(cross(normal, tangent), bitangent) < 0.0 ? -1.0 : 1.0;
            bitangent = cross(normal, tangent) * handedness;
            float3 perturbed = tangentNormal.x * tangent + tangentNormal.y * bitangent + tangentNormal.z * normal;
            if (dot(perturbed, perturbed) > 1e-12)
                normal = normalize(perturbed);
        }
    }
    return normal;
}

float4 main(ScenePixel input) : SV_TARGET
{
    float4 albedo = materialDiffuse;
    if (materialDiffuse.w < 0.0)
        albedo = diffuseTexture.Sample(materialSampler, input.texCoord);
    float3 specularColour = materialSpecular.rgb;
    if (materialSpecular.w < 0.0)
        specularColour = specularTexture.Sample(materialSampler, input.texCoord).rgb;
    float3 emissive = albedo.rgb * materialEmissive;
    if (materialEmissive < 0.0)
        emissive = emissiveTexture.Sample(materialSampler, input.texCoord).rgb;

    bool lit;
    float3 normal = surfaceNormal(input, lit);
    float3 toCamera = normalize(cameraPosition.xyz - input.worldPosition);
    float shininess = max(materialShininess, 1.0);
    // Normalised Blinn-Phong: sharp highlights are brighter, broad ones dimmer.
    float specularScale = (shininess + 8.0) / (8.0 * 3.14159265) * 0.25;

    float3 colour = albedo.rgb * (materialAmbient.rgb + kSkyAmbient) + emissive;
    if (lit)
    {
        int count = min(lightCount, 8);
        for (int i = 0; i < count; ++i)
        {
            float4 placement = lightData[i * 3 + 0];
            float3 lightColour = lightData[i * 3 + 1].rgb;
            float3 attenuation = lightData[i * 3 + 2].xyz;
            float3 toLight;
            float falloff = 1.0;
            if (placement.w > 0.5)
            {
                toLight = placement.xyz - input.worldPosition;
                float distance = length(toLight);
                toLight /= max(distance, 1e-4);
                float denominator = attenuation.x + attenuation.y * distance + attenuation.z * distance * distance;
                falloff = 1.0 / max(denominator, 1e-2);
            }
            else
            {
                toLight = -normalize(placement.xyz);
            }
            float diffuse = saturate(dot(normal, toLight));
            if (diffuse <= 0.0)
                continue;
            float3 halfway = normalize(toLight + toCamera);
            float specular = pow(saturate(dot(normal, halfway)), shininess) * specularScale;
            colour += (albedo.rgb * diffuse + specularColour * specular * diffuse) * lightColour * falloff;
        }
    }
    return float4(colour, albedo.a);
}
