// Render, texture-stage and sampler states, transforms, material, lights, viewport, bindings and
// shader constants: their defaults, setters and getters. While a state block is being recorded
// the setters write into it instead of the device.
#include "platform/d3d9/Device.h"

#include <zrqboundary.h>

#include <algorithm>
#include <cstring>

namespace zrq::d3d9 {
namespace {

constexpr DWORD kOne = 0x3F800000; // 1.0f

D3DMATRIX IdentityMatrix() {
  D3DMATRIX m = {};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

D3DLIGHT9 DefaultLight() {
  D3DLIGHT9 l = {};
  l.Type = D3DLIGHT_DIRECTIONAL;
  l.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
  l.Direction = {0.0f, 0.0f, 1.0f};
  return l;
}

} // namespace

int SamplerSlot(DWORD sampler) {
  if (sampler < 16) return static_cast<int>(sampler);
  if (sampler >= D3DDMAPSAMPLER && sampler <= D3DVERTEXTEXTURESAMPLER3)
    return static_cast<int>(sampler - D3DDMAPSAMPLER) + 16;
  return -1;
}

bool ValidTransform(D3DTRANSFORMSTATETYPE t) {
  const DWORD v = static_cast<DWORD>(t);
  return v == D3DTS_VIEW || v == D3DTS_PROJECTION || (v >= D3DTS_TEXTURE0 && v <= D3DTS_TEXTURE7) ||
         (v >= 256 && v < kTransformCount);
}

void SetDefaultState(DeviceState &s, bool autoDepthStencil, UINT width, UINT height) {
  DWORD *rs = s.renderStates;
  std::fill(rs, rs + kRenderStateCount, 0u);
  rs[D3DRS_ZENABLE] = autoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
  rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
  rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
  rs[D3DRS_ZWRITEENABLE] = TRUE;
  rs[D3DRS_LASTPIXEL] = TRUE;
  rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
  rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
  rs[D3DRS_CULLMODE] = D3DCULL_CCW;
  rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
  rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
  rs[D3DRS_FOGEND] = kOne;
  rs[D3DRS_FOGDENSITY] = kOne;
  rs[D3DRS_STENCILFAIL] = rs[D3DRS_STENCILZFAIL] = rs[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
  rs[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
  rs[D3DRS_STENCILMASK] = rs[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFF;
  rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
  rs[D3DRS_CLIPPING] = TRUE;
  rs[D3DRS_LIGHTING] = TRUE;
  rs[D3DRS_COLORVERTEX] = TRUE;
  rs[D3DRS_LOCALVIEWER] = TRUE;
  rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
  rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
  rs[D3DRS_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
  rs[D3DRS_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
  rs[D3DRS_POINTSIZE] = kOne;
  rs[D3DRS_POINTSIZE_MIN] = kOne;
  rs[D3DRS_POINTSCALE_A] = kOne;
  rs[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
  rs[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFF;
  rs[D3DRS_DEBUGMONITORTOKEN] = D3DDMT_ENABLE;
  rs[D3DRS_POINTSIZE_MAX] = 0x42800000; // 64.0f
  rs[D3DRS_COLORWRITEENABLE] = rs[D3DRS_COLORWRITEENABLE1] = rs[D3DRS_COLORWRITEENABLE2] =
      rs[D3DRS_COLORWRITEENABLE3] = 0x0000000F;
  rs[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
  rs[D3DRS_POSITIONDEGREE] = D3DDEGREE_CUBIC;
  rs[D3DRS_NORMALDEGREE] = D3DDEGREE_LINEAR;
  rs[D3DRS_MINTESSELLATIONLEVEL] = rs[D3DRS_MAXTESSELLATIONLEVEL] = kOne;
  rs[D3DRS_ADAPTIVETESS_Z] = kOne;
  rs[D3DRS_CCW_STENCILFAIL] = rs[D3DRS_CCW_STENCILZFAIL] = rs[D3DRS_CCW_STENCILPASS] =
      D3DSTENCILOP_KEEP;
  rs[D3DRS_CCW_STENCILFUNC] = D3DCMP_ALWAYS;
  rs[D3DRS_BLENDFACTOR] = 0xFFFFFFFF;
  rs[D3DRS_SRCBLENDALPHA] = D3DBLEND_ONE;
  rs[D3DRS_DESTBLENDALPHA] = D3DBLEND_ZERO;
  rs[D3DRS_BLENDOPALPHA] = D3DBLENDOP_ADD;

  for (int st = 0; st < kStageCount; ++st) {
    DWORD *ts = s.stageStates[st];
    std::fill(ts, ts + kStageStateCount, 0u);
    ts[D3DTSS_COLOROP] = st == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    ts[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    ts[D3DTSS_COLORARG2] = D3DTA_CURRENT;
    ts[D3DTSS_ALPHAOP] = st == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    ts[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    ts[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    ts[D3DTSS_TEXCOORDINDEX] = static_cast<DWORD>(st);
    ts[D3DTSS_COLORARG0] = ts[D3DTSS_ALPHAARG0] = ts[D3DTSS_RESULTARG] = D3DTA_CURRENT;
  }
  for (int i = 0; i < kSamplerCount; ++i) {
    DWORD *ss = s.samplerStates[i];
    std::fill(ss, ss + kSamplerStateCount, 0u);
    ss[D3DSAMP_ADDRESSU] = ss[D3DSAMP_ADDRESSV] = ss[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
    ss[D3DSAMP_MAGFILTER] = ss[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
    ss[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
    ss[D3DSAMP_MAXANISOTROPY] = 1;
  }
  for (int i = 0; i < kTransformCount; ++i) s.transforms[i] = IdentityMatrix();
  s.material = {};
  s.lights.clear();
  for (auto &t : s.textures) t.Reset(nullptr);
  for (auto &stream : s.streams) stream = StreamSource();
  s.indices.Reset(nullptr);
  s.fvf = 0;
  s.declaration.Reset(nullptr);
  s.vertexShader.Reset(nullptr);
  s.pixelShader.Reset(nullptr);
  s.viewport = {0, 0, width, height, 0.0f, 1.0f};
  s.scissor = {0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
}

// ---- Render, texture-stage and sampler states -----------------------------------------------

STDMETHODIMP Device::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) {
  HRESULT hr = D3D_OK;
  if (static_cast<DWORD>(State) >= kRenderStateCount) {
    hr = D3DERR_INVALIDCALL;
  } else {
    Target().renderStates[State] = Value;
    if (StateMask *m = RecordMask()) m->renderStates.set(State);
  }
  recorder_.Record("SetRenderState", {static_cast<DWORD>(State), Value}, nullptr, hr, "%u, %u",
                   static_cast<unsigned>(State), Value);
  return hr;
}

STDMETHODIMP Device::GetRenderState(D3DRENDERSTATETYPE State, DWORD *pValue) {
  HRESULT hr = D3D_OK;
  if (!pValue || static_cast<DWORD>(State) >= kRenderStateCount)
    hr = D3DERR_INVALIDCALL;
  else
    *pValue = state_.renderStates[State];
  recorder_.Record("GetRenderState", {static_cast<DWORD>(State)}, nullptr, hr, "%u",
                   static_cast<unsigned>(State));
  return hr;
}

STDMETHODIMP Device::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) {
  HRESULT hr = D3D_OK;
  if (Stage >= kStageCount || static_cast<DWORD>(Type) >= kStageStateCount) {
    hr = D3DERR_INVALIDCALL;
  } else {
    Target().stageStates[Stage][Type] = Value;
    if (StateMask *m = RecordMask()) m->stageStates.set(Stage * kStageStateCount + Type);
  }
  recorder_.Record("SetTextureStageState", {Stage, static_cast<DWORD>(Type), Value}, nullptr, hr,
                   "%u, %u, %u", Stage, static_cast<unsigned>(Type), Value);
  return hr;
}

STDMETHODIMP Device::GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type,
                                          DWORD *pValue) {
  HRESULT hr = D3D_OK;
  if (!pValue || Stage >= kStageCount || static_cast<DWORD>(Type) >= kStageStateCount)
    hr = D3DERR_INVALIDCALL;
  else
    *pValue = state_.stageStates[Stage][Type];
  recorder_.Record("GetTextureStageState", {Stage, static_cast<DWORD>(Type)}, nullptr, hr, "%u, %u",
                   Stage, static_cast<unsigned>(Type));
  return hr;
}

STDMETHODIMP Device::SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) {
  HRESULT hr = D3D_OK;
  const int slot = SamplerSlot(Sampler);
  if (slot < 0 || Type == 0 || static_cast<DWORD>(Type) >= kSamplerStateCount) {
    hr = D3DERR_INVALIDCALL;
  } else {
    Target().samplerStates[slot][Type] = Value;
    if (StateMask *m = RecordMask()) m->samplerStates.set(slot * kSamplerStateCount + Type);
  }
  recorder_.Record("SetSamplerState", {Sampler, static_cast<DWORD>(Type), Value}, nullptr, hr,
                   "%u, %u, %u", Sampler, static_cast<unsigned>(Type), Value);
  return hr;
}

STDMETHODIMP Device::GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD *pValue) {
  const int slot = SamplerSlot(Sampler);
  if (!pValue || slot < 0 || Type == 0 || static_cast<DWORD>(Type) >= kSamplerStateCount)
    return D3DERR_INVALIDCALL;
  *pValue = state_.samplerStates[slot][Type];
  return D3D_OK;
}

// ---- Transforms, viewport, material, lights, clip planes ------------------------------------

STDMETHODIMP Device::SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX *pMatrix) {
  HRESULT hr = D3D_OK;
  if (!pMatrix || !ValidTransform(State)) {
    hr = D3DERR_INVALIDCALL;
  } else {
    Target().transforms[State] = *pMatrix;
    if (StateMask *m = RecordMask()) m->transforms.set(State);
  }
  if (pMatrix)
    recorder_.Record("SetTransform", {static_cast<DWORD>(State)}, nullptr, hr,
                     "%u, [%g %g %g %g | %g %g %g %g | %g %g %g %g | %g %g %g %g]",
                     static_cast<unsigned>(State), pMatrix->_11, pMatrix->_12, pMatrix->_13,
                     pMatrix->_14, pMatrix->_21, pMatrix->_22, pMatrix->_23, pMatrix->_24,
                     pMatrix->_31, pMatrix->_32, pMatrix->_33, pMatrix->_34, pMatrix->_41,
                     pMatrix->_42, pMatrix->_43, pMatrix->_44);
  else
    recorder_.Record("SetTransform", {static_cast<DWORD>(State)}, nullptr, hr, "%u, null",
                     static_cast<unsigned>(State));
  return hr;
}

STDMETHODIMP Device::GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX *pMatrix) {
  HRESULT hr = D3D_OK;
  if (!pMatrix || !ValidTransform(State))
    hr = D3DERR_INVALIDCALL;
  else
    *pMatrix = state_.transforms[State];
  recorder_.Record("GetTransform", {static_cast<DWORD>(State)}, nullptr, hr, "%u",
                   static_cast<unsigned>(State));
  return hr;
}

STDMETHODIMP Device::MultiplyTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX *pMatrix) {
  if (!pMatrix || !ValidTransform(State)) return D3DERR_INVALIDCALL;
  // The given matrix first, then the current one.
  const D3DMATRIX &cur = state_.transforms[State];
  D3DMATRIX r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      r.m[i][j] = pMatrix->m[i][0] * cur.m[0][j] + pMatrix->m[i][1] * cur.m[1][j] +
                  pMatrix->m[i][2] * cur.m[2][j] + pMatrix->m[i][3] * cur.m[3][j];
  return SetTransform(State, &r);
}

STDMETHODIMP Device::SetViewport(const D3DVIEWPORT9 *pViewport) {
  HRESULT hr = D3D_OK;
  const Surface *rt = renderTarget_.get();
  if (!pViewport || !rt || pViewport->Width == 0 || pViewport->Height == 0 ||
      static_cast<uint64_t>(pViewport->X) + pViewport->Width > rt->Pixels().width ||
      static_cast<uint64_t>(pViewport->Y) + pViewport->Height > rt->Pixels().height ||
      !(pViewport->MinZ >= 0.0f) || !(pViewport->MaxZ <= 1.0f)) {
    hr = D3DERR_INVALIDCALL;
  } else {
    Target().viewport = *pViewport;
    if (StateMask *m = RecordMask()) m->viewport = true;
  }
  if (pViewport)
    recorder_.Record("SetViewport",
                     {pViewport->X, pViewport->Y, pViewport->Width, pViewport->Height}, nullptr, hr,
                     "%u, %u, %u, %u, %g, %g", pViewport->X, pViewport->Y, pViewport->Width,
                     pViewport->Height, pViewport->MinZ, pViewport->MaxZ);
  else
    recorder_.Record("SetViewport", {}, nullptr, hr, "null");
  return hr;
}

STDMETHODIMP Device::GetViewport(D3DVIEWPORT9 *pViewport) {
  if (!pViewport) return D3DERR_INVALIDCALL;
  *pViewport = state_.viewport;
  return D3D_OK;
}

STDMETHODIMP Device::SetMaterial(const D3DMATERIAL9 *pMaterial) {
  HRESULT hr = D3D_OK;
  if (!pMaterial) {
    hr = D3DERR_INVALIDCALL;
  } else {
    Target().material = *pMaterial;
    if (StateMask *m = RecordMask()) m->material = true;
  }
  if (pMaterial) {
    const D3DMATERIAL9 &mt = *pMaterial;
    recorder_.Record("SetMaterial", {}, nullptr, hr,
                     "D(%g %g %g %g) A(%g %g %g %g) S(%g %g %g %g) E(%g %g %g %g) P %g",
                     mt.Diffuse.r, mt.Diffuse.g, mt.Diffuse.b, mt.Diffuse.a, mt.Ambient.r,
                     mt.Ambient.g, mt.Ambient.b, mt.Ambient.a, mt.Specular.r, mt.Specular.g,
                     mt.Specular.b, mt.Specular.a, mt.Emissive.r, mt.Emissive.g, mt.Emissive.b,
                     mt.Emissive.a, mt.Power);
  } else {
    recorder_.Record("SetMaterial", {}, nullptr, hr, "null");
  }
  return hr;
}

STDMETHODIMP Device::GetMaterial(D3DMATERIAL9 *pMaterial) {
  if (!pMaterial) return D3DERR_INVALIDCALL;
  *pMaterial = state_.material;
  return D3D_OK;
}

STDMETHODIMP Device::SetLight(DWORD Index, const D3DLIGHT9 *pLight) {
  HRESULT hr = D3D_OK;
  hr = ZrqComBoundary([&] {
    if (!pLight || Index > kMaxLightIndex || pLight->Type < D3DLIGHT_POINT ||
        pLight->Type > D3DLIGHT_DIRECTIONAL || pLight->Range < 0.0f) {
      hr = D3DERR_INVALIDCALL;
    } else {
      // A light first set while recording keeps the device's enable state with it.
      DeviceState &target = Target();
      auto it = target.lights.find(Index);
      if (it == target.lights.end()) {
        LightSlot slot;
        auto device = state_.lights.find(Index);
        if (device != state_.lights.end()) slot.enabled = device->second.enabled;
        it = target.lights.emplace(Index, slot).first;
      }
      it->second.light = *pLight;
      if (StateMask *m = RecordMask()) m->AddLight(Index);
    }
    return hr;
  });
  recorder_.Record("SetLight", {Index, pLight ? static_cast<DWORD>(pLight->Type) : 0u}, nullptr, hr,
                   "%u, %s", Index, pLight ? "light" : "null");
  return hr;
}

STDMETHODIMP Device::GetLight(DWORD Index, D3DLIGHT9 *pLight) {
  if (!pLight) return D3DERR_INVALIDCALL;
  auto it = state_.lights.find(Index);
  if (it == state_.lights.end()) return D3DERR_INVALIDCALL;
  *pLight = it->second.light;
  return D3D_OK;
}

STDMETHODIMP Device::LightEnable(DWORD Index, BOOL Enable) {
  HRESULT hr = D3D_OK;
  hr = ZrqComBoundary([&] {
    if (Index > kMaxLightIndex) {
      hr = D3DERR_INVALIDCALL;
    } else {
      DeviceState &target = Target();
      auto it = target.lights.find(Index);
      if (it == target.lights.end()) {
        // Enabling a light never set makes the default light, as Direct3D 9 does.
        auto device = state_.lights.find(Index);
        LightSlot slot;
        slot.light = device != state_.lights.end() ? device->second.light : DefaultLight();
        it = target.lights.emplace(Index, slot).first;
      }
      it->second.enabled = Enable ? TRUE : FALSE;
      if (StateMask *m = RecordMask()) m->AddLight(Index);
    }
    return hr;
  });
  recorder_.Record("LightEnable", {Index, static_cast<DWORD>(Enable)}, nullptr, hr, "%u, %d", Index,
                   Enable);
  return hr;
}

STDMETHODIMP Device::GetLightEnable(DWORD Index, BOOL *pEnable) {
  if (!pEnable) return D3DERR_INVALIDCALL;
  auto it = state_.lights.find(Index);
  if (it == state_.lights.end()) return D3DERR_INVALIDCALL;
  *pEnable = it->second.enabled;
  return D3D_OK;
}

STDMETHODIMP Device::SetClipPlane(DWORD Index, const float *pPlane) {
  const HRESULT hr = [&]() -> HRESULT {
    if (!pPlane || Index >= kClipPlaneCount) return D3DERR_INVALIDCALL;
    std::copy(pPlane, pPlane + 4, Target().clipPlanes[Index]);
    if (StateMask *m = RecordMask()) m->clipPlanes.set(Index);
    return D3D_OK;
  }();
  recorder_.Record("SetClipPlane", {Index}, nullptr, hr, "%u", Index);
  return hr;
}

STDMETHODIMP Device::GetClipPlane(DWORD Index, float *pPlane) {
  if (!pPlane || Index >= kClipPlaneCount) return D3DERR_INVALIDCALL;
  std::copy(state_.clipPlanes[Index], state_.clipPlanes[Index] + 4, pPlane);
  return D3D_OK;
}

STDMETHODIMP Device::SetScissorRect(const RECT *pRect) {
  const HRESULT hr = [&]() -> HRESULT {
    if (!pRect) return D3DERR_INVALIDCALL;
    Target().scissor = *pRect;
    if (StateMask *m = RecordMask()) m->scissor = true;
    return D3D_OK;
  }();
  recorder_.Record("SetScissorRect", {}, nullptr, hr, "%s", pRect ? "rect" : "null");
  return hr;
}

STDMETHODIMP Device::GetScissorRect(RECT *pRect) {
  if (!pRect) return D3DERR_INVALIDCALL;
  *pRect = state_.scissor;
  return D3D_OK;
}

// ---- Bindings ---------------------------------------------------------------------------------

STDMETHODIMP Device::SetTexture(DWORD Stage, IDirect3DBaseTexture9 *pTexture) {
  HRESULT hr = D3D_OK;
  const int slot = SamplerSlot(Stage);
  Texture *texture = pTexture ? Texture::From(pTexture) : nullptr;
  if (slot < 0 || (pTexture && (!texture || texture->OwningDevice() != this))) {
    hr = D3DERR_INVALIDCALL;
  } else {
    Target().textures[slot].Reset(texture);
    if (StateMask *m = RecordMask()) m->textures.set(slot);
  }
  recorder_.Record("SetTexture", {Stage}, pTexture, hr, "%u, %s", Stage,
                   pTexture ? "texture" : "null");
  return hr;
}

STDMETHODIMP Device::GetTexture(DWORD Stage, IDirect3DBaseTexture9 **ppTexture) {
  if (!ppTexture) return D3DERR_INVALIDCALL;
  *ppTexture = nullptr;
  const int slot = SamplerSlot(Stage);
  if (slot < 0) return D3DERR_INVALIDCALL;
  if (Texture *t = state_.textures[slot].get()) HandOut(t, ppTexture);
  return D3D_OK;
}

STDMETHODIMP Device::SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9 *pStreamData,
                                     UINT OffsetInBytes, UINT Stride) {
  HRESULT hr = D3D_OK;
  VertexBuffer *vb = pStreamData ? VertexBuffer::From(pStreamData) : nullptr;
  if (StreamNumber >= kStreamCount || (pStreamData && (!vb || vb->OwningDevice() != this))) {
    hr = D3DERR_INVALIDCALL;
  } else {
    StreamSource &s = Target().streams[StreamNumber];
    s.buffer.Reset(vb);
    s.offset = OffsetInBytes;
    s.stride = Stride;
    if (StateMask *m = RecordMask()) m->streams.set(StreamNumber);
  }
  recorder_.Record("SetStreamSource", {StreamNumber, OffsetInBytes, Stride}, pStreamData, hr,
                   "%u, %s, %u, %u", StreamNumber, pStreamData ? "buffer" : "null", OffsetInBytes,
                   Stride);
  return hr;
}

STDMETHODIMP Device::GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9 **ppStreamData,
                                     UINT *pOffsetInBytes, UINT *pStride) {
  if (!ppStreamData || !pOffsetInBytes || !pStride || StreamNumber >= kStreamCount)
    return D3DERR_INVALIDCALL;
  const StreamSource &s = state_.streams[StreamNumber];
  *ppStreamData = nullptr;
  if (s.buffer) HandOut(s.buffer.get(), ppStreamData);
  *pOffsetInBytes = s.offset;
  *pStride = s.stride;
  return D3D_OK;
}

STDMETHODIMP Device::SetStreamSourceFreq(UINT StreamNumber, UINT Setting) {
  if (StreamNumber >= kStreamCount) return D3DERR_INVALIDCALL;
  Target().streams[StreamNumber].frequency = Setting;
  if (StateMask *m = RecordMask()) m->streams.set(StreamNumber);
  return D3D_OK;
}

STDMETHODIMP Device::GetStreamSourceFreq(UINT StreamNumber, UINT *pSetting) {
  if (!pSetting || StreamNumber >= kStreamCount) return D3DERR_INVALIDCALL;
  *pSetting = state_.streams[StreamNumber].frequency;
  return D3D_OK;
}

STDMETHODIMP Device::SetIndices(IDirect3DIndexBuffer9 *pIndexData) {
  HRESULT hr = D3D_OK;
  IndexBuffer *ib = pIndexData ? IndexBuffer::From(pIndexData) : nullptr;
  if (pIndexData && (!ib || ib->OwningDevice() != this)) {
    hr = D3DERR_INVALIDCALL;
  } else {
    Target().indices.Reset(ib);
    if (StateMask *m = RecordMask()) m->indices = true;
  }
  recorder_.Record("SetIndices", {}, pIndexData, hr, "%s", pIndexData ? "buffer" : "null");
  return hr;
}

STDMETHODIMP Device::GetIndices(IDirect3DIndexBuffer9 **ppIndexData) {
  if (!ppIndexData) return D3DERR_INVALIDCALL;
  *ppIndexData = nullptr;
  if (state_.indices) HandOut(state_.indices.get(), ppIndexData);
  return D3D_OK;
}

STDMETHODIMP Device::SetFVF(DWORD FVF) {
  DeviceState &t = Target();
  t.fvf = FVF;
  t.declaration.Reset(nullptr);
  if (StateMask *m = RecordMask()) m->vertexFormat = true;
  recorder_.Record("SetFVF", {FVF}, nullptr, D3D_OK, "0x%X", FVF);
  return D3D_OK;
}

STDMETHODIMP Device::GetFVF(DWORD *pFVF) {
  if (!pFVF) return D3DERR_INVALIDCALL;
  *pFVF = state_.fvf;
  return D3D_OK;
}

STDMETHODIMP Device::SetVertexDeclaration(IDirect3DVertexDeclaration9 *pDecl) {
  HRESULT hr = D3D_OK;
  VertexDeclaration *decl = pDecl ? VertexDeclaration::From(pDecl) : nullptr;
  if (pDecl && (!decl || decl->OwningDevice() != this)) {
    hr = D3DERR_INVALIDCALL;
  } else {
    DeviceState &t = Target();
    t.declaration.Reset(decl);
    t.fvf = 0;
    if (StateMask *m = RecordMask()) m->vertexFormat = true;
  }
  recorder_.Record("SetVertexDeclaration", {}, pDecl, hr, "%s", pDecl ? "declaration" : "null");
  return hr;
}

STDMETHODIMP Device::GetVertexDeclaration(IDirect3DVertexDeclaration9 **ppDecl) {
  if (!ppDecl) return D3DERR_INVALIDCALL;
  *ppDecl = nullptr;
  if (state_.declaration) HandOut(state_.declaration.get(), ppDecl);
  return D3D_OK;
}

STDMETHODIMP Device::SetVertexShader(IDirect3DVertexShader9 *pShader) {
  HRESULT hr = D3D_OK;
  auto *shader = pShader ? VertexShaderObject::From(pShader) : nullptr;
  if (pShader && (!shader || shader->OwningDevice() != this)) {
    hr = D3DERR_INVALIDCALL;
  } else {
    Target().vertexShader.Reset(shader);
    if (StateMask *m = RecordMask()) m->vertexShader = true;
  }
  recorder_.Record("SetVertexShader", {}, pShader, hr, "%s", pShader ? "shader" : "null");
  return hr;
}

STDMETHODIMP Device::GetVertexShader(IDirect3DVertexShader9 **ppShader) {
  if (!ppShader) return D3DERR_INVALIDCALL;
  *ppShader = nullptr;
  if (state_.vertexShader) HandOut(state_.vertexShader.get(), ppShader);
  return D3D_OK;
}

STDMETHODIMP Device::SetPixelShader(IDirect3DPixelShader9 *pShader) {
  HRESULT hr = D3D_OK;
  auto *shader = pShader ? PixelShaderObject::From(pShader) : nullptr;
  if (pShader && (!shader || shader->OwningDevice() != this)) {
    hr = D3DERR_INVALIDCALL;
  } else {
    Target().pixelShader.Reset(shader);
    if (StateMask *m = RecordMask()) m->pixelShader = true;
  }
  recorder_.Record("SetPixelShader", {}, pShader, hr, "%s", pShader ? "shader" : "null");
  return hr;
}

STDMETHODIMP Device::GetPixelShader(IDirect3DPixelShader9 **ppShader) {
  if (!ppShader) return D3DERR_INVALIDCALL;
  *ppShader = nullptr;
  if (state_.pixelShader) HandOut(state_.pixelShader.get(), ppShader);
  return D3D_OK;
}

// ---- Shader constants -------------------------------------------------------------------------

namespace {

// Stores `count` registers from `start`, marks them in the state block being recorded (if
// any), and lists the call as `method`.
template <typename T, size_t N, size_t Bits>
HRESULT SetConstants(CallRecorder &recorder, const char *method, T (&dst)[N],
                     std::bitset<Bits> *mask, UINT start, const void *src, UINT count,
                     size_t width) {
  HRESULT hr = D3DERR_INVALIDCALL;
  if (src && static_cast<uint64_t>(start) + count <= N) {
    std::memcpy(&dst[start], src, static_cast<size_t>(count) * width);
    if (mask)
      for (UINT i = 0; i < count; ++i) mask->set(start + i);
    hr = D3D_OK;
  }
  recorder.Record(method, {start, count}, nullptr, hr, "%u, %u", start, count);
  return hr;
}

template <typename T, size_t N>
HRESULT GetConstants(const T (&src)[N], UINT start, void *dst, UINT count, size_t width) {
  if (!dst || static_cast<uint64_t>(start) + count > N) return D3DERR_INVALIDCALL;
  std::memcpy(dst, &src[start], static_cast<size_t>(count) * width);
  return D3D_OK;
}

} // namespace

STDMETHODIMP Device::SetVertexShaderConstantF(UINT r, const float *p, UINT n) {
  StateMask *m = RecordMask();
  return SetConstants(recorder_, "SetVertexShaderConstantF", Target().vsConstF,
                      m ? &m->vsConstF : nullptr, r, p, n, 16);
}
STDMETHODIMP Device::GetVertexShaderConstantF(UINT r, float *p, UINT n) {
  return GetConstants(state_.vsConstF, r, p, n, 16);
}
STDMETHODIMP Device::SetVertexShaderConstantI(UINT r, const int *p, UINT n) {
  StateMask *m = RecordMask();
  return SetConstants(recorder_, "SetVertexShaderConstantI", Target().vsConstI,
                      m ? &m->vsConstI : nullptr, r, p, n, 16);
}
STDMETHODIMP Device::GetVertexShaderConstantI(UINT r, int *p, UINT n) {
  return GetConstants(state_.vsConstI, r, p, n, 16);
}
STDMETHODIMP Device::SetVertexShaderConstantB(UINT r, const BOOL *p, UINT n) {
  StateMask *m = RecordMask();
  return SetConstants(recorder_, "SetVertexShaderConstantB", Target().vsConstB,
                      m ? &m->vsConstB : nullptr, r, p, n, sizeof(BOOL));
}
STDMETHODIMP Device::GetVertexShaderConstantB(UINT r, BOOL *p, UINT n) {
  return GetConstants(state_.vsConstB, r, p, n, sizeof(BOOL));
}
STDMETHODIMP Device::SetPixelShaderConstantF(UINT r, const float *p, UINT n) {
  StateMask *m = RecordMask();
  return SetConstants(recorder_, "SetPixelShaderConstantF", Target().psConstF,
                      m ? &m->psConstF : nullptr, r, p, n, 16);
}
STDMETHODIMP Device::GetPixelShaderConstantF(UINT r, float *p, UINT n) {
  return GetConstants(state_.psConstF, r, p, n, 16);
}
STDMETHODIMP Device::SetPixelShaderConstantI(UINT r, const int *p, UINT n) {
  StateMask *m = RecordMask();
  return SetConstants(recorder_, "SetPixelShaderConstantI", Target().psConstI,
                      m ? &m->psConstI : nullptr, r, p, n, 16);
}
STDMETHODIMP Device::GetPixelShaderConstantI(UINT r, int *p, UINT n) {
  return GetConstants(state_.psConstI, r, p, n, 16);
}
STDMETHODIMP Device::SetPixelShaderConstantB(UINT r, const BOOL *p, UINT n) {
  StateMask *m = RecordMask();
  return SetConstants(recorder_, "SetPixelShaderConstantB", Target().psConstB,
                      m ? &m->psConstB : nullptr, r, p, n, sizeof(BOOL));
}
STDMETHODIMP Device::GetPixelShaderConstantB(UINT r, BOOL *p, UINT n) {
  return GetConstants(state_.psConstB, r, p, n, sizeof(BOOL));
}

} // namespace zrq::d3d9
