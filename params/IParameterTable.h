// The parameter table's own interface. It is not offered to callers of the effect; the
// parameter set reaches its table through it.
#pragma once

#include <oleauto.h>

// {06516811-B207-4103-A736-C37D3A09A013}
DEFINE_GUID(IID_IParameterTable, 0x06516811, 0xB207, 0x4103, 0xA7, 0x36, 0xC3, 0x7D, 0x3A, 0x09,
            0xA0, 0x13);

struct IParameterTable : public IUnknown {
  STDMETHOD(GetCount)(ULONG *count) PURE;
  STDMETHOD(GetValue)(LONG id, VARIANT *value) PURE;
  STDMETHOD(GetType)(LONG id, VARTYPE *vt) PURE;
  STDMETHOD(GetName)(LONG id, BSTR *name) PURE;
  STDMETHOD(GetDescription)(LONG id, BSTR *desc) PURE;
  STDMETHOD(GetRange)(LONG id, VARIANT *valueMin, VARIANT *valueMax) PURE;
  STDMETHOD(GetUsage)(LONG id, LONG *usage) PURE;
  STDMETHOD(GetDefault)(LONG id, VARIANT *valueDef) PURE;
};
ZRQ_DECLARE_UUID(IParameterTable, 0x06516811, 0xB207, 0x4103, 0xA7, 0x36, 0xC3, 0x7D, 0x3A, 0x09,
                 0xA0, 0x13);
