3vs_1_1
mov r0, c0, c1
frob q9.zyx
