// The call recorder: a list of the calls made on a device, for tests and hosts that check
// call orders.
#include "platform/d3d9/DeviceImpl.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace zrq::d3d9 {

void CallRecorder::Start() {
  std::lock_guard<std::mutex> lock(mutex_);
  calls_.clear();
  on_ = true;
}

void CallRecorder::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  calls_.clear();
}

void CallRecorder::Record(const char *method, std::initializer_list<DWORD> args, const void *object,
                          HRESULT result, const char *format, ...) {
  if (!on_) return;
  ZRQ_D3D9_CALL call{};
  call.Method = method;
  for (DWORD a : args) {
    if (call.ArgCount == ZRQ_D3D9_MAX_CALL_ARGS) break;
    call.Args[call.ArgCount++] = a;
  }
  call.Object = object;
  call.Result = result;
  const int prefix = std::snprintf(call.Text, sizeof call.Text, "%s(", method);
  if (prefix > 0 && static_cast<size_t>(prefix) < sizeof call.Text) {
    va_list list;
    va_start(list, format);
    std::vsnprintf(call.Text + prefix, sizeof call.Text - prefix, format, list);
    va_end(list);
    const size_t len = std::strlen(call.Text);
    if (len + 1 < sizeof call.Text) {
      call.Text[len] = ')';
      call.Text[len + 1] = '\0';
    }
  }
  try {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back(call);
  } catch (const std::bad_alloc &) {
    // A full memory loses the record of the call, never the call.
  }
}

UINT CallRecorder::Copy(ZRQ_D3D9_CALL *out, UINT capacity) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const UINT count = static_cast<UINT>(calls_.size());
  for (UINT i = 0; i < count && i < capacity; ++i) out[i] = calls_[i];
  return count;
}

} // namespace zrq::d3d9
