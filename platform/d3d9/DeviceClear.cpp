// Clear: fills the target, depth and stencil inside the viewport (and scissor rectangle),
// optionally limited to a list of rectangles.
#include "platform/d3d9/Device.h"

#include <algorithm>

namespace zrq::d3d9 {

STDMETHODIMP Device::Clear(DWORD Count, const D3DRECT *pRects, DWORD Flags, D3DCOLOR Color, float Z,
                           DWORD Stencil) {
  HRESULT hr = D3D_OK;
  Surface *rt = renderTarget_.get();
  Surface *ds = depthStencil_.get();
  const DWORD known = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL;
  if ((Count && !pRects) || !(Flags & known) || (Flags & ~known) || !rt) hr = D3DERR_INVALIDCALL;
  if (SUCCEEDED(hr) && (Flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !ds)
    hr = D3DERR_INVALIDCALL;
  if (SUCCEEDED(hr) && (Flags & D3DCLEAR_STENCIL) && !HasStencil(ds->Pixels().format))
    hr = D3DERR_INVALIDCALL;
  if (SUCCEEDED(hr) && (Flags & D3DCLEAR_ZBUFFER) && !(Z >= 0.0f && Z <= 1.0f))
    hr = D3DERR_INVALIDCALL;
  if (SUCCEEDED(hr)) {
    const D3DVIEWPORT9 &vp = state_.viewport;
    LONG x0 = static_cast<LONG>(vp.X), y0 = static_cast<LONG>(vp.Y);
    LONG x1 = static_cast<LONG>(
        std::min<uint64_t>(static_cast<uint64_t>(vp.X) + vp.Width, rt->Pixels().width));
    LONG y1 = static_cast<LONG>(
        std::min<uint64_t>(static_cast<uint64_t>(vp.Y) + vp.Height, rt->Pixels().height));
    if (state_.renderStates[D3DRS_SCISSORTESTENABLE]) {
      x0 = std::max(x0, state_.scissor.left);
      y0 = std::max(y0, state_.scissor.top);
      x1 = std::min(x1, state_.scissor.right);
      y1 = std::min(y1, state_.scissor.bottom);
    }
    const uint32_t z24 = static_cast<uint32_t>(static_cast<double>(Z) * 16777215.0 + 0.5);
    const uint32_t depthMask =
        ((Flags & D3DCLEAR_ZBUFFER) ? 0xFFFFFF00u : 0u) | ((Flags & D3DCLEAR_STENCIL) ? 0xFFu : 0u);
    const uint32_t depthValue = (z24 << 8) | (Stencil & 0xFF);
    auto fill = [&](LONG ax, LONG ay, LONG bx, LONG by) {
      ax = std::max(ax, x0), ay = std::max(ay, y0), bx = std::min(bx, x1), by = std::min(by, y1);
      if (ax >= bx || ay >= by) return;
      if (Flags & D3DCLEAR_TARGET) {
        for (LONG y = ay; y < by; ++y) {
          auto *row = reinterpret_cast<uint32_t *>(rt->Pixels().Row(static_cast<UINT>(y)));
          FillWords(row + ax, static_cast<size_t>(bx - ax), Color);
        }
      }
      if (!depthMask) return;
      // The depth surface may be smaller than the target.
      const PixelBuffer &words = ds->Pixels();
      const int dx1 = static_cast<int>(std::min<LONG>(bx, static_cast<LONG>(words.width)));
      const int dy1 = static_cast<int>(std::min<LONG>(by, static_cast<LONG>(words.height)));
      DeferredDepth &held = ds->HeldDepth();
      // Whole rows are held back until a draw reads them; a part of a row is cleared at once,
      // over what is held for it.
      if (ax == 0 && dx1 == static_cast<int>(words.width) &&
          held.Defer(ay, dy1, depthValue, depthMask))
        return;
      held.Settle(ay, dy1);
      for (int y = ay; y < dy1; ++y)
        DeferredDepth::ClearWords(reinterpret_cast<uint32_t *>(words.Row(static_cast<UINT>(y))), ax,
                                  dx1, depthValue, depthMask);
    };
    if (Count == 0) {
      fill(x0, y0, x1, y1);
    } else {
      for (DWORD i = 0; i < Count; ++i)
        fill(pRects[i].x1, pRects[i].y1, pRects[i].x2, pRects[i].y2);
    }
  }
  recorder_.Record("Clear", {Count, Flags, Color, FloatBits(Z), Stencil}, nullptr, hr,
                   "%u, 0x%X, 0x%08X, %g, %u", Count, Flags, Color, Z, Stencil);
  return hr;
}

} // namespace zrq::d3d9
