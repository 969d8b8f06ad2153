3vs_1_1
def c0, 1, 0.5, -2, 0
dcl_position v0
dcl_texcoord2 v3
dp4 oPos.x, v0, c4   ; a comment
mad r1.xy, -v3.yxzw, c0.x, r0  // another
mov r2, c[a0.x + 5]
frc r3.xy, r2
m4x4 oT0, v0, c10
