// Loads a document into a new effect's parameter set that already holds key frames, and
// checks what a load promises: a failed load changes nothing, and a set that was loaded
// saves and loads back to itself.
#include "fuzz/FuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include <atlcomcli.h>
#include <msxml2.h>

#include "effect/EffectParameterTable.h"
#include "params/EffectParameters.h"

namespace {

void Check(bool condition, const char *what) { FuzzCheck(condition, "load_parameters", what); }

CComPtr<IXMLDOMDocument> NewDocument() {
  CComPtr<IXMLDOMDocument> document;
  Check(SUCCEEDED(
            ZrqCreateXMLDOMDocument(IID_IXMLDOMDocument, reinterpret_cast<void **>(&document))) &&
            document,
        "no document");
  return document;
}

// The set as it saves, under an element of its own in a new document.
struct Saved {
  CComPtr<IXMLDOMDocument> document;
  CComPtr<IXMLDOMElement> element;
  std::string text;
};

Saved Save(IEffectParameters *parameters) {
  Saved saved;
  saved.document = NewDocument();
  Check(saved.document->createElement(CComBSTR(u"Saved"), &saved.element) == S_OK, "createElement");
  Check(saved.document->appendChild(saved.element, nullptr) == S_OK, "appendChild");
  Check(parameters->SaveParameters(saved.element) == S_OK, "a save failed");
  CComBSTR xml;
  Check(saved.element->get_xml(&xml) == S_OK, "get_xml");
  saved.text = ZrqToUtf8(xml, xml.Length());
  return saved;
}

CComPtr<IEffectParameters> NewParameterSet() {
  CComPtr<IEffectParameters> parameters;
  Check(EffectParameters::Create(IID_IEffectParameters, reinterpret_cast<void **>(&parameters)) ==
            S_OK,
        "Create");
  Check(RegisterEffectParameters(*static_cast<EffectParameters *>(parameters.p)) == S_OK,
        "register");
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_I2;
  value.iVal = 40;
  Check(parameters->SetKeyFrameValue(0.25, 1, 21, value) == S_OK, "key frame");
  value.iVal = 80;
  Check(parameters->SetKeyFrameValue(0.75, 4, 21, value) == S_OK, "key frame");
  value.vt = VT_R8;
  value.dblVal = 0.5;
  Check(parameters->SetKeyFrameValue(0.5, 2, 20, value) == S_OK, "key frame");
  return parameters;
}

// Saving writes key-frame values by name; they come back to the same ids only when every
// name picks out one parameter.
bool NamesAreDistinct(IEffectParameters *parameters) {
  std::set<std::u16string> names;
  for (ULONG index = 0;; ++index) {
    LONG id = 0;
    if (parameters->GetParameterId(index, &id) != S_OK) return true;
    CComBSTR name;
    Check(parameters->GetParameterInfo(id, nullptr, nullptr, nullptr, nullptr, &name, nullptr,
                                       nullptr) == S_OK,
          "GetParameterInfo");
    if (!names.emplace(name ? std::u16string(name, name.Length()) : u"\uFFFF<absent>").second)
      return false;
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  CComPtr<IXMLDOMDocument> document = NewDocument();
  CComBSTR xml(ZrqFromUtf8(std::string_view(reinterpret_cast<const char *>(data), size)));
  VARIANT_BOOL loaded = VARIANT_FALSE;
  if (document->loadXML(xml, &loaded) != S_OK || loaded != VARIANT_TRUE) return 0;
  CComPtr<IXMLDOMElement> element;
  if (document->get_documentElement(&element) != S_OK || !element) return 0;

  CComPtr<IEffectParameters> parameters = NewParameterSet();
  const std::string before = Save(parameters).text;
  const HRESULT hr = parameters->LoadParameters(element);
  if (FAILED(hr)) {
    Check(Save(parameters).text == before, "a failed load changed the parameter set");
    return 0;
  }
  Check(hr == S_OK || hr == S_FALSE, "a load succeeded with an unexpected status");

  const Saved first = Save(parameters);
  if (!NamesAreDistinct(parameters)) return 0;
  Check(parameters->LoadParameters(first.element) == S_OK, "a saved set did not load back");
  Check(Save(parameters).text == first.text, "a saved set loaded back differently");
  return 0;
}
