// Exported functions and window procedures let no exception out: running out of memory on the
// way fails the call instead, with ERROR_NOT_ENOUGH_MEMORY as the last error.
#pragma once

#include <winbase.h>

#include <new>

namespace zrq::ui {

template <typename Result, typename Body>
Result CatchAllocation(Result failure, Body &&body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc &) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return failure;
  }
}

} // namespace zrq::ui
