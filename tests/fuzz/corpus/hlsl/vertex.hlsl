struct VertexIn { float3 position : POSITION; float3 normal : NORMAL; float2 uv : TEXCOORD0; float4 unused : TEXCOORD3; };
struct VertexOut { float4 position : SV_Position; float2 uv : TEXCOORD0; };
cbuffer Object : register(b0) { float4x4 worldViewProjection; };
VertexOut main(VertexIn input, uint id : SV_VertexID) {
  VertexOut output;
  output.position = mul(float4(input.position, 1), worldViewProjection);
  output.uv = input.uv + id * 0;
  return output;
}
