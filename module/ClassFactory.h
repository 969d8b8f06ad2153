// A class object: creates instances of one class through its instance creator, and locks the
// server. Cached by the class table until the module unloads, so its own references do not
// count as module locks.
#pragma once

#include <windows.h>

using InstanceCreator = HRESULT (*)(IUnknown *outer, REFIID riid, void **ppv) noexcept;

class ClassFactory final : public IClassFactory {
public:
  // A new class object for `creator`, handed out as riid.
  [[nodiscard]] static HRESULT Create(InstanceCreator creator, REFIID riid, void **ppv) noexcept;

  STDMETHODIMP QueryInterface(REFIID riid, void **ppvObject) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP CreateInstance(IUnknown *outer, REFIID riid, void **ppvObject) override;
  STDMETHODIMP LockServer(BOOL lock) override;

private:
  explicit ClassFactory(InstanceCreator creator) noexcept : creator(creator) {}
  ~ClassFactory() = default;

  LONG referenceCount = 0;
  InstanceCreator creator;
};
