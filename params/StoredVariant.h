// A VARIANT that owns its value. Copies go through VariantCopy; a copy that fails leaves
// VT_ERROR carrying the failure, so storing never fails and the failure stays visible to
// whoever reads the value later.
#pragma once

#include <oleauto.h>

class StoredVariant : public VARIANT {
public:
  StoredVariant() noexcept { VariantInit(this); }
  explicit StoredVariant(const VARIANT &value) noexcept;
  StoredVariant(const StoredVariant &other) noexcept;
  StoredVariant(StoredVariant &&other) noexcept;
  StoredVariant &operator=(const StoredVariant &other) noexcept;
  StoredVariant &operator=(StoredVariant &&other) noexcept;
  ~StoredVariant() { VariantClear(this); }

  void Assign(const VARIANT &value) noexcept;
};
