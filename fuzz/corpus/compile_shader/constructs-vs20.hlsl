1struct VS_IN { float4 pos : POSITION; float3 n : NORMAL; float2 uv : TEXCOORD0; };
struct VS_OUT { float4 pos : POSITION; float4 col : COLOR0; float2 uv : TEXCOORD0; float fog : FOG; };
row_major float4x4 world;
float4x4 viewProj;
float3 lightDir = {0, 0, 1};
float4 colours[4];
static const float kScale = 2;

float shade(float3 n, out float back) {
  float d = dot(normalize(n), lightDir);
  back = d < 0 ? -d : 0;
  if (d < 0) return 0;
  return d * kScale;
}

VS_OUT main(VS_IN i) {
  VS_OUT o = (VS_OUT)0;
  float4 w = mul(i.pos, world);
  o.pos = mul(w, viewProj);
  float back;
  float s = shade(i.n, back);
  float4 c = 0;
  for (int k = 0; k < 4; k++) {
    c += colours[k] * (k + 1);
    if (k == 2) break;
  }
  o.col = c * s + back;
  o.col.a = saturate(sin(i.uv.x) + cos(i.uv.y));
  o.uv = frac(i.uv * 3) + lerp(i.uv, i.uv.yx, 0.25);
  o.fog = abs(i.pos.z) > 1 ? 1 : 0.5;
  return o;
}
