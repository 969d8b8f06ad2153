// The property page an effect names, made through the module's own class object as a host's
// property frame makes it: the host learns the page's class from ISpecifyPropertyPages and asks
// the module's DllGetClassObject for it, so no registration is needed.
#pragma once

#include "host/EffectModule.h"
#include "host/Status.h"

#include <atlcomcli.h>
#include <ocidl.h>

// A new page for the first class `effect` names. Fails with the reason when the effect names
// no page or the module does not make it.
[[nodiscard]] Result<CComPtr<IPropertyPage>> CreateEffectPropertyPage(const EffectModule &module,
                                                                      IUnknown *effect);
