cbuffer C : register(b0) { float3 A : packoffset(c0); float B : packoffset(c1.x); float C : packoffset(c1.y);
  float D : packoffset(c3.w); float4 F : packoffset(c2); float2x3 M[2]; };
float4 main(float4 p : SV_Position) : SV_Target { return float4(A, B) + F * C + D + M[1][0].xyzx; }
