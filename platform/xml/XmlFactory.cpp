// The exported way to get a new document.
#include <msxml2.h>

#include "platform/xml/XmlDocument.h"

STDAPI ZrqCreateXMLDOMDocument(REFIID riid, void **ppv) { return XmlDocument::Create(riid, ppv); }
