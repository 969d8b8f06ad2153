#include "platform/xml/XmlNodeOps.h"

#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/xml/XmlDataType.h"
#include "platform/xml/XmlDataTypeAttribute.h"
#include "platform/xml/XmlDocument.h"
#include "platform/xml/XmlNodeList.h"
#include "platform/xml/XmlSerializer.h"
#include "platform/xml/XmlSupport.h"
#include "platform/xml/XmlTextContent.h"

namespace {

XmlNodeRef RefTo(const XmlNodeRef &from, pugi::xml_node node) {
  return XmlNodeRef{from.tree, node, false, {}};
}

// Hands out node (or null and S_FALSE when there is none).
HRESULT HandOut(XmlDocument &owner, const XmlNodeRef &from, pugi::xml_node node,
                IXMLDOMNode **out) {
  *out = nullptr;
  if (!node) return S_FALSE;
  return owner.WrapNode(RefTo(from, node), out);
}

// Replaces an element's content with text. Children are not destroyed but held, so node
// objects a host keeps for them stay valid; a sole text child is simply rewritten.
bool SetElementText(const XmlNodeRef &ref, const std::string &text) {
  pugi::xml_node element = ref.node;
  pugi::xml_node only = element.first_child();
  if (only && !only.next_sibling() && only.type() == pugi::node_pcdata && !text.empty()) {
    return only.set_value(text.c_str());
  }
  while (pugi::xml_node child = element.first_child()) {
    if (!ref.tree->Hold(child)) return false;
  }
  if (text.empty()) return true;
  return element.append_child(pugi::node_pcdata).set_value(text.c_str());
}

// Which results of a selection a host may see: nodes under the holding element belong to no
// document, except those in the same detached subtree as the node the selection started from.
class VisibilityFilter {
public:
  VisibilityFilter(const XmlTree &tree, pugi::xml_node context) : tree(tree) {
    simple = !tree.holding.first_child();
    if (!simple) contextTop = Top(context);
  }

  bool Visible(pugi::xml_node node) {
    if (node == tree.holding) return false;
    if (simple) return true;
    return Top(node) == contextTop;
  }

private:
  // The child of the holding element that node lies under, or null for the visible tree.
  // Remembered per node, so a whole result set costs time proportional to the tree.
  pugi::xml_node_struct *Top(pugi::xml_node node) {
    std::vector<pugi::xml_node_struct *> path;
    pugi::xml_node_struct *top = nullptr;
    for (pugi::xml_node current = node; current; current = current.parent()) {
      auto known = tops.find(current.internal_object());
      if (known != tops.end()) {
        top = known->second;
        break;
      }
      if (current.parent() == tree.holding) {
        path.push_back(current.internal_object());
        top = current.internal_object();
        break;
      }
      if (!current.parent() || current == tree.holding) break;
      path.push_back(current.internal_object());
    }
    for (pugi::xml_node_struct *visited : path) tops.emplace(visited, top);
    return top;
  }

  const XmlTree &tree;
  bool simple = true;
  pugi::xml_node_struct *contextTop = nullptr;
  std::unordered_map<pugi::xml_node_struct *, pugi::xml_node_struct *> tops;
};

// Evaluates an XPath query from ref; a query that does not compile gives E_FAIL.
HRESULT Select(const XmlNodeRef &ref, BSTR query, std::vector<XmlNodeRef> &results) {
  const std::string text = XmlFromBstr(query);
  pugi::xpath_query compiled(
      text.c_str()); // throws on a syntax error, which the method answers with E_FAIL
  if (!compiled) return E_FAIL;
  const pugi::xpath_node context =
      ref.isAttribute ? pugi::xpath_node(ref.Attribute(), ref.node) : pugi::xpath_node(ref.node);
  if (!context) return E_FAIL;
  const pugi::xpath_node_set found = compiled.evaluate_node_set(context);
  VisibilityFilter filter(*ref.tree, ref.node);
  results.reserve(found.size());
  for (const pugi::xpath_node &hit : found) {
    if (hit.attribute()) {
      if (filter.Visible(hit.parent()))
        results.push_back({ref.tree, hit.parent(), true, hit.attribute().name()});
    } else if (filter.Visible(hit.node())) {
      results.push_back(RefTo(ref, hit.node()));
    }
  }
  return S_OK;
}

// The data type an element names that this DOM reads and writes; nothing for other nodes,
// untyped elements and names it does not know.
std::optional<XmlDataType> DataTypeOf(const XmlNodeRef &ref) {
  if (!ref.IsElement()) return std::nullopt;
  const pugi::xml_attribute typeAttribute = FindDataTypeAttribute(*ref.tree, ref.node);
  if (!typeAttribute) return std::nullopt;
  return XmlDataTypeFromName(typeAttribute.value());
}

} // namespace

namespace XmlNodeOps {

HRESULT GetNodeName(const XmlNodeRef &ref, BSTR *name) {
  if (!name) return E_INVALIDARG;
  return ZrqComBoundary([&] {
    if (ref.isAttribute) return XmlMakeBstr(ref.attributeName, name);
    switch (ref.node.type()) {
    case pugi::node_element:
    case pugi::node_pi:
    case pugi::node_doctype:
      return XmlMakeBstr(ref.node.name(), name);
    case pugi::node_declaration:
      return XmlMakeBstr("xml", name);
    case pugi::node_pcdata:
      return XmlMakeBstr("#text", name);
    case pugi::node_cdata:
      return XmlMakeBstr("#cdata-section", name);
    case pugi::node_comment:
      return XmlMakeBstr("#comment", name);
    case pugi::node_document:
      return XmlMakeBstr("#document", name);
    case pugi::node_null:
      return E_FAIL;
    }
    return E_FAIL;
  });
}

HRESULT GetNodeValue(const XmlNodeRef &ref, VARIANT *value) {
  if (!value) return E_INVALIDARG;
  return ZrqComBoundary([&] {
    // Elements and documents have no value of their own.
    if (ref.IsElement() || ref.IsDocument()) {
      value->vt = VT_NULL;
      return S_FALSE;
    }
    BSTR text = nullptr;
    const HRESULT hr = XmlMakeBstr(XmlNodeText(ref), &text);
    if (FAILED(hr)) return hr;
    value->vt = VT_BSTR;
    value->bstrVal = text;
    return S_OK;
  });
}

HRESULT PutNodeValue(const XmlNodeRef &ref, const VARIANT &value) {
  return ZrqComBoundary([&] {
    if (ref.IsElement() || ref.IsDocument()) return E_FAIL;
    CComVariant text;
    const HRESULT hr = VariantChangeType(&text, &value, 0, VT_BSTR);
    if (FAILED(hr)) return hr;
    const std::string utf8 = XmlFromBstr(text.bstrVal);
    if (ref.isAttribute) {
      pugi::xml_attribute attribute = ref.Attribute();
      return attribute && attribute.set_value(utf8.c_str()) ? S_OK : E_FAIL;
    }
    return pugi::xml_node(ref.node).set_value(utf8.c_str()) ? S_OK : E_FAIL;
  });
}

HRESULT GetNodeType(const XmlNodeRef &ref, DOMNodeType *type) {
  if (!type) return E_INVALIDARG;
  if (ref.isAttribute) {
    *type = NODE_ATTRIBUTE;
    return S_OK;
  }
  switch (ref.node.type()) {
  case pugi::node_element:
    *type = NODE_ELEMENT;
    return S_OK;
  case pugi::node_pcdata:
    *type = NODE_TEXT;
    return S_OK;
  case pugi::node_cdata:
    *type = NODE_CDATA_SECTION;
    return S_OK;
  case pugi::node_comment:
    *type = NODE_COMMENT;
    return S_OK;
  // The XML declaration is a processing instruction named "xml" in the DOM.
  case pugi::node_pi:
  case pugi::node_declaration:
    *type = NODE_PROCESSING_INSTRUCTION;
    return S_OK;
  case pugi::node_doctype:
    *type = NODE_DOCUMENT_TYPE;
    return S_OK;
  case pugi::node_document:
    *type = NODE_DOCUMENT;
    return S_OK;
  case pugi::node_null:
    *type = NODE_INVALID;
    return E_FAIL;
  }
  return E_FAIL;
}

HRESULT GetNodeTypeString(const XmlNodeRef &ref, BSTR *typeName) {
  if (!typeName) return E_INVALIDARG;
  DOMNodeType type = NODE_INVALID;
  HRESULT hr = GetNodeType(ref, &type);
  if (FAILED(hr)) return hr;
  const char *name = "";
  switch (type) {
  case NODE_ELEMENT:
    name = "element";
    break;
  case NODE_ATTRIBUTE:
    name = "attribute";
    break;
  case NODE_TEXT:
    name = "text";
    break;
  case NODE_CDATA_SECTION:
    name = "cdatasection";
    break;
  case NODE_ENTITY_REFERENCE:
    name = "entityreference";
    break;
  case NODE_ENTITY:
    name = "entity";
    break;
  case NODE_PROCESSING_INSTRUCTION:
    name = "processinginstruction";
    break;
  case NODE_COMMENT:
    name = "comment";
    break;
  case NODE_DOCUMENT:
    name = "document";
    break;
  case NODE_DOCUMENT_TYPE:
    name = "documenttype";
    break;
  case NODE_DOCUMENT_FRAGMENT:
    name = "documentfragment";
    break;
  case NODE_NOTATION:
    name = "notation";
    break;
  case NODE_INVALID:
    return E_FAIL;
  }
  return ZrqComBoundary([&] { return XmlMakeBstr(name, typeName); });
}

HRESULT GetParentNode(XmlDocument &owner, const XmlNodeRef &ref, IXMLDOMNode **parent) {
  if (!parent) return E_INVALIDARG;
  *parent = nullptr;
  if (ref.isAttribute) return S_FALSE; // attributes have no parent in the DOM
  return ZrqComBoundary(
      [&] { return HandOut(owner, ref, ref.tree->VisibleParent(ref.node), parent); });
}

HRESULT GetChildNodes(XmlDocument &owner, const XmlNodeRef &ref, IXMLDOMNodeList **list) {
  if (!list) return E_INVALIDARG;
  *list = nullptr;
  return ZrqComBoundary([&] {
    std::vector<XmlNodeRef> children;
    if (!ref.isAttribute) {
      for (pugi::xml_node child = ref.node.first_child(); child; child = child.next_sibling()) {
        if (child != ref.tree->holding) children.push_back(RefTo(ref, child));
      }
    }
    return XmlNodeList::Create(owner, std::move(children), list);
  });
}

HRESULT GetRelative(XmlDocument &owner, const XmlNodeRef &ref, Relative which, IXMLDOMNode **node) {
  if (!node) return E_INVALIDARG;
  *node = nullptr;
  if (ref.isAttribute) return S_FALSE;
  return ZrqComBoundary([&] {
    const pugi::xml_node holding = ref.tree->holding;
    pugi::xml_node found;
    switch (which) {
    case Relative::FirstChild:
      found = ref.node.first_child();
      break;
    case Relative::LastChild:
      found = ref.node.last_child();
      break;
    case Relative::PreviousSibling:
      found = ref.tree->VisibleParent(ref.node) ? ref.node.previous_sibling() : pugi::xml_node();
      break;
    case Relative::NextSibling:
      found = ref.tree->VisibleParent(ref.node) ? ref.node.next_sibling() : pugi::xml_node();
      break;
    }
    if (found == holding) {
      found = which == Relative::FirstChild || which == Relative::NextSibling ? found.next_sibling()
                                                                              : pugi::xml_node();
    }
    return HandOut(owner, ref, found, node);
  });
}

HRESULT HasChildNodes(const XmlNodeRef &ref, VARIANT_BOOL *hasChild) {
  if (!hasChild) return E_INVALIDARG;
  bool any = false;
  if (!ref.isAttribute) {
    for (pugi::xml_node child = ref.node.first_child(); child && !any;
         child = child.next_sibling()) {
      any = child != ref.tree->holding;
    }
  }
  *hasChild = any ? VARIANT_TRUE : VARIANT_FALSE;
  return any ? S_OK : S_FALSE;
}

HRESULT AppendChild(const XmlNodeRef &ref, IXMLDOMNode *newChild, IXMLDOMNode **outNewChild) {
  if (outNewChild) *outNewChild = nullptr;
  if (!newChild) return E_INVALIDARG;
  return ZrqComBoundary([&] {
    XmlNodeRef child;
    // Only nodes of this same document can be inserted; nodes of other documents (or of this
    // document's earlier content) would have to be copied, which would split their identity.
    if (!XmlGetNodeRef(newChild, child) || child.tree != ref.tree) return E_INVALIDARG;
    if (!ref.IsElement() && !ref.IsDocument()) return E_FAIL;
    if (child.isAttribute || child.IsDocument()) return E_FAIL;
    const pugi::xml_node_type type = child.node.type();
    if (ref.IsDocument()) {
      // A document holds one element and no text.
      if (type == pugi::node_pcdata || type == pugi::node_cdata) return E_FAIL;
      const pugi::xml_node existing = ref.tree->DocumentElement();
      if (type == pugi::node_element && existing && existing != child.node) return E_FAIL;
    } else if (type == pugi::node_declaration || type == pugi::node_doctype) {
      return E_FAIL;
    }
    // pugixml refuses to move a node into its own subtree.
    if (!pugi::xml_node(ref.node).append_move(child.node)) return E_FAIL;
    if (outNewChild)
      return newChild->QueryInterface(IID_IXMLDOMNode, reinterpret_cast<void **>(outNewChild));
    return S_OK;
  });
}

HRESULT RemoveChild(const XmlNodeRef &ref, IXMLDOMNode *childNode, IXMLDOMNode **oldChild) {
  if (oldChild) *oldChild = nullptr;
  if (!childNode) return E_INVALIDARG;
  return ZrqComBoundary([&] {
    XmlNodeRef child;
    if (!XmlGetNodeRef(childNode, child) || child.tree != ref.tree || child.isAttribute ||
        ref.isAttribute || child.node.parent() != ref.node || child.node == ref.tree->holding) {
      return E_INVALIDARG;
    }
    if (!ref.tree->Hold(child.node)) return E_FAIL;
    if (oldChild)
      return childNode->QueryInterface(IID_IXMLDOMNode, reinterpret_cast<void **>(oldChild));
    return S_OK;
  });
}

HRESULT GetOwnerDocument(XmlDocument &owner, const XmlNodeRef &ref, IXMLDOMDocument **document) {
  if (!document) return E_INVALIDARG;
  *document = nullptr;
  if (ref.IsDocument()) return S_FALSE; // a document has no owner
  return owner.QueryInterface(IID_IXMLDOMDocument, reinterpret_cast<void **>(document));
}

HRESULT GetText(const XmlNodeRef &ref, BSTR *text) {
  if (!text) return E_INVALIDARG;
  *text = nullptr;
  return ZrqComBoundary([&] { return XmlMakeBstr(XmlTextContent(ref), text); });
}

HRESULT PutText(const XmlNodeRef &ref, BSTR text) {
  return ZrqComBoundary([&] {
    const std::string utf8 = XmlFromBstr(text);
    if (ref.isAttribute) {
      pugi::xml_attribute attribute = ref.Attribute();
      return attribute && attribute.set_value(utf8.c_str()) ? S_OK : E_FAIL;
    }
    if (ref.IsDocument()) return E_FAIL;
    if (ref.IsElement()) return SetElementText(ref, utf8) ? S_OK : E_OUTOFMEMORY;
    return pugi::xml_node(ref.node).set_value(utf8.c_str()) ? S_OK : E_FAIL;
  });
}

HRESULT GetNodeTypedValue(const XmlNodeRef &ref, VARIANT *value) {
  if (!value) return E_INVALIDARG;
  return ZrqComBoundary([&] {
    // The document has no value of its own.
    if (ref.IsDocument()) {
      value->vt = VT_NULL;
      return S_FALSE;
    }
    // A typed element reads its text as it stands (its parser allows white space around a
    // number); anything else reads as get_text gives it.
    if (const auto type = DataTypeOf(ref)) return XmlParseTypedText(*type, XmlNodeText(ref), value);
    return XmlParseTypedText(XmlDataType::String, XmlTextContent(ref), value);
  });
}

HRESULT PutNodeTypedValue(const XmlNodeRef &ref, const VARIANT &value) {
  return ZrqComBoundary([&] {
    if (ref.IsDocument()) return E_FAIL;
    const XmlDataType type = DataTypeOf(ref).value_or(XmlDataType::String);
    CComVariant converted;
    HRESULT hr = VariantChangeType(&converted, &value, 0, XmlDataTypeStorageVarType(type));
    if (FAILED(hr)) return hr;
    std::string text;
    hr = XmlFormatTypedText(type, converted, text);
    if (FAILED(hr)) return hr;
    if (ref.IsElement()) return SetElementText(ref, text) ? S_OK : E_OUTOFMEMORY;
    if (ref.isAttribute) {
      pugi::xml_attribute attribute = ref.Attribute();
      return attribute && attribute.set_value(text.c_str()) ? S_OK : E_FAIL;
    }
    return pugi::xml_node(ref.node).set_value(text.c_str()) ? S_OK : E_FAIL;
  });
}

HRESULT GetDataType(const XmlNodeRef &ref, VARIANT *typeName) {
  if (!typeName) return E_INVALIDARG;
  return ZrqComBoundary([&] {
    // Text is the default, so a "string" element reports no type, as do all other nodes.
    const auto type = DataTypeOf(ref);
    if (!type || *type == XmlDataType::String) {
      typeName->vt = VT_NULL;
      return S_FALSE;
    }
    BSTR copy = nullptr;
    const HRESULT hr = XmlMakeBstr(XmlDataTypeName(*type), &copy);
    if (FAILED(hr)) return hr;
    typeName->vt = VT_BSTR;
    typeName->bstrVal = copy;
    return S_OK;
  });
}

HRESULT PutDataType(const XmlNodeRef &ref, BSTR typeName) {
  if (!typeName) return E_INVALIDARG;
  return ZrqComBoundary([&] {
    if (!ref.IsElement()) return E_FAIL;
    const auto type = XmlDataTypeFromName(XmlFromBstr(typeName));
    if (!type) return E_FAIL;
    return SetDataTypeAttribute(*ref.tree, ref.node, XmlDataTypeName(*type)) ? S_OK : E_OUTOFMEMORY;
  });
}

HRESULT GetXml(const XmlNodeRef &ref, BSTR *xml) {
  if (!xml) return E_INVALIDARG;
  *xml = nullptr;
  return ZrqComBoundary([&] { return XmlMakeBstr(XmlSerializeNode(ref), xml); });
}

HRESULT SelectNodes(XmlDocument &owner, const XmlNodeRef &ref, BSTR query, IXMLDOMNodeList **list) {
  if (!list) return E_INVALIDARG;
  *list = nullptr;
  return ZrqComBoundary([&] {
    std::vector<XmlNodeRef> results;
    const HRESULT hr = Select(ref, query, results);
    if (FAILED(hr)) return hr;
    return XmlNodeList::Create(owner, std::move(results), list);
  });
}

HRESULT SelectSingleNode(XmlDocument &owner, const XmlNodeRef &ref, BSTR query,
                         IXMLDOMNode **node) {
  if (!node) return E_INVALIDARG;
  *node = nullptr;
  return ZrqComBoundary([&] {
    std::vector<XmlNodeRef> results;
    const HRESULT hr = Select(ref, query, results);
    if (FAILED(hr)) return hr;
    if (results.empty()) return S_FALSE;
    return owner.WrapNode(results.front(), node);
  });
}

HRESULT GetElementsByTagName(XmlDocument &owner, const XmlNodeRef &ref, BSTR tagName,
                             IXMLDOMNodeList **list) {
  if (!list) return E_INVALIDARG;
  *list = nullptr;
  if (!tagName) return E_INVALIDARG;
  return ZrqComBoundary([&] {
    const std::string name = XmlFromBstr(tagName);
    const bool any = name == "*";
    std::vector<XmlNodeRef> found;
    if (!ref.isAttribute) {
      ref.tree->ForEachVisibleDescendant(ref.node, [&](pugi::xml_node node) {
        if (node.type() == pugi::node_element && (any || name == node.name()))
          found.push_back(RefTo(ref, node));
      });
    }
    return XmlNodeList::Create(owner, std::move(found), list);
  });
}

} // namespace XmlNodeOps
