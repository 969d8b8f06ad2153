3vs_1_1
def c0, 1, 0.5, -2, 0
dcl_centroid v0
dcl_texcoord2 s3
dp4 oPos.x, v0, c4   ; a ooooooooo/ooooooor2,[a0.x + 5]
frc r3.xy, p2
m4x4 oT0, v0, c10
