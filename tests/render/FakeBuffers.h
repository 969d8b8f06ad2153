// Vertex and index buffers over plain memory, for exercising panels without a device: they keep
// what Lock handed out, refuse ranges past their end, and can be told to fail Lock or Unlock.
#pragma once

#include <d3d9.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace zrq::test {

struct LockRecord {
  UINT offset;
  UINT size;
  DWORD flags;
};

template <class Interface> class FakeBuffer : public Interface {
public:
  explicit FakeBuffer(UINT length, std::atomic<int> *liveCount = nullptr)
      : bytes(length, 0xCD), live(liveCount) {
    if (live) ++*live;
  }

  std::vector<uint8_t> bytes;
  std::vector<LockRecord> locks;
  int unlocks = 0;
  bool locked = false;
  HRESULT lockResult = S_OK;   // what Lock returns; a failure here also hands out nothing
  HRESULT unlockResult = S_OK; // returned by Unlock (which still unlocks)

  template <class T> T *At(size_t byteOffset) {
    return reinterpret_cast<T *>(bytes.data() + byteOffset);
  }

  ULONG Refs() const { return refs; }

  STDMETHOD(QueryInterface)(REFIID, void **ppv) override {
    if (ppv) *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHOD_(ULONG, AddRef)() override { return ++refs; }
  STDMETHOD_(ULONG, Release)() override {
    const ULONG left = --refs;
    if (left == 0) {
      if (live) --*live;
      delete this;
    }
    return left;
  }
  STDMETHOD(GetDevice)(IDirect3DDevice9 **) override { return E_NOTIMPL; }
  STDMETHOD(SetPrivateData)(REFGUID, const void *, DWORD, DWORD) override { return E_NOTIMPL; }
  STDMETHOD(GetPrivateData)(REFGUID, void *, DWORD *) override { return E_NOTIMPL; }
  STDMETHOD(FreePrivateData)(REFGUID) override { return E_NOTIMPL; }
  STDMETHOD_(DWORD, SetPriority)(DWORD) override { return 0; }
  STDMETHOD_(DWORD, GetPriority)() override { return 0; }
  STDMETHOD_(void, PreLoad)() override {}
  STDMETHOD_(D3DRESOURCETYPE, GetType)() override { return D3DRTYPE_VERTEXBUFFER; }

  STDMETHOD(Lock)(UINT offset, UINT size, void **data, DWORD flags) override {
    locks.push_back({offset, size, flags});
    if (!data || locked || FAILED(lockResult))
      return FAILED(lockResult) ? lockResult : D3DERR_INVALIDCALL;
    if (size == 0 && offset == 0) size = static_cast<UINT>(bytes.size());
    if (uint64_t{offset} + size > bytes.size()) return D3DERR_INVALIDCALL;
    *data = bytes.data() + offset;
    locked = true;
    return lockResult; // S_OK, or another success code to try the caller's strictness
  }
  STDMETHOD(Unlock)() override {
    ++unlocks;
    locked = false;
    return unlockResult;
  }

protected:
  virtual ~FakeBuffer() = default;

private:
  std::atomic<ULONG> refs{1};
  std::atomic<int> *live;
};

class FakeVertexBuffer final : public FakeBuffer<IDirect3DVertexBuffer9> {
public:
  using FakeBuffer::FakeBuffer;
  STDMETHOD(GetDesc)(D3DVERTEXBUFFER_DESC *) override { return E_NOTIMPL; }
};

class FakeIndexBuffer final : public FakeBuffer<IDirect3DIndexBuffer9> {
public:
  using FakeBuffer::FakeBuffer;
  STDMETHOD(GetDesc)(D3DINDEXBUFFER_DESC *) override { return E_NOTIMPL; }
};

} // namespace zrq::test
