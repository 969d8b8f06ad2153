0float f(float x) {; }
float4 main(float4 p : POSITION) { return f(p.x); }
