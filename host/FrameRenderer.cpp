#include "host/FrameRenderer.h"

#include "host/DeviceFrameRenderer.h"
#include "host/SoftwareFrameRenderer.h"
#include "host/StatusCode.h"

#include <ZRQDistortion2D.h>
#include <atlcomcli.h>

std::string_view RenderPathName(RenderPath path) {
  switch (path) {
  case RenderPath::Software:
    return "software";
  case RenderPath::Device:
    return "device";
  }
  return "unknown";
}

Result<std::unique_ptr<FrameRenderer>> MakeFrameRenderer(RenderPath path, IUnknown *effect,
                                                         FrameSize size, DeviceCaps caps) {
  switch (path) {
  case RenderPath::Software:
    return SoftwareFrameRenderer::Create(effect, size);
  case RenderPath::Device:
    return DeviceFrameRenderer::Create(effect, size, caps);
  }
  return Error{"unknown render path"};
}
