#include "render/ColorShiftRenderer.h"

#include <zrqresource.h>

#include <cmath>

#include "effect/EffectIds.h"
#include "render/DeviceStateWrites.h"
#include "render/PanelNotFound.h"
#include "render/SharedVertex.h"

namespace {

// Colours as 0x00BBGGRR.
constexpr DWORD kRed = 0x000000FF;
constexpr DWORD kGreen = 0x0000FF00;
constexpr DWORD kBlue = 0x00FF0000;
constexpr DWORD kYellow = 0x0000FFFF;
constexpr DWORD kCyan = 0x00FFFF00;

constexpr WORD kShaderResource = 205;
// Below this alpha the second shifted colour is off, and its pass is not drawn.
constexpr float kPassOff = 0.00001f;

D3DCOLORVALUE ColorFromRef(DWORD ref) {
  return {static_cast<float>(ref & 0xFF) / 255.0f, static_cast<float>((ref >> 8) & 0xFF) / 255.0f,
          static_cast<float>((ref >> 16) & 0xFF) / 255.0f, 1.0f};
}

// A filter for the lit draw: the ambient term carries the colour, the diffuse alpha the alpha.
D3DMATERIAL9 MaterialFromColor(const D3DCOLORVALUE &c) {
  D3DMATERIAL9 m{};
  m.Diffuse = m.Ambient = m.Specular = c;
  m.Emissive = {0.0f, 0.0f, 0.0f, 1.0f};
  m.Power = 0.0f;
  return m;
}

struct Direction {
  bool valid, horizontal, vertical;
};

Direction ShiftDirection(LONG effectId) {
  switch (effectId) {
  case ColorShiftHorizontalEffectId:
    return {true, true, false};
  case ColorShiftVerticalEffectId:
    return {true, false, true};
  case ColorShiftDiagonalEffectId:
    return {true, true, true};
  default:
    return {false, false, false};
  }
}

bool MadeOn(IDirect3DPixelShader9 *shader, IDirect3DDevice9 *device) {
  CComPtr<IDirect3DDevice9> owner;
  return SUCCEEDED(shader->GetDevice(&owner)) && owner == device;
}

} // namespace

// Until a frame below half strength assigns them, the filters are those such a frame would
// give; the diagonal shift keeps them above half strength too.
ColorShiftRenderer::ColorShiftRenderer(LONG effectId)
    : effectId(effectId), backdropColor(ColorFromRef(kCyan)), firstShiftColor(ColorFromRef(kRed)),
      secondShiftColor({0.0f, 0.0f, 0.0f, 0.0f}) {
  defaultAspect = 1.3333334f;
}

float ColorShiftRenderer::Swing(double v) {
  double b;
  if (v <= 0.25)
    b = -0.25 * v;
  else if (v <= 0.5)
    b = -0.25 * (0.5 - v);
  else if (v <= 0.75)
    b = 0.25 * (v - 0.5);
  else
    b = 0.25 * (1.0 - v);
  return static_cast<float>(b);
}

bool ColorShiftRenderer::AddQuadPanel(int list, UINT quad) {
  std::unique_ptr<Panel> panel = Panel::Create();
  if (!panel) return false;
  panel->AssignRanges(vertexBuffer, 4 * quad, 4, indexBuffer, 6 * quad, 6);
  return panelLists[list].Add(std::move(panel));
}

HRESULT ColorShiftRenderer::Attach(IDirect3DDevice9 *newDevice, float aspect) {
  if (!newDevice) return E_FAIL;
  std::lock_guard<std::mutex> guard(drawLock);
  DistortionRenderer::Attach(newDevice, aspect);
  ReleaseBuffers();
  // Quads: the edge strips (two for the diagonal), then the backdrop.
  const UINT strips = effectId == ColorShiftDiagonalEffectId ? 2 : 1;
  if (FAILED(CreateBuffers(device, 4 * strips + 8, 6 * strips + 12))) {
    geometryReady = 0;
    return E_FAIL;
  }
  ClearPanels();
  geometryReady = 0; // the new panels hold nothing until they are laid out
  bool made = true;
  for (UINT i = 0; i < strips && made; ++i) made = AddQuadPanel(0, i);
  if (!made || !AddQuadPanel(1, strips)) {
    ReleaseBuffers();
    ClearPanels();
    return E_FAIL;
  }

  D3DCAPS9 caps{};
  if (SUCCEEDED(device->GetDeviceCaps(&caps)) && caps.VertexShaderVersion >= D3DVS_VERSION(1, 1) &&
      caps.PixelShaderVersion >= D3DPS_VERSION(2, 0) && ShiftDirection(effectId).valid)
    usePixelShader = true;
  if (!usePixelShader) return S_OK; // every UpdateGeometry lays out the passes

  CompilePixelShader(); // without the shader, every frame takes the passes
  panelLists[0].First()->SetQuad(2.0f, ModelHeight(), 0.0f, textureExtentV, textureExtentU, 0.0f);
  geometryReady = 1;
  return S_OK;
}

HRESULT ColorShiftRenderer::CompilePixelShader() {
  if (pixelShader && MadeOn(pixelShader, device)) return S_OK;
  // A shader of the device given up before this one must not reach the new device.
  pixelShader.Release();
  if (!shaderTokens) {
    CComPtr<ID3DXBuffer> errors; // kept to the end of the call, unread: the passes need no reason
    const HRESULT hr = D3DXCompileShaderFromResourceW(
        ZrqThisModule(), MAKEINTRESOURCEW(kShaderResource), nullptr, nullptr, "main", "ps_2_0",
        D3DXSHADER_DEBUG, &shaderTokens, &errors, &constantTable);
    if (FAILED(hr) || !shaderTokens) {
      shaderTokens.Release();
      constantTable.Release();
      return FAILED(hr) ? hr : E_FAIL;
    }
  }
  return device->CreatePixelShader(static_cast<const DWORD *>(shaderTokens->GetBufferPointer()),
                                   &pixelShader);
}

HRESULT ColorShiftRenderer::SetShaderConstants() {
  if (const HRESULT hr = device->SetPixelShader(pixelShader); FAILED(hr)) return hr;
  if (!constantTable) return E_FAIL;
  constantTable->SetFloat(device, "fEffectValue", static_cast<float>(effectValue));
  constantTable->SetFloat(device, "fOffsetX", offsetX);
  return constantTable->SetFloat(device, "fOffsetY", offsetY);
}

void ColorShiftRenderer::ComputeOffsets() {
  const Direction direction = ShiftDirection(effectId);
  const float b = Swing(effectValue);
  offsetX = direction.horizontal ? b : 0.0f;
  offsetY = direction.vertical ? b : 0.0f;
}

HRESULT ColorShiftRenderer::UpdateGeometry() {
  std::lock_guard<std::mutex> guard(drawLock);
  if (pixelShader) {
    ComputeOffsets();
    return S_OK;
  }
  const HRESULT hr = StatusOfPanelWork([this] { return LayOutPasses(); });
  if (FAILED(hr)) geometryReady = 0;
  return hr;
}

HRESULT ColorShiftRenderer::LayOutPasses() {
  const Direction direction = ShiftDirection(effectId);
  if (!direction.valid || !vertexBuffer || !indexBuffer) return E_FAIL;

  secondShiftColor.a = 0.0f;
  const float s = ModelHeight();
  const float b = Swing(effectValue);
  const float width = std::fabs(b);
  const float eU = textureExtentU;
  const float eV = textureExtentV;
  const bool upperHalf = effectValue > 0.5;

  if (!upperHalf) {
    backdropColor = ColorFromRef(kCyan);
    firstShiftColor = ColorFromRef(kRed);
  } else if (effectId == ColorShiftHorizontalEffectId) {
    backdropColor = ColorFromRef(kBlue);
    firstShiftColor = ColorFromRef(kRed);
    secondShiftColor = ColorFromRef(kGreen);
  } else if (effectId == ColorShiftVerticalEffectId) {
    backdropColor = ColorFromRef(kYellow);
    firstShiftColor = ColorFromRef(kBlue);
  }

  // Strips of the unfiltered picture along the edge the shifted colours leave uncovered: the
  // right or top edge above half strength, the left or bottom edge below.
  const auto placeVerticalStrip = [&](Panel &p) {
    if (upperHalf)
      p.SetQuad(width, s, (1 - width) * eU, eV, eU, 0.0f);
    else
      p.SetQuad(width, s, 0.0f, eV, width * eU, 0.0f);
    p.useWorldMatrix = 1;
    p.visible = 1;
    p.Translate(upperHalf ? (2 - width) / 2 : -(2 - width) / 2, 0.0f, 0.0f);
  };
  const auto placeHorizontalStrip = [&](Panel &p) {
    if (upperHalf)
      p.SetQuad(2.0f, width, 0.0f, width * eV, eU, 0.0f);
    else
      p.SetQuad(2.0f, width, 0.0f, eV, eU, 1 - width * eV);
    p.useWorldMatrix = 1;
    p.visible = 1;
    p.Translate(0.0f, upperHalf ? (s - width) / 2 : -(s - width) / 2, 0.0f);
  };
  PanelList &strips = panelLists[0];
  if (direction.horizontal && direction.vertical) {
    placeVerticalStrip(strips.At(1));
    placeHorizontalStrip(strips.At(0));
  } else if (direction.horizontal) {
    placeVerticalStrip(strips.At(0));
  } else {
    placeHorizontalStrip(strips.At(0));
  }

  // The passes move the filtered picture itself, against the direction the shader reads from.
  offsetX = direction.horizontal ? -b : 0.0f;
  offsetY = direction.vertical ? -b : 0.0f;

  Panel &backdrop = panelLists[1].At(0);
  backdrop.SetQuad(2.0f, s, 0.0f, eV, eU, 0.0f);
  backdrop.useWorldMatrix = 1;
  backdrop.visible = 1;
  D3DXMatrixIdentity(static_cast<D3DXMATRIX *>(&backdrop.worldMatrix));
  panelLists[1].material = MaterialFromColor(backdropColor);
  layeredDraw = 1;
  geometryReady = 1;
  return S_OK;
}

HRESULT ColorShiftRenderer::Render(IDirect3DTexture9 *const *textures, INT textureCount) {
  std::lock_guard<std::mutex> guard(drawLock);
  IDirect3DTexture9 *picture = InputTexture(0, textures, textureCount);
  return pixelShader ? RenderWithShader(picture) : RenderInPasses(picture);
}

HRESULT ColorShiftRenderer::RenderWithShader(IDirect3DTexture9 *picture) {
  if (!device || !vertexBuffer || !indexBuffer) return E_FAIL;
  IDirect3DDevice9 *d = device;
  SetShaderConstants(); // a constant that cannot be set leaves the shader's default
  d->SetVertexShader(nullptr);
  d->SetFVF(kSharedVertexFvf);
  d->SetStreamSource(0, vertexBuffer, 0, kSharedVertexStride);
  d->SetIndices(indexBuffer);
  d->SetTexture(0, picture);
  if (const Panel *quad = panelLists[0].First(); quad && quad->useWorldMatrix)
    d->SetTransform(D3DTS_WORLD, &quad->worldMatrix);
  return d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2);
}

HRESULT ColorShiftRenderer::RenderInPasses(IDirect3DTexture9 *picture) {
  // The filtered backdrop and the unfiltered edge strips first; the shifted colours are then
  // added onto them.
  IDirect3DTexture9 *const both[2] = {picture, picture};
  if (const HRESULT hr = DrawPanels(both, 2); FAILED(hr)) return hr;

  IDirect3DDevice9 *d = device;
  // Source alpha is the material's 1 (added to the texture's), so each pass adds its colour.
  SetRenderStateIfNeeded(d, D3DRS_ALPHABLENDENABLE, TRUE);
  SetRenderStateIfNeeded(d, D3DRS_DESTBLEND, D3DBLEND_SRCALPHA);
  SetRenderStateIfNeeded(d, D3DRS_SRCBLEND, D3DBLEND_ONE);
  SetTextureStageStateIfNeeded(d, 0, D3DTSS_ALPHAOP, D3DTOP_ADD);

  Panel *backdrop = panelLists[1].First();
  HRESULT status = S_OK;
  if (!DrawShiftedPass(backdrop, offsetX, offsetY, firstShiftColor, picture, status)) return status;
  // The second colour stands half as far again: 1.5 times the offset from its place.
  if (secondShiftColor.a > kPassOff &&
      !DrawShiftedPass(backdrop, offsetX / 2, offsetY / 2, secondShiftColor, picture, status))
    return status;
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  return status;
}

bool ColorShiftRenderer::DrawShiftedPass(Panel *backdrop, float dx, float dy,
                                         const D3DCOLORVALUE &colour, IDirect3DTexture9 *picture,
                                         HRESULT &status) {
  if (backdrop) backdrop->Translate(dx, dy, 0.0f);
  PanelList &list = panelLists[1];
  list.material = MaterialFromColor(colour);
  if (status = device->SetMaterial(&list.material); FAILED(status)) return false;
  if (status = device->SetTexture(0, picture); FAILED(status)) return false;
  status = DrawListPanels(list, status);
  return true;
}

HRESULT ColorShiftRenderer::SetTime(double) { return S_OK; }

HRESULT ColorShiftRenderer::SetEffectValue(const double *value, INT) {
  return ReadEffectValue(value, effectValue);
}
