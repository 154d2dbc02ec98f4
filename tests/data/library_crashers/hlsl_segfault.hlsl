// A mutated line of a pixel shader that crashes the HLSL front end of glslang 12.0.0 (Debian 12).
static const float3 kSky[Ambient = float3(0.045, 0.05, 0.065);
float4 main() : SV_Target { return float4(kSky, 1.0); }
