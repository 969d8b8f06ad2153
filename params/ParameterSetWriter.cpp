#include "params/ParameterSetWriter.h"

#include <atlcomcli.h>

#include <new>
#include <unordered_map>

#include "params/ParameterSetXmlNames.h"
#include "params/XmlChildValue.h"

namespace {

namespace Names = ParameterSetXmlNames;

class Writer {
public:
  explicit Writer(IXMLDOMDocument *document) : document(document) {}

  HRESULT NewElement(LPCOLESTR name, CComPtr<IXMLDOMElement> &element) {
    CComBSTR tag(name);
    if (!tag) return E_OUTOFMEMORY;
    const HRESULT hr = document->createElement(tag, &element);
    if (SUCCEEDED(hr) && !element) return E_FAIL;
    return hr;
  }

  // An unwritable value type is left out without failing.
  HRESULT Value(IXMLDOMNode *parent, LPCOLESTR tag, const VARIANT &value) {
    const HRESULT hr = WriteChildValue(document, parent, tag, value);
    return FAILED(hr) ? hr : S_OK;
  }

  HRESULT Text(IXMLDOMNode *parent, LPCOLESTR tag, const SharedString &text) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = text.Get(); // borrowed: the DOM copies it
    return Value(parent, tag, value);
  }

  HRESULT Long(IXMLDOMNode *parent, LPCOLESTR tag, LONG number) {
    return Value(parent, tag, CComVariant(number));
  }

  HRESULT Double(IXMLDOMNode *parent, LPCOLESTR tag, double number) {
    return Value(parent, tag, CComVariant(number));
  }

  HRESULT ParameterSet(const std::vector<ParameterRecord> &records, CComPtr<IXMLDOMElement> &set) {
    HRESULT hr = NewElement(Names::ParameterSet, set);
    for (size_t i = 0; i < records.size() && SUCCEEDED(hr); ++i) {
      CComPtr<IXMLDOMElement> parameter;
      hr = NewElement(Names::Parameter, parameter);
      if (SUCCEEDED(hr)) hr = Value(parameter, Names::Value, records[i].Value);
      if (SUCCEEDED(hr)) hr = Text(parameter, Names::Name, records[i].Name);
      if (SUCCEEDED(hr)) hr = set->appendChild(parameter, nullptr);
    }
    return hr;
  }

  // Key-frame values name their parameter when the table gives it a name, else its id.
  using NamesById = std::unordered_map<LONG, const SharedString *>;

  HRESULT Group(LPCOLESTR groupName, const KeyFrameGroup &group, const NamesById &names,
                CComPtr<IXMLDOMElement> &element) {
    HRESULT hr = NewElement(groupName, element);
    for (auto frame = group.begin(); frame != group.end() && SUCCEEDED(hr); ++frame) {
      CComPtr<IXMLDOMElement> keyFrame;
      hr = NewElement(Names::KeyFrame, keyFrame);
      if (SUCCEEDED(hr)) hr = Double(keyFrame, Names::Time, frame->first);
      for (auto held = frame->second.begin(); held != frame->second.end() && SUCCEEDED(hr);
           ++held) {
        const LONG id = static_cast<LONG>(held->first);
        CComPtr<IXMLDOMElement> parameter;
        hr = NewElement(Names::Parameter, parameter);
        if (SUCCEEDED(hr)) hr = Value(parameter, Names::Value, held->second);
        if (SUCCEEDED(hr)) {
          const auto named = names.find(id);
          hr = named != names.end() && !named->second->IsEmpty()
                   ? Text(parameter, Names::Name, *named->second)
                   : Long(parameter, Names::ParamID, id);
        }
        if (SUCCEEDED(hr)) hr = keyFrame->appendChild(parameter, nullptr);
      }
      if (SUCCEEDED(hr)) hr = element->appendChild(keyFrame, nullptr);
    }
    return hr;
  }

private:
  IXMLDOMDocument *document;
};

HRESULT WriteAll(const ParameterSetSnapshot &set, IXMLDOMNode *node) {
  CComPtr<IXMLDOMDocument> document;
  HRESULT hr = node->get_ownerDocument(&document);
  if (FAILED(hr)) return hr;
  if (!document) return E_INVALIDARG;
  Writer writer(document);

  std::vector<CComPtr<IXMLDOMElement>> parts;
  if (!set.records.empty()) {
    CComPtr<IXMLDOMElement> parameterSet;
    hr = writer.ParameterSet(set.records, parameterSet);
    if (FAILED(hr)) return hr;
    parts.push_back(parameterSet);
  }
  Writer::NamesById names;
  for (const ParameterRecord &record : set.records) names.try_emplace(record.ParamID, &record.Name);
  for (size_t g = 0; g < set.groups.size(); ++g) {
    if (set.groups[g].empty()) continue;
    CComPtr<IXMLDOMElement> group;
    hr = writer.Group(Names::Groups[g], set.groups[g], names, group);
    if (FAILED(hr)) return hr;
    parts.push_back(group);
  }

  CComPtr<IXMLDOMNode> target = node;
  CComPtr<IXMLDOMElement> wrapper;
  if (!set.rootElementName.IsEmpty()) {
    hr = document->createElement(set.rootElementName.Get(), &wrapper);
    if (FAILED(hr)) return hr;
    if (!wrapper) return E_FAIL;
    target = wrapper.p;
  }
  for (const CComPtr<IXMLDOMElement> &part : parts) {
    hr = target->appendChild(part, nullptr);
    if (FAILED(hr)) return hr;
  }
  if (wrapper) return node->appendChild(wrapper, nullptr);
  return S_OK;
}

} // namespace

HRESULT WriteParameterSet(const ParameterSetSnapshot &set, IXMLDOMNode *node) noexcept {
  if (node == nullptr) return E_POINTER;
  try {
    return WriteAll(set, node);
  } catch (const std::bad_alloc &) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}
