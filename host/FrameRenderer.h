// One render path of the module's effect: a picture in, the effect's picture out, at a
// normalised time of the clip. Both paths give the effect a clip duration of 1, so the time
// of a frame is the time its "Effect Value" is read at, exactly as EffectValueSchedule reads it.
#pragma once

#include "host/EffectSetup.h"
#include "host/Frame.h"
#include "host/Status.h"

#include <windows.h>

#include <memory>
#include <string_view>

enum class RenderPath {
  Software, // ISoftwareEffect on pixel memory
  Device,   // IDeviceEffect on the platform's software Direct3D 9 device
};

// "software" or "device", as --path takes it.
std::string_view RenderPathName(RenderPath path);

// What the device path's device says it can do with shaders (--caps).
enum class DeviceCaps {
  Shaders, // vertex shader 1.1 and pixel shader 2.0: the wave and colour shifts run shaders
  None,    // no shaders: they take their fallbacks
};

class FrameRenderer {
public:
  virtual ~FrameRenderer() = default;

  // Renders `source` into `destination`, both of the size the renderer was made for, at the
  // normalised time `time`.
  virtual Status Render(const Frame &source, Frame &destination, double time) = 0;
};

// Puts `effect` on `path` for pictures of `size`. The effect must not have been on a render
// path before (ProjectParameters hands its effects out that way).
[[nodiscard]] Result<std::unique_ptr<FrameRenderer>>
MakeFrameRenderer(RenderPath path, IUnknown *effect, FrameSize size,
                  DeviceCaps caps = DeviceCaps::Shaders);
