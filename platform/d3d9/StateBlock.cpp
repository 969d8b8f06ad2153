// State blocks: a mask of what they hold and a copy of those states, captured from the device
// and applied back to it.
#include "platform/d3d9/Device.h"

#include <zrqboundary.h>

#include <algorithm>

namespace zrq::d3d9 {
namespace {

constexpr int kPixelRenderStates[] = {D3DRS_ZENABLE,
                                      D3DRS_FILLMODE,
                                      D3DRS_SHADEMODE,
                                      D3DRS_ZWRITEENABLE,
                                      D3DRS_ALPHATESTENABLE,
                                      D3DRS_LASTPIXEL,
                                      D3DRS_SRCBLEND,
                                      D3DRS_DESTBLEND,
                                      D3DRS_ZFUNC,
                                      D3DRS_ALPHAREF,
                                      D3DRS_ALPHAFUNC,
                                      D3DRS_DITHERENABLE,
                                      D3DRS_ALPHABLENDENABLE,
                                      D3DRS_FOGSTART,
                                      D3DRS_FOGEND,
                                      D3DRS_FOGDENSITY,
                                      D3DRS_STENCILENABLE,
                                      D3DRS_STENCILFAIL,
                                      D3DRS_STENCILZFAIL,
                                      D3DRS_STENCILPASS,
                                      D3DRS_STENCILFUNC,
                                      D3DRS_STENCILREF,
                                      D3DRS_STENCILMASK,
                                      D3DRS_STENCILWRITEMASK,
                                      D3DRS_TEXTUREFACTOR,
                                      D3DRS_WRAP0,
                                      D3DRS_WRAP1,
                                      D3DRS_WRAP2,
                                      D3DRS_WRAP3,
                                      D3DRS_WRAP4,
                                      D3DRS_WRAP5,
                                      D3DRS_WRAP6,
                                      D3DRS_WRAP7,
                                      D3DRS_COLORWRITEENABLE,
                                      D3DRS_BLENDOP,
                                      D3DRS_SCISSORTESTENABLE,
                                      D3DRS_SLOPESCALEDEPTHBIAS,
                                      D3DRS_ANTIALIASEDLINEENABLE,
                                      D3DRS_TWOSIDEDSTENCILMODE,
                                      D3DRS_CCW_STENCILFAIL,
                                      D3DRS_CCW_STENCILZFAIL,
                                      D3DRS_CCW_STENCILPASS,
                                      D3DRS_CCW_STENCILFUNC,
                                      D3DRS_COLORWRITEENABLE1,
                                      D3DRS_COLORWRITEENABLE2,
                                      D3DRS_COLORWRITEENABLE3,
                                      D3DRS_BLENDFACTOR,
                                      D3DRS_SRGBWRITEENABLE,
                                      D3DRS_DEPTHBIAS,
                                      D3DRS_WRAP8,
                                      D3DRS_WRAP9,
                                      D3DRS_WRAP10,
                                      D3DRS_WRAP11,
                                      D3DRS_WRAP12,
                                      D3DRS_WRAP13,
                                      D3DRS_WRAP14,
                                      D3DRS_WRAP15,
                                      D3DRS_SEPARATEALPHABLENDENABLE,
                                      D3DRS_SRCBLENDALPHA,
                                      D3DRS_DESTBLENDALPHA,
                                      D3DRS_BLENDOPALPHA};

constexpr int kVertexRenderStates[] = {D3DRS_CULLMODE,
                                       D3DRS_FOGENABLE,
                                       D3DRS_FOGCOLOR,
                                       D3DRS_FOGTABLEMODE,
                                       D3DRS_FOGSTART,
                                       D3DRS_FOGEND,
                                       D3DRS_FOGDENSITY,
                                       D3DRS_RANGEFOGENABLE,
                                       D3DRS_AMBIENT,
                                       D3DRS_COLORVERTEX,
                                       D3DRS_FOGVERTEXMODE,
                                       D3DRS_CLIPPING,
                                       D3DRS_LIGHTING,
                                       D3DRS_NORMALIZENORMALS,
                                       D3DRS_LOCALVIEWER,
                                       D3DRS_EMISSIVEMATERIALSOURCE,
                                       D3DRS_AMBIENTMATERIALSOURCE,
                                       D3DRS_DIFFUSEMATERIALSOURCE,
                                       D3DRS_SPECULARMATERIALSOURCE,
                                       D3DRS_VERTEXBLEND,
                                       D3DRS_CLIPPLANEENABLE,
                                       D3DRS_POINTSIZE,
                                       D3DRS_POINTSIZE_MIN,
                                       D3DRS_POINTSPRITEENABLE,
                                       D3DRS_POINTSCALEENABLE,
                                       D3DRS_POINTSCALE_A,
                                       D3DRS_POINTSCALE_B,
                                       D3DRS_POINTSCALE_C,
                                       D3DRS_MULTISAMPLEANTIALIAS,
                                       D3DRS_MULTISAMPLEMASK,
                                       D3DRS_PATCHEDGESTYLE,
                                       D3DRS_POINTSIZE_MAX,
                                       D3DRS_INDEXEDVERTEXBLENDENABLE,
                                       D3DRS_TWEENFACTOR,
                                       D3DRS_POSITIONDEGREE,
                                       D3DRS_NORMALDEGREE,
                                       D3DRS_MINTESSELLATIONLEVEL,
                                       D3DRS_MAXTESSELLATIONLEVEL,
                                       D3DRS_ADAPTIVETESS_X,
                                       D3DRS_ADAPTIVETESS_Y,
                                       D3DRS_ADAPTIVETESS_Z,
                                       D3DRS_ADAPTIVETESS_W,
                                       D3DRS_ENABLEADAPTIVETESSELLATION};

bool IsVertexStageState(int type) {
  return type == D3DTSS_TEXCOORDINDEX || type == D3DTSS_TEXTURETRANSFORMFLAGS;
}

} // namespace

void StateMask::AddLight(DWORD index) {
  if (std::find(lights.begin(), lights.end(), index) == lights.end()) lights.push_back(index);
}

StateMask StateMask::ForType(D3DSTATEBLOCKTYPE type, const DeviceState &current) {
  StateMask m;
  const bool all = type == D3DSBT_ALL, pixel = all || type == D3DSBT_PIXELSTATE,
             vertex = all || type == D3DSBT_VERTEXSTATE;
  if (all) m.renderStates.set();
  if (pixel && !all)
    for (int rs : kPixelRenderStates) m.renderStates.set(rs);
  if (vertex && !all)
    for (int rs : kVertexRenderStates) m.renderStates.set(rs);
  for (int st = 0; st < kStageCount; ++st)
    for (int t = 0; t < kStageStateCount; ++t)
      if (all || (pixel && !IsVertexStageState(t)) || (vertex && IsVertexStageState(t)))
        m.stageStates.set(st * kStageStateCount + t);
  for (int s = 0; s < kSamplerCount; ++s)
    for (int t = 0; t < kSamplerStateCount; ++t)
      if (all || (pixel && t != D3DSAMP_DMAPOFFSET) || (vertex && t == D3DSAMP_DMAPOFFSET))
        m.samplerStates.set(s * kSamplerStateCount + t);
  if (vertex)
    for (const auto &entry : current.lights) m.AddLight(entry.first);
  m.vertexShader = m.vertexFormat = vertex;
  if (vertex) {
    m.vsConstF.set();
    m.vsConstI.set();
    m.vsConstB.set();
  }
  m.pixelShader = pixel;
  if (pixel) {
    m.psConstF.set();
    m.psConstI.set();
    m.psConstB.set();
  }
  if (all) {
    m.transforms.set();
    m.material = true;
    m.textures.set();
    m.streams.set();
    m.indices = true;
    m.viewport = true;
    m.scissor = true;
    m.clipPlanes.set();
  }
  return m;
}

void CopyState(DeviceState &dst, const DeviceState &src, const StateMask &m) {
  for (int i = 0; i < kRenderStateCount; ++i)
    if (m.renderStates[i]) dst.renderStates[i] = src.renderStates[i];
  for (int st = 0; st < kStageCount; ++st)
    for (int t = 0; t < kStageStateCount; ++t)
      if (m.stageStates[st * kStageStateCount + t]) dst.stageStates[st][t] = src.stageStates[st][t];
  for (int s = 0; s < kSamplerCount; ++s)
    for (int t = 0; t < kSamplerStateCount; ++t)
      if (m.samplerStates[s * kSamplerStateCount + t])
        dst.samplerStates[s][t] = src.samplerStates[s][t];
  for (int i = 0; i < kTransformCount; ++i)
    if (m.transforms[i]) dst.transforms[i] = src.transforms[i];
  if (m.material) dst.material = src.material;
  for (DWORD index : m.lights) {
    auto it = src.lights.find(index);
    if (it != src.lights.end()) dst.lights[index] = it->second;
  }
  for (int i = 0; i < kSamplerCount; ++i)
    if (m.textures[i]) dst.textures[i] = src.textures[i];
  for (int i = 0; i < kStreamCount; ++i)
    if (m.streams[i]) dst.streams[i] = src.streams[i];
  if (m.indices) dst.indices = src.indices;
  if (m.vertexFormat) {
    dst.fvf = src.fvf;
    dst.declaration = src.declaration;
  }
  if (m.vertexShader) dst.vertexShader = src.vertexShader;
  if (m.pixelShader) dst.pixelShader = src.pixelShader;
  if (m.viewport) dst.viewport = src.viewport;
  if (m.scissor) dst.scissor = src.scissor;
  for (int i = 0; i < kClipPlaneCount; ++i)
    if (m.clipPlanes[i]) std::copy(src.clipPlanes[i], src.clipPlanes[i] + 4, dst.clipPlanes[i]);
  auto copyRows = [](auto &d, const auto &s, const auto &bits) {
    for (size_t i = 0; i < bits.size(); ++i)
      if (bits[i]) std::copy(std::begin(s[i]), std::end(s[i]), std::begin(d[i]));
  };
  copyRows(dst.vsConstF, src.vsConstF, m.vsConstF);
  copyRows(dst.vsConstI, src.vsConstI, m.vsConstI);
  copyRows(dst.psConstF, src.psConstF, m.psConstF);
  copyRows(dst.psConstI, src.psConstI, m.psConstI);
  for (int i = 0; i < kConstB; ++i) {
    if (m.vsConstB[i]) dst.vsConstB[i] = src.vsConstB[i];
    if (m.psConstB[i]) dst.psConstB[i] = src.psConstB[i];
  }
}

StateBlock::StateBlock(Device *device, StateMask mask)
    : DeviceChild(device, Owner::Self), mask_(std::move(mask)) {}

STDMETHODIMP StateBlock::QueryInterface(REFIID riid, void **ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDirect3DStateBlock9) {
    AddRef();
    *ppv = static_cast<IDirect3DStateBlock9 *>(this);
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP StateBlock::GetDevice(IDirect3DDevice9 **ppDevice) {
  if (!ppDevice) return D3DERR_INVALIDCALL;
  *ppDevice = OwningDevice();
  (*ppDevice)->AddRef();
  return D3D_OK;
}

STDMETHODIMP StateBlock::Capture() {
  Device *device = OwningDevice();
  HRESULT hr = D3D_OK;
  hr = ZrqComBoundary([&] {
    CopyState(state_, device->State(), mask_);
    return hr;
  });
  device->Recorder().Record("StateBlock::Capture", {}, this, hr, "%s", "");
  return hr;
}

STDMETHODIMP StateBlock::Apply() {
  Device *device = OwningDevice();
  HRESULT hr = D3D_OK;
  hr = ZrqComBoundary([&] {
    CopyState(device->MutableState(), state_, mask_);
    return hr;
  });
  device->Recorder().Record("StateBlock::Apply", {}, this, hr, "%s", "");
  return hr;
}

} // namespace zrq::d3d9
