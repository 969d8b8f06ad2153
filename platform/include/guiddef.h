// GUIDs and the references to them that interfaces take.
#pragma once

#include <string.h>

#include "wtypes.h"

typedef struct _GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
} GUID;

static_assert(sizeof(GUID) == 16, "GUID is 16 bytes");

typedef GUID IID;
typedef GUID CLSID;
typedef IID *LPIID;
typedef CLSID *LPCLSID;
#ifdef __cplusplus

typedef const GUID &REFGUID;
typedef const IID &REFIID;
typedef const CLSID &REFCLSID;

#define GUID_NULL (GUID{0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}})
#define IID_NULL GUID_NULL
#define CLSID_NULL GUID_NULL

inline bool IsEqualGUID(REFGUID a, REFGUID b) { return memcmp(&a, &b, sizeof(GUID)) == 0; }
inline bool IsEqualIID(REFIID a, REFIID b) { return IsEqualGUID(a, b); }
inline bool IsEqualCLSID(REFCLSID a, REFCLSID b) { return IsEqualGUID(a, b); }
inline bool operator==(REFGUID a, REFGUID b) { return IsEqualGUID(a, b); }
inline bool operator!=(REFGUID a, REFGUID b) { return !IsEqualGUID(a, b); }

// DEFINE_GUID declares a constant GUID with a definition in every translation unit; the
// constants are inline so that one object exists per program.
#define DEFINE_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8)                               \
  inline constexpr GUID name = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}

// The IID of an interface type, for holders that query: an interface declares its IID with
// ZRQ_DECLARE_UUID after its definition.
template <typename T> struct ZrqUuidOf;
#define ZRQ_DECLARE_UUID(type, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8)                          \
  template <> struct ZrqUuidOf<type> {                                                             \
    static constexpr GUID value = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}};                   \
  }
#define ZRQ_IID_OF(type) (ZrqUuidOf<type>::value)
// The same for an interface whose IID_ constant is defined: the number is written once, in
// the DEFINE_GUID, and the declaration takes it from there.
#define ZRQ_DECLARE_UUID_OF_IID(type)                                                              \
  template <> struct ZrqUuidOf<type> { static constexpr GUID value = IID_##type; }

#else // C: references become pointers, as in the C form of every interface.

typedef const GUID *REFGUID;
typedef const IID *REFIID;
typedef const CLSID *REFCLSID;

#define IsEqualGUID(a, b) (memcmp((a), (b), sizeof(GUID)) == 0)
#define IsEqualIID(a, b) IsEqualGUID(a, b)
#define IsEqualCLSID(a, b) IsEqualGUID(a, b)

#define DEFINE_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8)                               \
  static const GUID name __attribute__((unused)) = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}
#define ZRQ_DECLARE_UUID(type, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8)
#define ZRQ_DECLARE_UUID_OF_IID(type)

#endif
