// The frame of every registry call: the thread's problem starts empty, and nothing thrown
// inside leaves the call.
#pragma once

#include <new>

#include "platform/registry/RegistryStore.h"

namespace zrq::registry {

template <typename Body> LSTATUS RegistryCall(Body &&body) noexcept {
  try {
    RegistryStore::ClearProblem();
    return body();
  } catch (const std::bad_alloc &) {
    return ERROR_OUTOFMEMORY;
  } catch (...) {
    return ERROR_INVALID_DATA;
  }
}

} // namespace zrq::registry
