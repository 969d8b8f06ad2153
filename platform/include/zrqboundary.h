// The edge of an interface method or an exported function, where no C++ exception may pass:
// running out of memory comes out as E_OUTOFMEMORY, anything else as `otherwise` (E_FAIL
// unless the call has a more telling status of its own).
#pragma once

#include "winerror.h"

#ifdef __cplusplus
#include <new>
#include <utility>

template <typename Body> HRESULT ZrqComBoundary(Body &&body, HRESULT otherwise = E_FAIL) noexcept {
  try {
    return std::forward<Body>(body)();
  } catch (const std::bad_alloc &) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return otherwise;
  }
}
#endif
