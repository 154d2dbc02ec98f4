// The scene pass ("DefaultEngine"): the per-object and lights blocks, the vertex layout and what the vertex
// shader hands the pixel shader. Matrices arrive row-major in the row-vector convention: mul(vector, matrix).

#ifndef DEFAULT_ENGINE_COMMON_HLSLI
#define DEFAULT_ENGINE_COMMON_HLSLI

cbuffer ObjectConstants : register(b0)
{
    row_major float4x4 worldViewProjection;
    row_major float4x4 world;
    float4 materialDiffuse;   // w = -1: read the diffuse texture (t0) instead
    float4 materialAmbient;
    float4 materialSpecular;  // w = -1: read the specular texture (t1) instead
    float materialEmissive;   // -1: read the emissive texture (t2) instead
    float materialShininess;
    float normalMapping;      // 1: perturb the normal with the normal texture (t3)
    float objectOne;
    float4 cameraPosition;    // world space, w = 1
};

// Eight slots of three float4 each: position or direction (w = 1 point, w = 0 directional), colour,
// attenuation (constant, linear, quadratic).
cbuffer LightConstants : register(b1)
{
    float4 lightData[24];
    int lightCount;
};

struct SceneVertex
{
    float3 position : POSITION;
    float3 normal : NORMAL;
    float3 tangent : TANGENT;
    float3 bitangent : BINORMAL;
    float2 texCoord : TEXCOORD0;
};

struct ScenePixel
{
    float4 position : SV_POSITION;
    float2 texCoord : TEXCOORD0;
    float3 worldPosition : TEXCOORD1;
    float3 normal : TEXCOORD2;
    float3 tangent : TEXCOORD3;
    float3 bitangent : TEXCOORD4;
};

#endif
