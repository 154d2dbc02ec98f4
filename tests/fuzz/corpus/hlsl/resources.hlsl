#include "post_common.hlsli"
Texture2D tex : register(t1); SamplerState smp : register(s2); Texture2D<float> depth : register(t3);
float g[4]; int2 size; bool flags[3];
float4 main(QuadPixel input) : SV_TARGET { [unroll] for (int i = 0; i < 4; ++i) if (flags[i % 3]) return tex.Sample(smp, input.uv) * g[i]; return depth.Load(int3(size, 0)).xxxx; }
