2float4 k[40];
sampler2D t : register(s3);
float4 main(float2 uv : TEXCOORD0) : COLOR {
  float4 c = tex2D(t, uv);
  for (int i = 0; i < 6; i++) c = tex2D(t, c.xy) * k[i * 7];
  return c;
}
