3ps_2_0
#define TEX(n) t##n
def c0, 0.5, 0x7f800000, 0xff800000, 0x7fc00000
dcl TEX(0).xy
dcl_2d s0
dcl_cube s1
texld r0, t0, s0
texldp_pp r1, r0, s1
cmp_sat r2, -r0, c0.x, r1.yzxw
dp2add r3.x, r0, r1.zxyw, c0.w
sincos r4.xy, r3.x, c1, c2
texkill r2
mov oC0, r2
