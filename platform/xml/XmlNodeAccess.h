// How the DOM recognises its own node objects among the interface pointers it is handed:
// they answer a private interface identifier with this view of themselves.
#pragma once

#include <unknwn.h>

#include "platform/xml/XmlTree.h"

// {6B0E3C52-94D1-4E0B-8F3A-2D7C51A4E911}
DEFINE_GUID(IID_ZrqXmlNodeAccess, 0x6B0E3C52, 0x94D1, 0x4E0B, 0x8F, 0x3A, 0x2D, 0x7C, 0x51, 0xA4,
            0xE9, 0x11);

class XmlNodeAccess {
public:
  virtual const XmlNodeRef &AccessNodeRef() const = 0;
  // The object's IUnknown, to release the reference the query took.
  virtual IUnknown *AccessUnknown() = 0;

protected:
  ~XmlNodeAccess() = default;
};

// The node behind unknown when it is one of ours; false for a null pointer or a foreign object.
bool XmlGetNodeRef(IUnknown *unknown, XmlNodeRef &ref);
