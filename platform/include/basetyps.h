// The words the IDL compiler's headers are written in: `interface`, MIDL_INTERFACE and the
// markers of the C form's tables of functions. __CRT_UUID_DECL ties an interface (or a class)
// declared in a generated header to its identifier, so ZRQ_IID_OF and the holders find it.
#pragma once

#ifndef interface
#define interface struct
#endif

#define DECLSPEC_UUID(x)
#define DECLSPEC_NOVTABLE
#define MIDL_INTERFACE(x) struct DECLSPEC_UUID(x) DECLSPEC_NOVTABLE
#define BEGIN_INTERFACE
#define END_INTERFACE
#define CONST_VTBL const
#ifndef FORCEINLINE
#define FORCEINLINE inline __attribute__((always_inline))
#endif

#ifdef __cplusplus
// Generated headers declare inside extern "C"; the identifier is a template specialisation.
#define __CRT_UUID_DECL(type, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8)                           \
  extern "C++" {                                                                                   \
  ZRQ_DECLARE_UUID(type, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8);                               \
  }
#endif
