// The XML DOM interfaces: node, element, document and node list, in the slot order of the
// Windows headers. They derive from IDispatch as on Windows; the dispatch slots are present
// so that a C caller indexing the table of functions sees the same slots.
#pragma once

#include "oaidl.h"
#include "oleauto.h"

typedef enum tagDOMNodeType {
  NODE_INVALID = 0,
  NODE_ELEMENT = 1,
  NODE_ATTRIBUTE = 2,
  NODE_TEXT = 3,
  NODE_CDATA_SECTION = 4,
  NODE_ENTITY_REFERENCE = 5,
  NODE_ENTITY = 6,
  NODE_PROCESSING_INSTRUCTION = 7,
  NODE_COMMENT = 8,
  NODE_DOCUMENT = 9,
  NODE_DOCUMENT_TYPE = 10,
  NODE_DOCUMENT_FRAGMENT = 11,
  NODE_NOTATION = 12
} DOMNodeType;

struct IXMLDOMNode;
struct IXMLDOMNodeList;
struct IXMLDOMNamedNodeMap;
struct IXMLDOMDocument;
struct IXMLDOMDocumentType;
struct IXMLDOMImplementation;
struct IXMLDOMElement;
struct IXMLDOMDocumentFragment;
struct IXMLDOMText;
struct IXMLDOMComment;
struct IXMLDOMCDATASection;
struct IXMLDOMProcessingInstruction;
struct IXMLDOMAttribute;
struct IXMLDOMEntityReference;
struct IXMLDOMParseError;

// {2933BF80-7B36-11D2-B20E-00C04F983E60}
DEFINE_GUID(IID_IXMLDOMNode, 0x2933BF80, 0x7B36, 0x11D2, 0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E,
            0x60);
// {2933BF81-7B36-11D2-B20E-00C04F983E60}
DEFINE_GUID(IID_IXMLDOMDocument, 0x2933BF81, 0x7B36, 0x11D2, 0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98,
            0x3E, 0x60);
// {2933BF82-7B36-11D2-B20E-00C04F983E60}
DEFINE_GUID(IID_IXMLDOMNodeList, 0x2933BF82, 0x7B36, 0x11D2, 0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98,
            0x3E, 0x60);
// {2933BF86-7B36-11D2-B20E-00C04F983E60}
DEFINE_GUID(IID_IXMLDOMElement, 0x2933BF86, 0x7B36, 0x11D2, 0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98,
            0x3E, 0x60);
// {3EFAA426-272F-11D2-836F-0000F87A7782}
DEFINE_GUID(IID_IXMLDOMParseError, 0x3EFAA426, 0x272F, 0x11D2, 0x83, 0x6F, 0x00, 0x00, 0xF8, 0x7A,
            0x77, 0x82);

// What the last load or loadXML of a document found wrong: errorCode is 0 after a load that
// succeeded; line and linepos count from 1, filepos from 0.
struct IXMLDOMParseError : public IDispatch {
  STDMETHOD(get_errorCode)(LONG *errorCode) PURE;
  STDMETHOD(get_url)(BSTR *urlString) PURE;
  STDMETHOD(get_reason)(BSTR *reasonString) PURE;
  STDMETHOD(get_srcText)(BSTR *sourceString) PURE;
  STDMETHOD(get_line)(LONG *lineNumber) PURE;
  STDMETHOD(get_linepos)(LONG *linePosition) PURE;
  STDMETHOD(get_filepos)(LONG *filePosition) PURE;
};
ZRQ_DECLARE_UUID_OF_IID(IXMLDOMParseError);

// The document classes. DOMDocument is the version-independent class, DOMDocument60 the
// one a host asks for by version.
// {F6D90F11-9C73-11D3-B32E-00C04F990BB4}
DEFINE_GUID(CLSID_DOMDocument, 0xF6D90F11, 0x9C73, 0x11D3, 0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B,
            0xB4);
// {88D96A05-F192-11D4-A65F-0040963251E5}
DEFINE_GUID(CLSID_DOMDocument60, 0x88D96A05, 0xF192, 0x11D4, 0xA6, 0x5F, 0x00, 0x40, 0x96, 0x32,
            0x51, 0xE5);

struct IXMLDOMNode : public IDispatch {
  STDMETHOD(get_nodeName)(BSTR *name) PURE;
  STDMETHOD(get_nodeValue)(VARIANT *value) PURE;
  STDMETHOD(put_nodeValue)(VARIANT value) PURE;
  STDMETHOD(get_nodeType)(DOMNodeType *type) PURE;
  STDMETHOD(get_parentNode)(IXMLDOMNode **parent) PURE;
  STDMETHOD(get_childNodes)(IXMLDOMNodeList **childList) PURE;
  STDMETHOD(get_firstChild)(IXMLDOMNode **firstChild) PURE;
  STDMETHOD(get_lastChild)(IXMLDOMNode **lastChild) PURE;
  STDMETHOD(get_previousSibling)(IXMLDOMNode **previousSibling) PURE;
  STDMETHOD(get_nextSibling)(IXMLDOMNode **nextSibling) PURE;
  STDMETHOD(get_attributes)(IXMLDOMNamedNodeMap **attributeMap) PURE;
  STDMETHOD(insertBefore)(IXMLDOMNode *newChild, VARIANT refChild, IXMLDOMNode **outNewChild) PURE;
  STDMETHOD(replaceChild)
  (IXMLDOMNode *newChild, IXMLDOMNode *oldChild, IXMLDOMNode **outOldChild) PURE;
  STDMETHOD(removeChild)(IXMLDOMNode *childNode, IXMLDOMNode **oldChild) PURE;
  STDMETHOD(appendChild)(IXMLDOMNode *newChild, IXMLDOMNode **outNewChild) PURE;
  STDMETHOD(hasChildNodes)(VARIANT_BOOL *hasChild) PURE;
  STDMETHOD(get_ownerDocument)(IXMLDOMDocument **XMLDOMDocument) PURE;
  STDMETHOD(cloneNode)(VARIANT_BOOL deep, IXMLDOMNode **cloneRoot) PURE;
  STDMETHOD(get_nodeTypeString)(BSTR *nodeType) PURE;
  STDMETHOD(get_text)(BSTR *text) PURE;
  STDMETHOD(put_text)(BSTR text) PURE;
  STDMETHOD(get_specified)(VARIANT_BOOL *isSpecified) PURE;
  STDMETHOD(get_definition)(IXMLDOMNode **definitionNode) PURE;
  STDMETHOD(get_nodeTypedValue)(VARIANT *typedValue) PURE;
  STDMETHOD(put_nodeTypedValue)(VARIANT typedValue) PURE;
  STDMETHOD(get_dataType)(VARIANT *dataTypeName) PURE;
  STDMETHOD(put_dataType)(BSTR dataTypeName) PURE;
  STDMETHOD(get_xml)(BSTR *xmlString) PURE;
  STDMETHOD(transformNode)(IXMLDOMNode *stylesheet, BSTR *xmlString) PURE;
  STDMETHOD(selectNodes)(BSTR queryString, IXMLDOMNodeList **resultList) PURE;
  STDMETHOD(selectSingleNode)(BSTR queryString, IXMLDOMNode **resultNode) PURE;
  STDMETHOD(get_parsed)(VARIANT_BOOL *isParsed) PURE;
  STDMETHOD(get_namespaceURI)(BSTR *namespaceURI) PURE;
  STDMETHOD(get_prefix)(BSTR *prefixString) PURE;
  STDMETHOD(get_baseName)(BSTR *nameString) PURE;
  STDMETHOD(transformNodeToObject)(IXMLDOMNode *stylesheet, VARIANT outputObject) PURE;
};
ZRQ_DECLARE_UUID_OF_IID(IXMLDOMNode);

struct IXMLDOMNodeList : public IDispatch {
  STDMETHOD(get_item)(LONG index, IXMLDOMNode **listItem) PURE;
  STDMETHOD(get_length)(LONG *listLength) PURE;
  STDMETHOD(nextNode)(IXMLDOMNode **nextItem) PURE;
  STDMETHOD(reset)() PURE;
  STDMETHOD(get__newEnum)(IUnknown **ppUnk) PURE;
};
ZRQ_DECLARE_UUID_OF_IID(IXMLDOMNodeList);

struct IXMLDOMElement : public IXMLDOMNode {
  STDMETHOD(get_tagName)(BSTR *tagName) PURE;
  STDMETHOD(getAttribute)(BSTR name, VARIANT *value) PURE;
  STDMETHOD(setAttribute)(BSTR name, VARIANT value) PURE;
  STDMETHOD(removeAttribute)(BSTR name) PURE;
  STDMETHOD(getAttributeNode)(BSTR name, IXMLDOMAttribute **attributeNode) PURE;
  STDMETHOD(setAttributeNode)
  (IXMLDOMAttribute *DOMAttribute, IXMLDOMAttribute **attributeNode) PURE;
  STDMETHOD(removeAttributeNode)
  (IXMLDOMAttribute *DOMAttribute, IXMLDOMAttribute **attributeNode) PURE;
  STDMETHOD(getElementsByTagName)(BSTR tagName, IXMLDOMNodeList **resultList) PURE;
  STDMETHOD(normalize)() PURE;
};
ZRQ_DECLARE_UUID_OF_IID(IXMLDOMElement);

struct IXMLDOMDocument : public IXMLDOMNode {
  STDMETHOD(get_doctype)(IXMLDOMDocumentType **documentType) PURE;
  STDMETHOD(get_implementation)(IXMLDOMImplementation **impl) PURE;
  STDMETHOD(get_documentElement)(IXMLDOMElement **DOMElement) PURE;
  STDMETHOD(putref_documentElement)(IXMLDOMElement *DOMElement) PURE;
  STDMETHOD(createElement)(BSTR tagName, IXMLDOMElement **element) PURE;
  STDMETHOD(createDocumentFragment)(IXMLDOMDocumentFragment **docFrag) PURE;
  STDMETHOD(createTextNode)(BSTR data, IXMLDOMText **text) PURE;
  STDMETHOD(createComment)(BSTR data, IXMLDOMComment **comment) PURE;
  STDMETHOD(createCDATASection)(BSTR data, IXMLDOMCDATASection **cdata) PURE;
  STDMETHOD(createProcessingInstruction)
  (BSTR target, BSTR data, IXMLDOMProcessingInstruction **pi) PURE;
  STDMETHOD(createAttribute)(BSTR name, IXMLDOMAttribute **attribute) PURE;
  STDMETHOD(createEntityReference)(BSTR name, IXMLDOMEntityReference **entityRef) PURE;
  STDMETHOD(getElementsByTagName)(BSTR tagName, IXMLDOMNodeList **resultList) PURE;
  STDMETHOD(createNode)(VARIANT Type, BSTR name, BSTR namespaceURI, IXMLDOMNode **node) PURE;
  STDMETHOD(nodeFromID)(BSTR idString, IXMLDOMNode **node) PURE;
  STDMETHOD(load)(VARIANT xmlSource, VARIANT_BOOL *isSuccessful) PURE;
  STDMETHOD(get_readyState)(LONG *value) PURE;
  STDMETHOD(get_parseError)(IXMLDOMParseError **errorObj) PURE;
  STDMETHOD(get_url)(BSTR *urlString) PURE;
  STDMETHOD(get_async)(VARIANT_BOOL *isAsync) PURE;
  STDMETHOD(put_async)(VARIANT_BOOL isAsync) PURE;
  STDMETHOD(abort)() PURE;
  STDMETHOD(loadXML)(BSTR bstrXML, VARIANT_BOOL *isSuccessful) PURE;
  STDMETHOD(save)(VARIANT destination) PURE;
  STDMETHOD(get_validateOnParse)(VARIANT_BOOL *isValidating) PURE;
  STDMETHOD(put_validateOnParse)(VARIANT_BOOL isValidating) PURE;
  STDMETHOD(get_resolveExternals)(VARIANT_BOOL *isResolving) PURE;
  STDMETHOD(put_resolveExternals)(VARIANT_BOOL isResolving) PURE;
  STDMETHOD(get_preserveWhiteSpace)(VARIANT_BOOL *isPreserving) PURE;
  STDMETHOD(put_preserveWhiteSpace)(VARIANT_BOOL isPreserving) PURE;
  STDMETHOD(put_onreadystatechange)(VARIANT readystatechangeSink) PURE;
  STDMETHOD(put_ondataavailable)(VARIANT ondataavailableSink) PURE;
  STDMETHOD(put_ontransformnode)(VARIANT ontransformnodeSink) PURE;
};
ZRQ_DECLARE_UUID_OF_IID(IXMLDOMDocument);

// Creates a new, empty DOM document and hands out the interface riid of it (IUnknown,
// IDispatch, IXMLDOMNode or IXMLDOMDocument). This is how a host gets a document while the
// platform has no class registry to create CLSID_DOMDocument60 through.
// The document is not free-threaded: calls on one document and its nodes must not overlap.
STDAPI ZrqCreateXMLDOMDocument(REFIID riid, void **ppv);
