struct S { float4 a; float2 b; };
static const S table[2] = { 1, 2, 3, 4, 5, 6, float4(7, 8, 9, 10), float2(11, 12) };
static const float3x3 rot = { 1, 0, 0, 0, 1, 0, 0, 0, 1 };
float4 main(float2 uv : TEXCOORD0) : SV_Target { return table[uv.x > 0.5].a + table[1].b.xyxy + mul(rot, uv.xyx).xyzz; }
