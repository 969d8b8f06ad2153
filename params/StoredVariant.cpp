#include "params/StoredVariant.h"

#include <cstring>

StoredVariant::StoredVariant(const VARIANT &value) noexcept {
  VariantInit(this);
  Assign(value);
}

StoredVariant::StoredVariant(const StoredVariant &other) noexcept
    : StoredVariant(static_cast<const VARIANT &>(other)) {}

StoredVariant::StoredVariant(StoredVariant &&other) noexcept {
  std::memcpy(static_cast<VARIANT *>(this), static_cast<VARIANT *>(&other), sizeof(VARIANT));
  VariantInit(&other);
}

StoredVariant &StoredVariant::operator=(const StoredVariant &other) noexcept {
  Assign(other);
  return *this;
}

StoredVariant &StoredVariant::operator=(StoredVariant &&other) noexcept {
  if (this != &other) {
    VariantClear(this);
    std::memcpy(static_cast<VARIANT *>(this), static_cast<VARIANT *>(&other), sizeof(VARIANT));
    VariantInit(&other);
  }
  return *this;
}

void StoredVariant::Assign(const VARIANT &value) noexcept {
  if (&value == this) return;
  const HRESULT hr = VariantCopy(this, &value);
  if (FAILED(hr)) {
    VariantClear(this);
    vt = VT_ERROR;
    scode = hr;
  }
}
