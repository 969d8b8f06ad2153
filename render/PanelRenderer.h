// The base of the renderers that draw the picture as flat panels with the shared draw
// (Replicate, Mirror, Panel Rotate): it keeps the effect value and the geometry lock, makes the
// shared buffers and the panels, and runs each frame's layout so that a panel or buffer that is
// not there becomes a failure status, and nothing is drawn from it.
#pragma once

#include <mutex>

#include "render/DistortionRenderer.h"

class PanelRenderer : public DistortionRenderer {
public:
  // A quad centred on the origin: its size and its texture corners (bottom left, top right).
  struct Quad {
    float width, height, uLeft, vBottom, uRight, vTop;
  };

  // E_FAIL for a null device. Otherwise holds the device and, for a renderer whose panels are
  // fixed, makes them now (E_FAIL when that fails: nothing may then be drawn); S_OK.
  HRESULT Attach(IDirect3DDevice9 *newDevice, float aspect) override;

  // Lays the panels out for the current effect value, then draws them layered. A failure
  // (panels or buffers missing, or not to be had) is returned and keeps anything from being
  // drawn until a later layout succeeds.
  HRESULT UpdateGeometry() override;

  // Nothing here depends on time: S_OK.
  HRESULT SetTime(double time) override;

  // Keeps the value (held to 0..1) for the next UpdateGeometry; E_POINTER for null.
  HRESULT SetEffectValue(const double *value, INT size) override;

protected:
  // panelsAtAttach: the number of panels Attach makes, or 0 when every layout makes its own.
  explicit PanelRenderer(UINT panelsAtAttach);

  // Places the panels from effectValue; runs under geometryLock. Panels are found with At,
  // whose PanelNotFound for a missing panel becomes E_FAIL.
  virtual HRESULT LayOutPanels() = 0;

  // Shared buffers made anew for `count` quads, and `count` new panels in list 0 with the keys
  // 0 to count - 1. E_FAIL when the buffers cannot be made (earlier panels then stay), or when
  // a panel cannot be (buffers and panels are then dropped).
  HRESULT AllocatePanels(UINT count);

  // Panel `key` of list 0 bound to its own four vertices and six indices of the shared buffers
  // and filled with the quad (centred on the origin). Throws PanelNotFound when it is missing.
  Panel &PlaceQuad(int key, const Quad &quad);

  double effectValue = 0.0;
  std::mutex geometryLock;

private:
  UINT panelsAtAttach;
};
