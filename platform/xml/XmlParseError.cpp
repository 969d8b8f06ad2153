#include "platform/xml/XmlParseError.h"

#include "platform/xml/XmlSupport.h"

namespace {

HRESULT HandOut(LONG value, LONG *out) {
  if (!out) return E_INVALIDARG;
  *out = value;
  return S_OK;
}

HRESULT HandOut(const std::string &text, BSTR *out) {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  return ZrqComBoundary([&] { return XmlMakeBstr(text, out); });
}

} // namespace

HRESULT XmlParseError::Create(const XmlParseErrorInfo &info, IXMLDOMParseError **error) {
  *error = nullptr;
  return ZrqComBoundary([&] {
    auto *object = new (std::nothrow) XmlParseError(info);
    if (!object) return E_OUTOFMEMORY;
    *error = object;
    return S_OK;
  });
}

HRESULT XmlParseError::QueryInterface(REFIID riid, void **ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid != IID_IUnknown && riid != IID_IDispatch && riid != IID_IXMLDOMParseError)
    return E_NOINTERFACE;
  *ppv = static_cast<IXMLDOMParseError *>(this);
  AddRef();
  return S_OK;
}

ULONG XmlParseError::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refCount)); }

ULONG XmlParseError::Release() {
  const LONG count = InterlockedDecrement(&refCount);
  if (count == 0) delete this;
  return static_cast<ULONG>(count);
}

HRESULT XmlParseError::get_errorCode(LONG *errorCode) {
  return HandOut(static_cast<LONG>(info.errorCode), errorCode);
}
HRESULT XmlParseError::get_url(BSTR *url) { return HandOut(info.url, url); }
HRESULT XmlParseError::get_reason(BSTR *reason) { return HandOut(info.reason, reason); }
HRESULT XmlParseError::get_srcText(BSTR *source) { return HandOut(info.srcText, source); }
HRESULT XmlParseError::get_line(LONG *line) { return HandOut(info.line, line); }
HRESULT XmlParseError::get_linepos(LONG *linepos) { return HandOut(info.linepos, linepos); }
HRESULT XmlParseError::get_filepos(LONG *filepos) { return HandOut(info.filepos, filepos); }
