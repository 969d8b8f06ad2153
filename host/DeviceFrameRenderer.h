// The device path: each frame is uploaded as a texture and the effect draws it with the
// software Direct3D 9 device (IDeviceEffect); the picture is what the target holds afterwards,
// its alpha as the device leaves it, transparent black where the effect drew nothing.
#pragma once

#include "host/DeviceTarget.h"
#include "host/FrameRenderer.h"

#include <ZRQDistortion2D.h>

class DeviceFrameRenderer final : public FrameRenderer {
public:
  // A device for pictures of `size`, SetDevice, then StartEffectOnPath.
  [[nodiscard]] static Result<std::unique_ptr<FrameRenderer>>
  Create(IUnknown *effect, FrameSize size, DeviceCaps caps);
  // ReleaseDevice: the effect gives up its device objects before the device goes.
  ~DeviceFrameRenderer() override;

  // Upload, Clear, then BeginScene, PrepareFrame, RenderFrame, EndScene, and the read-back.
  Status Render(const Frame &source, Frame &destination, double time) override;

private:
  DeviceFrameRenderer(CComPtr<IDeviceEffect> effect, std::unique_ptr<DeviceTarget> target)
      : target(std::move(target)), effect(std::move(effect)) {}

  std::unique_ptr<DeviceTarget> target;
  CComPtr<IDeviceEffect> effect;
};
