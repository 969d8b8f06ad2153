// IXMLDOMParseError: what the last load of a document found wrong, as it stood when the
// caller asked. It is a snapshot, so a later load does not change an object already handed out.
#pragma once

#include "platform/xml/XmlWithoutDispatch.h"

#include "platform/xml/XmlParseErrorInfo.h"

#include <msxml2.h>

class XmlParseError final : public XmlWithoutDispatch<IXMLDOMParseError> {
public:
  static HRESULT Create(const XmlParseErrorInfo &info, IXMLDOMParseError **error);

  STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // Strings are handed out as fresh BSTRs, empty (not null) when there is nothing to say.
  STDMETHODIMP get_errorCode(LONG *errorCode) override;
  STDMETHODIMP get_url(BSTR *url) override;
  STDMETHODIMP get_reason(BSTR *reason) override;
  STDMETHODIMP get_srcText(BSTR *source) override;
  STDMETHODIMP get_line(LONG *line) override;
  STDMETHODIMP get_linepos(LONG *linepos) override;
  STDMETHODIMP get_filepos(LONG *filepos) override;

private:
  explicit XmlParseError(const XmlParseErrorInfo &info) : info(info) {}
  ~XmlParseError() = default;

  LONG refCount = 1;
  const XmlParseErrorInfo info;
};
