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

template <class Interface, D3DRESOURCETYPE kType>
STDMETHODIMP BufferResource<Interface, kType>::QueryInterface(REFIID riid, void **ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDirect3DResource9 || riid == ZRQ_IID_OF(Interface)) {
    this->AddRef();
    *ppv = static_cast<Interface *>(this);
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

template <class Interface, D3DRESOURCETYPE kType>
STDMETHODIMP BufferResource<Interface, kType>::Lock(UINT OffsetToLock, UINT SizeToLock,
                                                    void **ppbData, DWORD) {
  const HRESULT hr = storage_.Lock(OffsetToLock, SizeToLock, ppbData);
  this->OwningDevice()->Recorder().Record(lockCallName_, {OffsetToLock, SizeToLock}, this, hr,
                                          "%u, %u", OffsetToLock, SizeToLock);
  return hr;
}

template class BufferResource<IDirect3DVertexBuffer9, D3DRTYPE_VERTEXBUFFER>;
template class BufferResource<IDirect3DIndexBuffer9, D3DRTYPE_INDEXBUFFER>;

VertexBuffer::VertexBuffer(Device *device, DWORD usage, DWORD fvf, D3DPOOL pool)
    : BufferResource(device, usage, pool, "VertexBuffer::Lock"), fvf_(fvf) {}

STDMETHODIMP VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC *pDesc) {
  if (!pDesc) return D3DERR_INVALIDCALL;
  *pDesc = {D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage_, pool_, storage_.Size(), fvf_};
  return D3D_OK;
}

IndexBuffer::IndexBuffer(Device *device, DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : BufferResource(device, usage, pool, "IndexBuffer::Lock"), format_(format) {}

STDMETHODIMP IndexBuffer::GetDesc(D3DINDEXBUFFER_DESC *pDesc) {
  if (!pDesc) return D3DERR_INVALIDCALL;
  *pDesc = {format_, D3DRTYPE_INDEXBUFFER, usage_, pool_, storage_.Size()};
  return D3D_OK;
}

} // namespace zrq::d3d9
