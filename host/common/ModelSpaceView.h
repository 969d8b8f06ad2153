// View and projection for drawing the module's model space into a W × H target: a picture
// 2.0 wide and 2.0 ÷ aspect high (aspect = W ÷ H), centred on the origin, y up, fills the
// target, and texel centres of a W × H picture land on pixel centres.
#pragma once

#include <d3d9.h>

namespace zrq::host {

struct ModelSpaceView {
  D3DMATRIX view;
  D3DMATRIX projection;
};

// The depth range the projection keeps; the model's pictures lie in the plane z = 0.
inline constexpr float kModelSpaceNearZ = -10.0f;
inline constexpr float kModelSpaceFarZ = 10.0f;

inline ModelSpaceView MakeModelSpaceView(UINT width, UINT height) {
  ModelSpaceView v{};
  v.view._11 = v.view._22 = v.view._33 = v.view._44 = 1.0f;
  const float w = width ? static_cast<float>(width) : 1.0f;
  const float h = height ? static_cast<float>(height) : 1.0f;
  const float aspect = w / h;
  // An orthographic projection of the 2 × (2 ÷ aspect) picture onto -1..1 ...
  v.projection._11 = 1.0f;
  v.projection._22 = aspect;
  v.projection._33 = 1.0f / (kModelSpaceFarZ - kModelSpaceNearZ);
  v.projection._43 = kModelSpaceNearZ / (kModelSpaceNearZ - kModelSpaceFarZ);
  v.projection._44 = 1.0f;
  // ... moved half a pixel left and up: Direct3D 9 samples at pixel centres on integer
  // coordinates, so without the shift every pixel centre would sit on a texel corner.
  v.projection._41 = -1.0f / w;
  v.projection._42 = 1.0f / h;
  return v;
}

// Sets the device's view and projection transforms for a width × height target; returns the
// first failure of SetTransform, or D3D_OK.
inline HRESULT ApplyModelSpaceView(IDirect3DDevice9 *device, UINT width, UINT height) {
  if (!device) return E_POINTER;
  const ModelSpaceView v = MakeModelSpaceView(width, height);
  HRESULT hr = device->SetTransform(D3DTS_VIEW, &v.view);
  if (FAILED(hr)) return hr;
  return device->SetTransform(D3DTS_PROJECTION, &v.projection);
}

} // namespace zrq::host
