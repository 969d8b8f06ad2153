// The picture of an effect's property page: the page made through the module's class object
// for the class the effect names, handed the effect, activated in a frame window of ours and
// drawn by the window layer, as the user would see it.
#pragma once

#include "host/EffectModule.h"
#include "host/Frame.h"
#include "host/Status.h"

#include <atlcomcli.h>

// Fails with the reason when the module does not make the page, the page does not activate, or
// the window layer cannot draw it.
Result<Frame> PageScreenshot(const EffectModule &module, IUnknown *effect);
