// The base of the device-path renderers: the host's device, the shared vertex and index buffers,
// three panel lists with their materials, the lights of the shared draw, the per-frame capture
// and restore of the device state, the input aspects, and the lock that guards drawing.
//
// Locks, always in this order: the effect object's renderLock, then a concrete renderer's own
// lock (drawLock or geometryLock), then `lock` here. `lock` is taken only by the shared draw and
// DetachDevice, and nothing is called from under it that takes another.
#pragma once

#include <atlcomcli.h>
#include <d3d9.h>

#include <mutex>

#include "render/PanelList.h"

class DistortionRenderer {
public:
  DistortionRenderer();
  DistortionRenderer(const DistortionRenderer &) = delete;
  DistortionRenderer &operator=(const DistortionRenderer &) = delete;

  // Releases the buffers, the panels, the captured state and the device. A concrete renderer
  // releases its own device objects first.
  virtual ~DistortionRenderer();

  // Draws one frame into the device's current render target; textures[0] is the picture to
  // distort. The base draws the panel lists (DrawPanels).
  virtual HRESULT Render(IDirect3DTexture9 *const *textures, INT textureCount);

  // Holds the host's device (the new reference is taken before an old one goes), takes the
  // output width over height and resets every input aspect to 4/3. Concrete renderers call this
  // first and then build their buffers, panels and shaders.
  virtual HRESULT Attach(IDirect3DDevice9 *newDevice, float aspect);

  // Per-frame geometry from the current effect value. The base has none: E_NOTIMPL.
  virtual HRESULT UpdateGeometry();

  // Per-frame time, already clamped to 0..duration. The base has no use for it: E_NOTIMPL.
  virtual HRESULT SetTime(double time);

  // The effect value scaled to 0..1; size is its size in bytes (8). Every renderer keeps it for
  // the next SetTime, UpdateGeometry and Render.
  virtual HRESULT SetEffectValue(const double *value, INT size) = 0;

  // Captures the whole device state for EndFrame, dropping an unapplied capture of an earlier
  // frame. E_POINTER without a device; otherwise S_OK, also when the capture cannot be made
  // (the frame is then drawn without the restore).
  HRESULT BeginFrame();

  // Takes the width over height of each input; entries beyond count become defaultAspect.
  // E_FAIL (nothing changed) for a count outside 0..4, E_POINTER for null aspects with a
  // positive count.
  HRESULT SetInputAspects(const float *aspects, INT count);

  // Puts back the state captured by BeginFrame, if any, and drops it. S_OK.
  HRESULT EndFrame();

  // The host gives up its device: drops the buffers, the panels, any captured state and the
  // device. The renderer must be attached again before it draws. S_OK.
  HRESULT DetachDevice();

  // Written by the effect object: the clip's length, and where the picture ends inside its
  // texture (set before every UpdateGeometry).
  double duration = 0.0;
  float textureExtentU = 1.0f;
  float textureExtentV = 1.0f;

protected:
  // Creates whichever shared buffer is missing: vertices × 32 bytes of SharedVertex (only for
  // more than one vertex) and indices × 2 bytes of 16-bit indices, both in D3DPOOL_DEFAULT.
  // An existing buffer is kept whatever its size. E_FAIL without a device or when a creation
  // fails (the other buffer is still attempted); otherwise S_OK.
  HRESULT CreateBuffers(IDirect3DDevice9 *target, UINT vertices, UINT indices);

  // Drops both shared buffers and zeroes their capacities. Panels keep their ranges but no
  // longer point at the released buffers, so they cannot lock them. S_OK.
  HRESULT ReleaseBuffers();

  // Empties the three panel lists, destroying their panels.
  void ClearPanels();

  // The shared mesh draw: lists 0, 1 and 2 with fixed-function lighting, each with its material
  // and texture g (or none when g >= textureCount); under layeredDraw list 1 first, as the
  // backdrop, and lists 0 and 2 blended over it. S_OK, or the failure of the step that stopped.
  HRESULT DrawPanels(IDirect3DTexture9 *const *textures, INT textureCount);

  // Every visible panel of the list, under the states already set; the status of the last draw,
  // or `last` when nothing was drawn. For a renderer's further passes after DrawPanels.
  HRESULT DrawListPanels(const PanelList &list, HRESULT last);

  // Texture `index` of a Render call's textures, or null when there is none at that index.
  static IDirect3DTexture9 *InputTexture(INT index, IDirect3DTexture9 *const *textures,
                                         INT textureCount);

  // Takes the effect value for SetEffectValue: E_POINTER (nothing written) for a null value;
  // otherwise S_OK with the value held to 0..1, NaN read as 0. The effect object already sends
  // 0..1; holding it here keeps any other double from reaching sizes, counts and angles.
  static HRESULT ReadEffectValue(const double *value, double &out);

  // Height of the picture in model space: it is 2.0 wide, so 2.0 divided by its width over height.
  float ModelHeight() const { return 2.0f / inputAspects[0]; }

  PanelList panelLists[3];
  CComPtr<IDirect3DVertexBuffer9> vertexBuffer;
  CComPtr<IDirect3DIndexBuffer9> indexBuffer;
  UINT vertexCapacity = 0;
  UINT indexCapacity = 0;
  D3DCOLOR ambientColor = 0xFFFFFFFF;
  D3DLIGHT9 lights[3];
  BOOL lightEnabled[3] = {FALSE, FALSE, FALSE};
  int geometryReady = 0;
  int layeredDraw = 0;
  CComPtr<IDirect3DDevice9> device;
  std::mutex lock;
  float defaultAspect = 1.0f;
  CComPtr<IDirect3DStateBlock9> savedState;
  float inputAspects[5];
  int inputCount = 1;

private:
  // List 1 under layeredDraw, drawn under the host's depth state before the depth clear.
  HRESULT DrawBackdropList(IDirect3DTexture9 *const *textures, INT textureCount);
};
