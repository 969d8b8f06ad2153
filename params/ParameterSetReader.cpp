#include "params/ParameterSetReader.h"

#include <atlcomcli.h>

#include <cmath>
#include <new>

#include "params/ParameterSetXmlNames.h"
#include "params/XmlChildValue.h"

namespace {

namespace Names = ParameterSetXmlNames;

// Calls visit for each node that query selects under node, in document order, until visit
// fails. The result is the first failure, or S_OK.
template <typename Visit>
HRESULT ForEachSelected(IXMLDOMNode *node, LPCOLESTR query, Visit &&visit) {
  CComBSTR text(query);
  if (!text) return E_OUTOFMEMORY;
  CComPtr<IXMLDOMNodeList> list;
  HRESULT hr = node->selectNodes(text, &list);
  if (FAILED(hr)) return hr;
  if (!list) return E_FAIL;
  for (;;) {
    CComPtr<IXMLDOMNode> item;
    hr = list->nextNode(&item);
    if (FAILED(hr)) return hr;
    if (hr != S_OK || !item) return S_OK;
    hr = visit(item.p);
    if (FAILED(hr)) return hr;
  }
}

// A present text element into a shared string; an absent one leaves it absent.
HRESULT ReadSharedText(IXMLDOMNode *element, LPCOLESTR tag, SharedString *out) {
  CComBSTR text;
  const HRESULT hr = ReadChildText(element, tag, &text);
  if (hr != S_OK) return hr;
  return SharedString::FromBstr(text, out);
}

// A present "i4" field into *out; S_FALSE when it is absent.
HRESULT ReadLong(IXMLDOMNode *element, LPCOLESTR tag, LONG *out) {
  CComVariant value;
  const HRESULT hr = ReadChildValueAs(element, tag, VT_I4, &value);
  if (hr == S_OK) *out = value.lVal;
  return hr;
}

HRESULT ReadRecord(IXMLDOMNode *parameter, LoadedRecord *loaded) {
  ParameterRecord &record = loaded->record;
  const std::pair<LPCOLESTR, StoredVariant *> values[] = {
      {Names::Value, &record.Value},
      {Names::ValueMin, &record.ValueMin},
      {Names::ValueMax, &record.ValueMax},
      {Names::ValueDef, &record.ValueDef},
  };
  for (const auto &[tag, value] : values) {
    const HRESULT hr = ReadChildValue(parameter, tag, value);
    if (FAILED(hr)) return hr;
  }
  HRESULT hr = ReadLong(parameter, Names::ParamID, &record.ParamID);
  if (FAILED(hr)) return hr;
  loaded->hasId = hr == S_OK;
  hr = ReadLong(parameter, Names::Usage, &record.Usage);
  if (FAILED(hr)) return hr;
  if (hr != S_OK) record.Usage = 2; // no usage given: the merge keeps the table's
  hr = ReadSharedText(parameter, Names::Name, &record.Name);
  if (FAILED(hr)) return hr;
  hr = ReadSharedText(parameter, Names::Desc, &record.Desc);
  return FAILED(hr) ? hr : S_OK;
}

HRESULT ReadKeyFrameValue(IXMLDOMNode *parameter, LoadedKeyFrameValue *loaded, bool *unnamed) {
  *unnamed = false;
  HRESULT hr = ReadChildValue(parameter, Names::Value, &loaded->value);
  if (FAILED(hr)) return hr;
  hr = ReadLong(parameter, Names::ParamID, &loaded->id);
  if (FAILED(hr)) return hr;
  loaded->hasId = hr == S_OK;
  if (loaded->hasId) return S_OK;
  hr = ReadSharedText(parameter, Names::Name, &loaded->name);
  if (FAILED(hr)) return hr;
  *unnamed = hr != S_OK;
  return S_OK;
}

HRESULT ReadKeyFrame(IXMLDOMNode *keyFrame, LoadedKeyFrameGroup *group) {
  CComVariant time;
  HRESULT hr = ReadChildValueAs(keyFrame, Names::Time, VT_R8, &time);
  if (FAILED(hr)) return hr;
  if (hr != S_OK) return S_OK; // a key frame without a time has no place in its group
  // Key frames are ordered by time, and nothing orders a time that is no number.
  if (std::isnan(time.dblVal)) return E_INVALIDARG;
  LoadedKeyFrame loaded;
  loaded.time = time.dblVal;
  hr = ForEachSelected(keyFrame, Names::Parameter, [&](IXMLDOMNode *parameter) {
    LoadedKeyFrameValue value;
    bool unnamed = false;
    const HRESULT read = ReadKeyFrameValue(parameter, &value, &unnamed);
    if (FAILED(read)) return read;
    group->status = unnamed ? S_FALSE : S_OK;
    if (!unnamed) loaded.values.push_back(std::move(value));
    return S_OK;
  });
  if (FAILED(hr)) return hr;
  group->keyFrames.push_back(std::move(loaded));
  return S_OK;
}

HRESULT ReadGroup(IXMLDOMNode *source, LPCOLESTR elementName, LoadedKeyFrameGroup *group) {
  CComBSTR query(elementName);
  if (!query) return E_OUTOFMEMORY;
  CComPtr<IXMLDOMNode> element;
  const HRESULT hr = source->selectSingleNode(query, &element);
  if (FAILED(hr)) return hr;
  if (hr != S_OK || !element) return S_OK; // no such group: it stays empty
  return ForEachSelected(element, Names::KeyFrame,
                         [&](IXMLDOMNode *keyFrame) { return ReadKeyFrame(keyFrame, group); });
}

HRESULT ReadAll(IXMLDOMNode *element, const SharedString &rootElementName,
                LoadedParameterSet *loaded) {
  CComPtr<IXMLDOMNode> source = element;
  if (!rootElementName.IsEmpty()) {
    CComPtr<IXMLDOMNode> wrapper;
    const HRESULT hr = element->selectSingleNode(rootElementName.Get(), &wrapper);
    if (FAILED(hr)) return hr;
    if (hr != S_OK || !wrapper) return S_OK;
    source = wrapper;
  }
  loaded->found = true;

  HRESULT hr = ForEachSelected(source, Names::ParameterSet, [&](IXMLDOMNode *set) {
    return ForEachSelected(set, Names::Parameter, [&](IXMLDOMNode *parameter) {
      LoadedRecord record;
      const HRESULT read = ReadRecord(parameter, &record);
      if (FAILED(read)) return read;
      loaded->records.push_back(std::move(record));
      return S_OK;
    });
  });
  if (FAILED(hr)) return hr;
  for (size_t g = 0; g < loaded->groups.size(); ++g) {
    hr = ReadGroup(source, Names::Groups[g], &loaded->groups[g]);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

} // namespace

HRESULT ReadParameterSet(IXMLDOMNode *element, const SharedString &rootElementName,
                         LoadedParameterSet *loaded) noexcept {
  if (element == nullptr || loaded == nullptr) return E_POINTER;
  try {
    return ReadAll(element, rootElementName, loaded);
  } catch (const std::bad_alloc &) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}
