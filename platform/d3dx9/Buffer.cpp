// ID3DXBuffer: a counted block of bytes that D3DX hands out (shader tokens, compiler messages).
#include <d3dx9.h>

#include <atomic>
#include <memory>
#include <new>

namespace {

class Buffer final : public ID3DXBuffer {
public:
  // The bytes are zero-filled; a zero-byte buffer still has a valid (one-byte) block, so its
  // pointer is never null.
  static Buffer *Create(DWORD size) noexcept {
    std::unique_ptr<BYTE[]> bytes(new (std::nothrow) BYTE[size ? size : 1]());
    if (!bytes) return nullptr;
    return new (std::nothrow) Buffer(std::move(bytes), size);
  }

  STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_ID3DXBuffer) {
      AddRef();
      *ppv = static_cast<ID3DXBuffer *>(this);
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --refs;
    if (left == 0) delete this;
    return left;
  }
  STDMETHODIMP_(LPVOID) GetBufferPointer() override { return bytes.get(); }
  STDMETHODIMP_(DWORD) GetBufferSize() override { return size; }

private:
  Buffer(std::unique_ptr<BYTE[]> data, DWORD length) : bytes(std::move(data)), size(length) {}
  ~Buffer() = default;

  std::atomic<ULONG> refs{1};
  std::unique_ptr<BYTE[]> bytes;
  DWORD size;
};

} // namespace

ZRQ_D3DX_API(HRESULT) D3DXCreateBuffer(DWORD NumBytes, LPD3DXBUFFER *ppBuffer) {
  if (!ppBuffer) return D3DERR_INVALIDCALL;
  *ppBuffer = Buffer::Create(NumBytes);
  return *ppBuffer ? D3D_OK : E_OUTOFMEMORY;
}
