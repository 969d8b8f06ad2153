2#define A(x, y) x ## y
#define S(x) #x
#if defined(A) && A(1, 0) > 5 || __LINE__
#include "missing.h"
#endif
float4 main() : COLOR { return S(A(f, loat4)); }
