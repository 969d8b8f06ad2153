2float4 main(float4 c : COLOR0) : COLOR { return c * missing; }
