// A reference-counted holder of one BSTR: copies share the string, the last holder frees it.
// A holder may be absent (no string at all), which is not the same as an empty string.
#pragma once

#include <oleauto.h>

#include <memory>

class SharedString {
public:
  SharedString() noexcept = default;

  // A new string with the given code units; a null text gives an absent holder.
  [[nodiscard]] static HRESULT Create(LPCOLESTR text, SharedString *out) noexcept;
  [[nodiscard]] static HRESULT Create(LPCOLESTR text, UINT length, SharedString *out) noexcept;
  // A new string with the BSTR's exact bytes; a null BSTR gives an absent holder.
  [[nodiscard]] static HRESULT FromBstr(BSTR text, SharedString *out) noexcept;

  bool IsAbsent() const noexcept { return !bstr; }
  // Absent or of length 0.
  bool IsEmpty() const noexcept { return Length() == 0; }
  UINT Length() const noexcept { return SysStringLen(bstr.get()); }
  // The held string, borrowed; null when absent.
  BSTR Get() const noexcept { return bstr.get(); }
  // A fresh copy for the caller to free; null when absent. E_OUTOFMEMORY leaves *out null.
  HRESULT CopyTo(BSTR *out) const noexcept;
  long UseCount() const noexcept { return bstr.use_count(); }

  // Equal when both are absent, or both hold the same code units.
  friend bool operator==(const SharedString &a, const SharedString &b) noexcept;

private:
  explicit SharedString(BSTR owned);
  std::shared_ptr<OLECHAR> bstr;
};
