// The software Direct3D 9 device a host draws the effect with, made as a host makes one: a
// W x H A8R8G8B8 back buffer with an automatic D24S8 depth-stencil buffer, view and projection
// that lay the module's model space on it texel for pixel, and lighting off. Beside it, the texture
// each picture is uploaded into and the system-memory surface the target is read back through.
#pragma once

#include "host/Frame.h"
#include "host/FrameRenderer.h"
#include "host/Status.h"

#include <atlcomcli.h>
#include <d3d9.h>

#include <memory>

class DeviceTarget {
public:
  // `caps` chooses whether the device reports shader support (it runs shaders either way).
  [[nodiscard]] static Result<std::unique_ptr<DeviceTarget>>
  Create(FrameSize size, DeviceCaps caps = DeviceCaps::Shaders);

  IDirect3DDevice9 *Device() const { return device; }
  IDirect3DTexture9 *Texture() const { return texture; }
  FrameSize Size() const { return size; }

  // Copies a picture of the target's size, held bottom-up with packed rows as a Frame holds
  // it, into the texture, which holds its top row first.
  Status Upload(const BYTE *pixels);
  // The whole target to transparent black, depth to 1 and stencil to 0: what the effect does
  // not cover keeps what the target held.
  Status Clear();
  // The render target into `destination` (the target's size), the right way up.
  Status ReadBack(Frame &destination);

private:
  DeviceTarget() = default;

  FrameSize size;
  CComPtr<IDirect3D9> direct3d;
  CComPtr<IDirect3DDevice9> device;
  CComPtr<IDirect3DTexture9> texture;
  CComPtr<IDirect3DSurface9> renderTarget;
  CComPtr<IDirect3DSurface9> readBack;
};
