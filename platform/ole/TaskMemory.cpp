// The task allocator: memory that one component allocates and another frees.
#include <objbase.h>

#include <cstdlib>

STDAPI_(LPVOID) CoTaskMemAlloc(SIZE_T cb) { return std::malloc(cb ? cb : 1); }

STDAPI_(LPVOID) CoTaskMemRealloc(LPVOID pv, SIZE_T cb) { return std::realloc(pv, cb ? cb : 1); }

STDAPI_(void) CoTaskMemFree(LPVOID pv) { std::free(pv); }
