0float f(float x) { return x < 1 ? x : f(x - 1); }
float4 main(float4 p : POSITION) : POSITION { return f(p.x); }
