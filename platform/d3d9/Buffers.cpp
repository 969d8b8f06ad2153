// Vertex and index buffers: bytes with nested locks.
#include "platform/d3d9/Device.h"

#include <cstring>

namespace zrq::d3d9 {

HRESULT BufferStorage::Init(Device *device, UINT size) {
  if (size == 0) return D3DERR_INVALIDCALL;
  if (!device->ReserveMemory(size)) return E_OUTOFMEMORY;
  uint8_t *bytes = new (std::nothrow) uint8_t[size]();
  if (!bytes) {
    device->ReleaseMemory(size);
    return E_OUTOFMEMORY;
  }
  device_ = device;
  bytes_.reset(bytes);
  size_ = size;
  return D3D_OK;
}

BufferStorage::~BufferStorage() {
  if (device_) device_->ReleaseMemory(size_);
}

HRESULT BufferStorage::Lock(UINT offset, UINT size, void **ppbData) {
  if (!ppbData) return D3DERR_INVALIDCALL;
  *ppbData = nullptr;
  // Size 0 locks from the offset to the end.
  if (offset > size_ || static_cast<uint64_t>(offset) + size > size_) return D3DERR_INVALIDCALL;
  if (size == 0 && offset == size_ && offset != 0) return D3DERR_INVALIDCALL;
  ++lockCount_;
  *ppbData = bytes_.get() + offset;
  return D3D_OK;
}

HRESULT BufferStorage::Unlock() {
  UINT count = lockCount_.load();
  do {
    if (count == 0) return D3DERR_INVALIDCALL;
  } while (!lockCount_.compare_exchange_weak(count, count - 1));
  return D3D_OK;
}

VertexBuffer::VertexBuffer(Device *device, DWORD usage, DWORD fvf, D3DPOOL pool)
    : ResourceBase(device, Owner::Self), usage_(usage), fvf_(fvf), pool_(pool) {}

STDMETHODIMP VertexBuffer::QueryInterface(REFIID riid, void **ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDirect3DResource9 || riid == IID_IDirect3DVertexBuffer9) {
    AddRef();
    *ppv = static_cast<IDirect3DVertexBuffer9 *>(this);
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP VertexBuffer::Lock(UINT OffsetToLock, UINT SizeToLock, void **ppbData, DWORD) {
  const HRESULT hr = storage_.Lock(OffsetToLock, SizeToLock, ppbData);
  OwningDevice()->Recorder().Record("VertexBuffer::Lock", {OffsetToLock, SizeToLock}, this, hr, "%u, %u",
                                    OffsetToLock, SizeToLock);
  return hr;
}

STDMETHODIMP VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC *pDesc) {
  if (!pDesc) return D3DERR_INVALIDCALL;
  *pDesc = {D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage_, pool_, storage_.Size(), fvf_};
  return D3D_OK;
}

IndexBuffer::IndexBuffer(Device *device, DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : ResourceBase(device, Owner::Self), usage_(usage), format_(format), pool_(pool) {}

STDMETHODIMP IndexBuffer::QueryInterface(REFIID riid, void **ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDirect3DResource9 || riid == IID_IDirect3DIndexBuffer9) {
    AddRef();
    *ppv = static_cast<IDirect3DIndexBuffer9 *>(this);
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP IndexBuffer::Lock(UINT OffsetToLock, UINT SizeToLock, void **ppbData, DWORD) {
  const HRESULT hr = storage_.Lock(OffsetToLock, SizeToLock, ppbData);
  OwningDevice()->Recorder().Record("IndexBuffer::Lock", {OffsetToLock, SizeToLock}, this, hr, "%u, %u",
                                    OffsetToLock, SizeToLock);
  return hr;
}

STDMETHODIMP IndexBuffer::GetDesc(D3DINDEXBUFFER_DESC *pDesc) {
  if (!pDesc) return D3DERR_INVALIDCALL;
  *pDesc = {format_, D3DRTYPE_INDEXBUFFER, usage_, pool_, storage_.Size()};
  return D3D_OK;
}

}  // namespace zrq::d3d9
