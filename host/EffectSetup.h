// What every host does to an effect before it renders: its "Effect Value" key frames and the
// start on a render path.
#pragma once

#include "host/Status.h"

#include <atlcomcli.h>
#include <windows.h>

// A key frame's value as the property page would store it: a whole percentage as the
// parameter's own type (VT_I2), anything finer as VT_R8. Both evaluate the same way, the
// arithmetic of the straight-line law turning each into a 64-bit float.
CComVariant KeyFrameValue(double percent);

// The last step of putting an effect on a path, once its size or device is set: a clip
// duration of 1 and ApplyParameters, which builds what renders "Effect ID" on that path.
Status StartEffectOnPath(IUnknown *effect);
