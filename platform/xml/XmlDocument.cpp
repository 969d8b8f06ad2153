#include "platform/xml/XmlDocument.h"

#include <algorithm>

#include "platform/xml/XmlDocumentFile.h"
#include "platform/xml/XmlNodeObject.h"
#include "platform/xml/XmlParseError.h"
#include "platform/xml/XmlSerializer.h"
#include "platform/xml/XmlSupport.h"

namespace {

// Comments and processing instructions are kept, as the DOM shows them. A document type
// declaration is read over and dropped: no DTD is loaded, internal or external, and no
// entity is defined, so nothing a document says can make the parser fetch or expand
// anything; only the predefined entities and character references are replaced.
unsigned ParseOptions(bool preserveWhiteSpace) {
  unsigned options = pugi::parse_default | pugi::parse_declaration | pugi::parse_comments |
                     pugi::parse_pi | pugi::parse_fragment;
  if (preserveWhiteSpace) options |= pugi::parse_ws_pcdata;
  return options;
}

bool IsXmlSpace(const char *text) {
  for (; *text; ++text) {
    if (*text != ' ' && *text != '\t' && *text != '\r' && *text != '\n') return false;
  }
  return true;
}

// Where a node starts in the parse buffer: pugixml remembers where its name or value starts.
ptrdiff_t MarkupOffset(pugi::xml_node node, ptrdiff_t before) {
  const ptrdiff_t offset = node.offset_debug();
  return offset < 0 ? -1 : std::max<ptrdiff_t>(0, offset - before);
}

// What is wrong with the shape of a parsed document, and where (-1: at its end).
struct ShapeFault {
  const char *reason = nullptr;
  ptrdiff_t offset = -1;
  // Text is placed at its first visible character; its value cannot tell where that is,
  // since line ends in it were already normalised.
  bool skipSpace = false;
};

// pugixml accepts more than a well-formed document (it is asked to parse a fragment so that
// text beside the element shows); the DOM wants exactly one element and no text beside it.
// White space between the top-level nodes is dropped.
ShapeFault CheckDocumentShape(pugi::xml_document &doc) {
  pugi::xml_node element;
  for (pugi::xml_node child = doc.first_child(), next; child; child = next) {
    next = child.next_sibling();
    switch (child.type()) {
    case pugi::node_element:
      if (element)
        return {"Only one top-level element is allowed in a document.", MarkupOffset(child, 1)};
      element = child;
      break;
    case pugi::node_pcdata:
      if (!IsXmlSpace(child.value())) {
        return {"Text is not allowed outside the document element.", MarkupOffset(child, 0), true};
      }
      doc.remove_child(child);
      break;
    case pugi::node_cdata:
      return {"A CDATA section is not allowed outside the document element.",
              MarkupOffset(child, 9)};
    case pugi::node_declaration:
      if (child != doc.first_child()) {
        return {"The XML declaration is allowed only at the start of the document.",
                MarkupOffset(child, 2)};
      }
      break;
    case pugi::node_comment:
    case pugi::node_pi:
    case pugi::node_doctype:
    case pugi::node_document:
    case pugi::node_null:
      break;
    }
  }
  if (!element) return {"The document has no element.", -1};
  return {};
}

HRESULT PathFromVariant(const VARIANT &source, std::string &path) {
  const VARIANT *value = &source;
  if (source.vt == (VT_BYREF | VT_VARIANT) && source.pvarVal) value = source.pvarVal;
  if (value->vt == VT_BSTR) {
    path = XmlFromBstr(value->bstrVal);
  } else if (value->vt == (VT_BYREF | VT_BSTR) && value->pbstrVal) {
    path = XmlFromBstr(*value->pbstrVal);
  } else {
    return E_INVALIDARG;
  }
  // A path with an embedded zero would name a different file than the caller meant.
  if (path.empty() || path.find('\0') != std::string::npos) return E_INVALIDARG;
  return S_OK;
}

} // namespace

XmlDocument::XmlDocument(std::shared_ptr<XmlTree> tree) { UseTree(std::move(tree)); }

void XmlDocument::UseTree(std::shared_ptr<XmlTree> tree) {
  tree->preserveWhiteSpace = preserveWhiteSpace != VARIANT_FALSE;
  root.node = tree->doc;
  root.tree = std::move(tree);
}

HRESULT XmlDocument::Create(REFIID riid, void **ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  std::shared_ptr<XmlTree> tree = XmlTree::CreateEmpty();
  if (!tree) return E_OUTOFMEMORY;
  auto *document = new (std::nothrow) XmlDocument(std::move(tree));
  if (!document) return E_OUTOFMEMORY;
  const HRESULT hr = document->QueryInterface(riid, ppv);
  document->Release();
  return hr;
}

HRESULT XmlDocument::WrapNode(const XmlNodeRef &ref, IXMLDOMNode **node) {
  *node = nullptr;
  if (!ref.isAttribute && ref.tree == root.tree && ref.node == root.node) {
    *node = static_cast<IXMLDOMDocument *>(this);
    AddRef();
    return S_OK;
  }
  return ZrqComBoundary([&] { return XmlNodeObject::Create(*this, ref, node); });
}

HRESULT XmlDocument::QueryInterface(REFIID riid, void **ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (QueryCommon(riid, ppv)) return S_OK;
  if (riid == IID_IXMLDOMDocument) {
    *ppv = static_cast<IXMLDOMDocument *>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

HRESULT XmlDocument::get_documentElement(IXMLDOMElement **element) {
  if (!element) return E_INVALIDARG;
  *element = nullptr;
  const pugi::xml_node found = root.tree->DocumentElement();
  if (!found) return S_FALSE;
  CComPtr<IXMLDOMNode> node;
  const HRESULT hr = WrapNode(XmlNodeRef{root.tree, found, false, {}}, &node);
  if (FAILED(hr)) return hr;
  return node->QueryInterface(IID_IXMLDOMElement, reinterpret_cast<void **>(element));
}

HRESULT XmlDocument::putref_documentElement(IXMLDOMElement *element) {
  if (!element) return E_INVALIDARG;
  return ZrqComBoundary([&] {
    XmlNodeRef ref;
    if (!XmlGetNodeRef(element, ref) || ref.tree != root.tree || !ref.IsElement())
      return E_INVALIDARG;
    const pugi::xml_node existing = root.tree->DocumentElement();
    if (existing == ref.node) return S_OK;
    // The new element takes the old one's place; the old one is kept for node objects that hold it.
    const pugi::xml_node moved = existing ? root.node.insert_move_after(ref.node, existing)
                                          : root.node.append_move(ref.node);
    if (!moved) return E_FAIL;
    if (existing && !root.tree->Hold(existing)) return E_FAIL;
    return S_OK;
  });
}

HRESULT XmlDocument::createElement(BSTR tagName, IXMLDOMElement **element) {
  if (!element) return E_INVALIDARG;
  *element = nullptr;
  if (!tagName) return E_INVALIDARG;
  return ZrqComBoundary([&] {
    const std::string name = XmlFromBstr(tagName);
    if (!XmlIsValidName(name)) return E_FAIL;
    // A new element belongs to no parent until it is appended somewhere.
    pugi::xml_node created = root.tree->holding.append_child(name.c_str());
    if (!created) return E_OUTOFMEMORY;
    CComPtr<IXMLDOMNode> node;
    const HRESULT hr = WrapNode(XmlNodeRef{root.tree, created, false, {}}, &node);
    if (FAILED(hr)) return hr;
    return node->QueryInterface(IID_IXMLDOMElement, reinterpret_cast<void **>(element));
  });
}

HRESULT XmlDocument::getElementsByTagName(BSTR tagName, IXMLDOMNodeList **list) {
  return XmlNodeOps::GetElementsByTagName(*this, root, tagName, list);
}

HRESULT XmlDocument::get_parseError(IXMLDOMParseError **error) {
  if (!error) return E_INVALIDARG;
  return XmlParseError::Create(lastError, error);
}

void XmlDocument::Fail(XmlParseErrorInfo error) {
  lastError = std::move(error);
  // As the platform's DOM does, a failed load leaves the document empty. Should even an empty
  // tree not fit in memory, the old content stays; the load still reports its failure.
  if (std::shared_ptr<XmlTree> empty = XmlTree::CreateEmpty()) UseTree(std::move(empty));
}

HRESULT XmlDocument::LoadBuffer(const void *text, size_t size, bool utf8, const std::string &url,
                                VARIANT_BOOL *isSuccessful) {
  if (isSuccessful) *isSuccessful = VARIANT_FALSE;
  const HRESULT hr = ZrqComBoundary([&] {
    XmlParseErrorInfo error;
    error.url = url;
    std::shared_ptr<XmlTree> tree = XmlTree::CreateEmpty();
    if (!tree) return E_OUTOFMEMORY;
    const pugi::xml_parse_result parsed =
        tree->doc.load_buffer(text, size, ParseOptions(preserveWhiteSpace != VARIANT_FALSE),
                              utf8 ? pugi::encoding_utf8 : pugi::encoding_auto);
    if (parsed.status == pugi::status_out_of_memory) return E_OUTOFMEMORY;
    ShapeFault fault;
    if (!parsed) {
      fault = {XmlParseStatusReason(parsed), parsed.offset};
    } else {
      fault = CheckDocumentShape(tree->doc);
    }
    if (fault.reason) {
      error.errorCode = XmlNotWellFormed;
      error.reason = fault.reason;
      XmlLocateParseError(text, size, parsed.encoding, fault.offset, fault.skipSpace, error);
      Fail(std::move(error));
      return S_FALSE;
    }
    // Loading replaces the holding element with the parse; a new one goes in front.
    tree->holding = tree->doc.prepend_child(pugi::node_element);
    if (!tree->holding) return E_OUTOFMEMORY;
    UseTree(std::move(tree));
    lastError = std::move(error);
    if (isSuccessful) *isSuccessful = VARIANT_TRUE;
    return S_OK;
  });
  if (hr == E_OUTOFMEMORY) {
    XmlParseErrorInfo error;
    error.errorCode = E_OUTOFMEMORY;
    Fail(std::move(error));
  }
  return hr;
}

HRESULT XmlDocument::loadXML(BSTR xml, VARIANT_BOOL *isSuccessful) {
  if (isSuccessful) *isSuccessful = VARIANT_FALSE;
  std::string text;
  const HRESULT hr = ZrqComBoundary([&] {
    text = XmlFromBstr(xml);
    return S_OK;
  });
  if (FAILED(hr)) {
    Fail(XmlParseErrorInfo{hr, {}, {}, {}, 0, 0, 0});
    return hr;
  }
  return LoadBuffer(text.data(), text.size(), true, std::string(), isSuccessful);
}

HRESULT XmlDocument::load(VARIANT source, VARIANT_BOOL *isSuccessful) {
  if (isSuccessful) *isSuccessful = VARIANT_FALSE;
  std::string path;
  std::string contents;
  HRESULT hr = ZrqComBoundary([&] {
    const HRESULT found = PathFromVariant(source, path);
    if (FAILED(found)) return found;
    return XmlReadFile(path, contents);
  });
  // A bad argument loads nothing and leaves the document and its last error as they were.
  if (hr == E_INVALIDARG) return hr;
  if (FAILED(hr)) {
    // A file that cannot be read is a failed load, as a file that does not parse is.
    XmlParseErrorInfo error;
    error.errorCode = hr;
    if (hr != E_OUTOFMEMORY) {
      ZrqComBoundary([&] {
        error.reason = XmlFileErrorReason(hr);
        error.url = path;
        return S_OK;
      });
    }
    Fail(std::move(error));
    return hr == E_OUTOFMEMORY ? hr : S_FALSE;
  }
  // The file's own byte-order mark or declaration names its encoding.
  return LoadBuffer(contents.data(), contents.size(), false, path, isSuccessful);
}

HRESULT XmlDocument::save(VARIANT destination) {
  return ZrqComBoundary([&] {
    std::string path;
    HRESULT hr = PathFromVariant(destination, path);
    if (FAILED(hr)) return hr;
    // A document without an element would be written as a file that cannot be loaded again.
    if (!root.tree->DocumentElement()) return E_FAIL;
    return XmlWriteFileAtomically(path, XmlSerializeDocumentFile(*root.tree));
  });
}

HRESULT XmlDocument::get_readyState(LONG *value) {
  if (!value) return E_INVALIDARG;
  *value = 4; // READYSTATE_COMPLETE: loading is always synchronous
  return S_OK;
}

HRESULT XmlDocument::get_async(VARIANT_BOOL *isAsync) {
  if (!isAsync) return E_INVALIDARG;
  *isAsync = async;
  return S_OK;
}

HRESULT XmlDocument::put_async(VARIANT_BOOL isAsync) {
  async =
      isAsync ? VARIANT_TRUE : VARIANT_FALSE; // kept for the caller; loads finish before returning
  return S_OK;
}

HRESULT XmlDocument::get_validateOnParse(VARIANT_BOOL *isValidating) {
  if (!isValidating) return E_INVALIDARG;
  *isValidating = validateOnParse;
  return S_OK;
}

HRESULT XmlDocument::put_validateOnParse(VARIANT_BOOL isValidating) {
  validateOnParse =
      isValidating ? VARIANT_TRUE : VARIANT_FALSE; // no DTD is read, so nothing to validate against
  return S_OK;
}

HRESULT XmlDocument::get_resolveExternals(VARIANT_BOOL *isResolving) {
  if (!isResolving) return E_INVALIDARG;
  *isResolving = VARIANT_FALSE;
  return S_OK;
}

HRESULT XmlDocument::put_resolveExternals(VARIANT_BOOL isResolving) {
  // External definitions are never fetched.
  return isResolving ? E_NOTIMPL : S_OK;
}

HRESULT XmlDocument::get_preserveWhiteSpace(VARIANT_BOOL *isPreserving) {
  if (!isPreserving) return E_INVALIDARG;
  *isPreserving = preserveWhiteSpace;
  return S_OK;
}

HRESULT XmlDocument::put_preserveWhiteSpace(VARIANT_BOOL isPreserving) {
  preserveWhiteSpace = isPreserving ? VARIANT_TRUE : VARIANT_FALSE;
  root.tree->preserveWhiteSpace = preserveWhiteSpace != VARIANT_FALSE;
  return S_OK;
}
