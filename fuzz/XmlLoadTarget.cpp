// Loads any text into a DOM document, and checks what a load promises: a failed load leaves
// an empty document, and a document that loaded writes out to XML that loads back to the same
// XML.
#include "fuzz/FuzzCheck.h"

#include <atlcomcli.h>
#include <msxml2.h>
#include <zrqtext.h>

#include <string>

namespace {

void Check(bool condition, const char *what) { FuzzCheck(condition, "xml_load", what); }

CComPtr<IXMLDOMDocument> NewDocument() {
  CComPtr<IXMLDOMDocument> document;
  Check(SUCCEEDED(
            ZrqCreateXMLDOMDocument(IID_IXMLDOMDocument, reinterpret_cast<void **>(&document))) &&
            document,
        "no document");
  return document;
}

// Loads `text`; the document's XML when it loaded.
bool Load(IXMLDOMDocument *document, const std::u16string &text, CComBSTR &xml) {
  CComBSTR source(text.c_str());
  VARIANT_BOOL loaded = VARIANT_FALSE;
  const HRESULT hr = document->loadXML(source, &loaded);
  Check(SUCCEEDED(hr), "loadXML failed as a call");
  Check((hr == S_OK) == (loaded == VARIANT_TRUE), "the status and the flag disagree");
  if (loaded != VARIANT_TRUE) {
    CComPtr<IXMLDOMElement> root;
    Check(document->get_documentElement(&root) == S_FALSE && !root,
          "a failed load left an element");
    return false;
  }
  Check(document->get_xml(&xml) == S_OK, "a loaded document gives no XML");
  return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char *>(data), size);
  // The text as UTF-8 when it is, else each byte as one character, so any bytes are a text.
  std::u16string text;
  if (!ZrqUtf8ToWide(bytes, &text)) text.assign(bytes.begin(), bytes.end());
  for (char16_t &c : text)
    if (c == 0) c = u' '; // a BSTR made from a C string ends at the first NUL
  CComBSTR first, second;
  if (!Load(NewDocument(), text, first)) return 0;
  const std::u16string written(first.m_str, first.Length());
  Check(Load(NewDocument(), written, second), "what was written does not load");
  Check(written == std::u16string_view(second.m_str, second.Length()),
        "what was written loads back to other XML");
  return 0;
}
