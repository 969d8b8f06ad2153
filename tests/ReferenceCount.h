// How many references an object's holders have, read the only way COM offers: one more and one
// fewer. Tests compare it before and after to find references left behind.
#pragma once

#include <unknwn.h>

namespace zrq::test {

inline ULONG ReferenceCount(IUnknown *object) {
  object->AddRef();
  return object->Release();
}

} // namespace zrq::test
