3vs_2_0
defi i0, 4, -1, 1, 0
defb b3, true
dcl_texcoord v0
rep i0
add r0, r0, c0
endrep
if b3
abs r1, -r0
else
mova a0.x, r0.x
mov r1, c3[a0.y]
endif
loop aL, i0
mov r2, c1[aL.x]
endloop
if_lt r0.x, r1.y
break
endif
call l2
ret
label l2
mov oPos, r0
