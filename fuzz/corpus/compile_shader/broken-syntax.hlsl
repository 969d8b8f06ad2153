0float4 main(float4 p : POSITION) : POSITION {
  float4 x = (p + ;
  return x;
