// Vertex declarations: the elements as given, and the layout the draws read.
#include "platform/d3d9/Device.h"

namespace zrq::d3d9 {

VertexDeclaration::VertexDeclaration(Device *device, std::vector<D3DVERTEXELEMENT9> elements,
                                     const VertexLayout &layout)
    : DeviceChild(device, Owner::Self), elements_(std::move(elements)), layout_(layout) {}

STDMETHODIMP VertexDeclaration::QueryInterface(REFIID riid, void **ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDirect3DVertexDeclaration9) {
    AddRef();
    *ppv = static_cast<IDirect3DVertexDeclaration9 *>(this);
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP VertexDeclaration::GetDevice(IDirect3DDevice9 **ppDevice) {
  if (!ppDevice) return D3DERR_INVALIDCALL;
  *ppDevice = OwningDevice();
  (*ppDevice)->AddRef();
  return D3D_OK;
}

STDMETHODIMP VertexDeclaration::GetDeclaration(D3DVERTEXELEMENT9 *pElement, UINT *pNumElements) {
  if (!pNumElements) return D3DERR_INVALIDCALL;
  // With a null array only the count (end marker included) is returned.
  const UINT count = static_cast<UINT>(elements_.size());
  if (pElement)
    for (UINT i = 0; i < count; ++i) pElement[i] = elements_[i];
  *pNumElements = count;
  return D3D_OK;
}

} // namespace zrq::d3d9
