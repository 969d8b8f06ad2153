// The IXMLDOMNode operations, shared by the document object and the node objects. Each takes
// the document that owns the node and the node itself, checks its arguments, and turns every
// exception (allocation failure above all) into a status.
#pragma once

#include <msxml2.h>

#include "platform/xml/XmlTree.h"

class XmlDocument;

namespace XmlNodeOps {

HRESULT GetNodeName(const XmlNodeRef &ref, BSTR *name);
HRESULT GetNodeValue(const XmlNodeRef &ref, VARIANT *value);
HRESULT PutNodeValue(const XmlNodeRef &ref, const VARIANT &value);
HRESULT GetNodeType(const XmlNodeRef &ref, DOMNodeType *type);
HRESULT GetNodeTypeString(const XmlNodeRef &ref, BSTR *typeName);
HRESULT GetParentNode(XmlDocument &owner, const XmlNodeRef &ref, IXMLDOMNode **parent);
HRESULT GetChildNodes(XmlDocument &owner, const XmlNodeRef &ref, IXMLDOMNodeList **list);
enum class Relative { FirstChild, LastChild, PreviousSibling, NextSibling };
HRESULT GetRelative(XmlDocument &owner, const XmlNodeRef &ref, Relative which, IXMLDOMNode **node);
HRESULT HasChildNodes(const XmlNodeRef &ref, VARIANT_BOOL *hasChild);
HRESULT AppendChild(const XmlNodeRef &ref, IXMLDOMNode *newChild, IXMLDOMNode **outNewChild);
HRESULT RemoveChild(const XmlNodeRef &ref, IXMLDOMNode *child, IXMLDOMNode **oldChild);
HRESULT GetOwnerDocument(XmlDocument &owner, const XmlNodeRef &ref, IXMLDOMDocument **document);
HRESULT GetText(const XmlNodeRef &ref, BSTR *text);
HRESULT PutText(const XmlNodeRef &ref, BSTR text);
HRESULT GetNodeTypedValue(const XmlNodeRef &ref, VARIANT *value);
HRESULT PutNodeTypedValue(const XmlNodeRef &ref, const VARIANT &value);
HRESULT GetDataType(const XmlNodeRef &ref, VARIANT *typeName);
HRESULT PutDataType(const XmlNodeRef &ref, BSTR typeName);
HRESULT GetXml(const XmlNodeRef &ref, BSTR *xml);
HRESULT SelectNodes(XmlDocument &owner, const XmlNodeRef &ref, BSTR query, IXMLDOMNodeList **list);
HRESULT SelectSingleNode(XmlDocument &owner, const XmlNodeRef &ref, BSTR query, IXMLDOMNode **node);
HRESULT GetElementsByTagName(XmlDocument &owner, const XmlNodeRef &ref, BSTR tagName,
                             IXMLDOMNodeList **list);

} // namespace XmlNodeOps
