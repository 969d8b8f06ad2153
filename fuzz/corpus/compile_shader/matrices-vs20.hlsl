1float4x4 world : register(c8);
row_major float3x3 normals;
float4 palette[4] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
struct In { float4 p : POSITION; float3 n : NORMAL; float4 c : COLOR0; };
struct Out { float4 p : POSITION; float4 c : COLOR0; float f : FOG; float2 t : TEXCOORD3; };
Out main(In i) {
  Out o;
  o.p = mul(i.p, world);
  float3 n = mul(normals, i.n);
  o.c = palette[2] * dot(n, n) + i.c.bgra;
  o.f = pow(abs(o.p.z), 0.5) + exp(-1) + log(2) + step(0, i.p.x);
  int k = (int)i.p.w % 3;
  o.t = float2(k, 7 / 2) + transpose((float2x2)world)[1] + i.n.xy * (i.c.x == 0 ? 1 : 2);
  return o;
}
