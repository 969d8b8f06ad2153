// The three colour shifts: red (and, above half strength, more channels) is displaced against
// the rest of the picture, horizontally, vertically or both, by an offset that swings with the
// effect value. On a device that runs pixel shader 2.0, with a shader compiler at hand, one quad
// is drawn through a pixel shader; otherwise the picture is drawn in passes: a backdrop through a
// colour filter, strips of the unfiltered picture at the edge the shifted channel leaves
// uncovered, and the shifted channel (or channels) added on top.
#pragma once

#include <d3dx9.h>
#include <wtypes.h>

#include <mutex>

#include "render/DistortionRenderer.h"

class ColorShiftRenderer : public DistortionRenderer {
public:
  // effectId: one of the "Color Shift ..." identifiers; it names the direction. Layouts for any
  // other identifier fail (E_FAIL) and draw nothing.
  explicit ColorShiftRenderer(LONG effectId);

  // Buffers and panels for the passes, the device probe, and the shader where it can be had
  // (compiled once per renderer, created again for each new device). E_FAIL without a device
  // or when buffers or panels cannot be made; a missing shader is no failure.
  HRESULT Attach(IDirect3DDevice9 *newDevice, float aspect) override;

  // The shift for the current effect value: the shader's offsets, or the passes' panels,
  // filters and offsets.
  HRESULT UpdateGeometry() override;

  // Draws textures[0] shifted, in one shader pass or in two or three fixed-function passes.
  HRESULT Render(IDirect3DTexture9 *const *textures, INT textureCount) override;

  // Nothing here depends on time: S_OK.
  HRESULT SetTime(double time) override;

  // Keeps the value (held to 0..1); E_POINTER for null.
  HRESULT SetEffectValue(const double *value, INT size) override;

  // The amount of the shift for a value in 0..1: a piecewise-linear wave of period 1 between
  // -1/16 (at 0.25) and +1/16 (at 0.75), 0 at 0, 0.5 and 1.
  static float Swing(double effectValue);

protected:
  // The shader: compiled once (the tokens are kept), and created on the attached device when
  // there is none yet or the one there is belongs to another device.
  HRESULT CompilePixelShader();
  HRESULT SetShaderConstants();
  void ComputeOffsets();
  // The panels, filters and offsets of the passes; runs under drawLock and may throw
  // PanelNotFound.
  HRESULT LayOutPasses();
  HRESULT RenderWithShader(IDirect3DTexture9 *picture);
  HRESULT RenderInPasses(IDirect3DTexture9 *picture);
  // Moves the backdrop by (dx, dy) and adds it once more through the colour. False when the
  // material or texture could not be set (status is then that failure); otherwise status is
  // that of the pass's last draw.
  bool DrawShiftedPass(Panel *backdrop, float dx, float dy, const D3DCOLORVALUE &colour,
                       IDirect3DTexture9 *picture, HRESULT &status);

  double effectValue = 0.0;
  std::mutex drawLock;
  LONG effectId;
  float offsetX = 0.0f;
  float offsetY = 0.0f;
  D3DCOLORVALUE backdropColor;
  D3DCOLORVALUE firstShiftColor;
  D3DCOLORVALUE secondShiftColor;
  CComPtr<IDirect3DPixelShader9> pixelShader;
  CComPtr<ID3DXConstantTable> constantTable;
  CComPtr<ID3DXBuffer> shaderTokens;
  bool usePixelShader = false;

private:
  // A new panel in the list, bound to quad `quad` of the shared buffers; false without memory.
  bool AddQuadPanel(int list, UINT quad);
};
