struct S { float4 a; float2 b; };
static const S table[2] = { 1, 2, 3, 4,uniformfloat---------------------------------------------------------------4(7, 8, 9, 10), float2(11, 12) };
static const float3x3 ro&t = { 1, 0, 0, 0, 1, 0, 0, 0, 1 const S table[2] = { 1, 2, 3, 4,uniformfloat4(7, 8, 9, 10), float2(11, 12) };
statable[uuu1].b.xyxy + mul(rot, uv.xyx).xyzz; }
