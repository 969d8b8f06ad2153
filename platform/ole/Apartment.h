// Which threads have entered COM (CoInitializeEx) and with which threading model.
#pragma once

#include <objbase.h>

namespace zrq::ole {

class Apartment {
public:
  // CoInitializeEx's results: S_OK, S_FALSE, RPC_E_CHANGED_MODE.
  static HRESULT Enter(DWORD coInit);
  // True when this was the last thread in COM.
  static bool Leave();
  // Whether this thread may create objects: it entered COM, or some thread entered the
  // multithreaded apartment, which every thread of the process then belongs to.
  static bool MayCreateObjects();
};

} // namespace zrq::ole
