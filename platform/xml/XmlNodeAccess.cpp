#include "platform/xml/XmlNodeAccess.h"

bool XmlGetNodeRef(IUnknown *unknown, XmlNodeRef &ref) {
  if (!unknown) return false;
  void *found = nullptr;
  if (FAILED(unknown->QueryInterface(IID_ZrqXmlNodeAccess, &found)) || !found) return false;
  auto *access = static_cast<XmlNodeAccess *>(found);
  ref = access->AccessNodeRef();
  access->AccessUnknown()->Release();
  return true;
}
