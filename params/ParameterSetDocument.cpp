#include "params/ParameterSetDocument.h"

#include <zrqboundary.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atlcomcli.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

namespace {

constexpr HRESULT kNotWellFormed = HRESULT_FROM_WIN32(13L); // ERROR_INVALID_DATA
constexpr HRESULT kNameTooLong = HRESULT_FROM_WIN32(206L);  // ERROR_FILENAME_EXCED_RANGE

std::string StatusText(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
  return text;
}

void Say(std::string *reason, std::string text) {
  if (reason != nullptr) *reason = std::move(text);
}

// A file as reasons name it; the host makes what it prints printable.
std::string Named(const std::string &path) { return "'" + path + "'"; }

// Why a file cannot be read, found before the DOM is asked, which tells a missing file and
// a broken one apart only by a failed load.
HRESULT CheckReadable(const std::string &path, std::string *reason) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    const int error = errno;
    switch (error) {
    case ENOENT:
      Say(reason, "cannot read " + Named(path) + ": no such file");
      return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    case ENOTDIR:
      Say(reason, "cannot read " + Named(path) + ": a folder on the way is not a folder");
      return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    case ENAMETOOLONG:
      Say(reason, "cannot read " + Named(path) + ": the name is too long");
      return kNameTooLong;
    case EACCES:
      Say(reason, "cannot read " + Named(path) + ": access denied");
      return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    default:
      Say(reason, "cannot read " + Named(path) + ": " + std::strerror(error));
      return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    }
  }
  if (S_ISDIR(info.st_mode)) {
    Say(reason, "cannot read " + Named(path) + ": it is a folder");
    return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
  }
  if (!S_ISREG(info.st_mode)) {
    Say(reason, "cannot read " + Named(path) + ": not a regular file");
    return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
  }
  if (::access(path.c_str(), R_OK) != 0) {
    Say(reason, "cannot read " + Named(path) + ": access denied");
    return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
  }
  return S_OK;
}

std::string LoadFailure(const std::string &path, HRESULT hr) {
  switch (hr) {
  case DISP_E_TYPEMISMATCH:
    return "the parameter set in " + Named(path) +
           " holds a value whose text does not fit its type (" + StatusText(hr) +
           "); nothing was loaded";
  case DISP_E_OVERFLOW:
    return "the parameter set in " + Named(path) + " holds a number out of range for its type (" +
           StatusText(hr) + "); nothing was loaded";
  case E_INVALIDARG:
    return "the parameter set in " + Named(path) +
           " holds a key frame whose time is not a number; nothing was loaded";
  case E_OUTOFMEMORY:
    return "not enough memory to load the parameter set in " + Named(path);
  default:
    return "the parameter set in " + Named(path) + " could not be loaded (" + StatusText(hr) + ")";
  }
}

std::string WriteFailure(const std::string &path, HRESULT hr) {
  if (hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ||
      hr == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND))
    return "cannot write " + Named(path) + ": its folder does not exist";
  if (hr == HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED))
    return "cannot write " + Named(path) + ": access denied";
  if (hr == E_OUTOFMEMORY) return "not enough memory to save the parameter set to " + Named(path);
  return "cannot write " + Named(path) + " (" + StatusText(hr) + ")";
}

// Where the DOM found the document broken and why, as ": line 4, column 5: the end tag does
// not match the start tag"; empty when the DOM does not say.
std::string WhereBroken(IXMLDOMDocument *document) {
  CComPtr<IXMLDOMParseError> error;
  LONG code = 0, line = 0, column = 0;
  CComBSTR reasonText;
  if (FAILED(document->get_parseError(&error)) || !error || FAILED(error->get_errorCode(&code)) ||
      code == 0 || FAILED(error->get_line(&line)) || FAILED(error->get_linepos(&column)) ||
      FAILED(error->get_reason(&reasonText))) {
    return {};
  }
  std::string why = ZrqToUtf8(reasonText, reasonText.Length());
  // The DOM's reason is a sentence of its own; here it ends ours.
  while (!why.empty() &&
         (why.back() == '.' || why.back() == '\n' || why.back() == '\r' || why.back() == ' ')) {
    why.pop_back();
  }
  if (!why.empty() && why.front() >= 'A' && why.front() <= 'Z')
    why.front() = static_cast<char>(why.front() - 'A' + 'a');
  std::string where;
  if (line > 0) where = ": line " + std::to_string(line) + ", column " + std::to_string(column);
  if (!why.empty()) where += ": " + why;
  return where;
}

HRESULT NewDocument(CComPtr<IXMLDOMDocument> &document) {
  return ZrqCreateXMLDOMDocument(IID_IXMLDOMDocument, reinterpret_cast<void **>(&document));
}

HRESULT Load(const std::string &path, IEffectParameters *parameters, std::string *reason) {
  HRESULT hr = CheckReadable(path, reason);
  if (FAILED(hr)) return hr;
  CComPtr<IXMLDOMDocument> document;
  hr = NewDocument(document);
  if (FAILED(hr)) {
    Say(reason, "cannot make an XML document (" + StatusText(hr) + ")");
    return hr;
  }
  CComVariant source(path.c_str());
  if (source.vt != VT_BSTR) return E_OUTOFMEMORY;
  VARIANT_BOOL loaded = VARIANT_FALSE;
  hr = document->load(source, &loaded);
  if (hr == E_OUTOFMEMORY) {
    Say(reason, "not enough memory to read " + Named(path));
    return hr;
  }
  if (FAILED(hr) || loaded != VARIANT_TRUE) {
    Say(reason, Named(path) + " is not a well-formed XML document" + WhereBroken(document));
    return kNotWellFormed;
  }
  CComPtr<IXMLDOMElement> element;
  hr = document->get_documentElement(&element);
  if (FAILED(hr) || !element) {
    Say(reason, Named(path) + " has no document element");
    return FAILED(hr) ? hr : kNotWellFormed;
  }
  hr = parameters->LoadParameters(element);
  if (FAILED(hr)) {
    Say(reason, LoadFailure(path, hr));
  } else if (hr == S_FALSE) {
    Say(reason,
        "a key-frame parameter in " + Named(path) + " names no parameter and was passed over");
  }
  return hr;
}

// A new document holding the set under an element named documentElementName.
HRESULT BuildDocument(IEffectParameters *parameters, const std::string &documentElementName,
                      CComPtr<IXMLDOMDocument> &document, CComPtr<IXMLDOMElement> &element,
                      std::string *reason) {
  HRESULT hr = NewDocument(document);
  if (FAILED(hr)) {
    Say(reason, "cannot make an XML document (" + StatusText(hr) + ")");
    return hr;
  }
  CComBSTR name(documentElementName.c_str());
  if (!name) return E_OUTOFMEMORY;
  hr = document->createElement(name, &element);
  if (hr == E_OUTOFMEMORY) return hr;
  if (FAILED(hr) || !element) {
    Say(reason, "\"" + documentElementName + "\" is not an XML element name");
    return E_INVALIDARG;
  }
  hr = document->appendChild(element, nullptr);
  if (SUCCEEDED(hr)) hr = parameters->SaveParameters(element);
  if (FAILED(hr)) {
    Say(reason, "the parameter set could not be written as XML (" + StatusText(hr) + ")");
    return hr;
  }
  return S_OK;
}

HRESULT Save(const std::string &path, IEffectParameters *parameters,
             const std::string &documentElementName, std::string *reason) {
  CComPtr<IXMLDOMDocument> document;
  CComPtr<IXMLDOMElement> element;
  HRESULT hr = BuildDocument(parameters, documentElementName, document, element, reason);
  if (FAILED(hr)) return hr;
  CComVariant destination(path.c_str());
  if (destination.vt != VT_BSTR) return E_OUTOFMEMORY;
  hr = document->save(destination);
  if (FAILED(hr)) {
    Say(reason, WriteFailure(path, hr));
    return hr;
  }
  return S_OK;
}

HRESULT Format(IEffectParameters *parameters, const std::string &documentElementName,
               std::string *text, std::string *reason) {
  CComPtr<IXMLDOMDocument> document;
  CComPtr<IXMLDOMElement> element;
  HRESULT hr = BuildDocument(parameters, documentElementName, document, element, reason);
  CComBSTR markup;
  if (SUCCEEDED(hr)) hr = element->get_xml(&markup);
  if (FAILED(hr)) {
    if (reason != nullptr && reason->empty())
      Say(reason, "the parameter set could not be written as XML (" + StatusText(hr) + ")");
    return hr;
  }
  *text =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + ZrqToUtf8(markup, markup.Length()) + "\n";
  return S_OK;
}

} // namespace

HRESULT LoadParameterSetDocument(const std::string &path, IEffectParameters *parameters,
                                 std::string *reason) noexcept {
  if (reason != nullptr) reason->clear();
  if (parameters == nullptr) return E_POINTER;
  return ZrqComBoundary([&]() -> HRESULT {
    const HRESULT hr = Load(path, parameters, reason);
    if (hr == E_OUTOFMEMORY && reason != nullptr && reason->empty())
      *reason = "not enough memory to load " + Named(path);
    return hr;
  });
}

HRESULT FormatParameterSetDocument(IEffectParameters *parameters,
                                   const std::string &documentElementName, std::string *text,
                                   std::string *reason) noexcept {
  if (reason != nullptr) reason->clear();
  if (parameters == nullptr || text == nullptr) return E_POINTER;
  return ZrqComBoundary([&]() -> HRESULT {
    const HRESULT hr = Format(parameters, documentElementName, text, reason);
    if (hr == E_OUTOFMEMORY && reason != nullptr && reason->empty())
      *reason = "not enough memory to save the parameter set";
    return hr;
  });
}

HRESULT SaveParameterSetDocument(const std::string &path, IEffectParameters *parameters,
                                 const std::string &documentElementName,
                                 std::string *reason) noexcept {
  if (reason != nullptr) reason->clear();
  if (parameters == nullptr) return E_POINTER;
  return ZrqComBoundary([&]() -> HRESULT {
    const HRESULT hr = Save(path, parameters, documentElementName, reason);
    if (hr == E_OUTOFMEMORY && reason != nullptr && reason->empty())
      *reason = "not enough memory to save " + Named(path);
    return hr;
  });
}
