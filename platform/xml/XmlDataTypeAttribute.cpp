#include "platform/xml/XmlDataTypeAttribute.h"

#include <cstring>
#include <string>

namespace {

// The namespace bound to prefix at element, looking outwards to the document element;
// null when the prefix is not declared. A held node's scope ends at itself, as it has no
// parent yet.
const char *ResolvePrefix(const XmlTree &tree, pugi::xml_node element, const std::string &prefix) {
  const std::string declaration = "xmlns:" + prefix;
  for (pugi::xml_node scope = element; scope && scope.type() == pugi::node_element;
       scope = tree.VisibleParent(scope)) {
    if (pugi::xml_attribute bound = scope.attribute(declaration.c_str())) return bound.value();
  }
  return nullptr;
}

} // namespace

pugi::xml_attribute FindDataTypeAttribute(const XmlTree &tree, pugi::xml_node element) {
  for (pugi::xml_attribute attribute : element.attributes()) {
    const char *name = attribute.name();
    const char *colon = std::strchr(name, ':');
    if (!colon || std::strcmp(colon + 1, "dt") != 0) continue;
    const std::string prefix(name, colon);
    if (prefix == "xmlns") continue;
    const char *uri = ResolvePrefix(tree, element, prefix);
    if (uri && std::strcmp(uri, kXmlDataTypesNamespace) == 0) return attribute;
  }
  return {};
}

bool SetDataTypeAttribute(const XmlTree &tree, pugi::xml_node element, const char *typeName) {
  if (pugi::xml_attribute existing = FindDataTypeAttribute(tree, element)) {
    return existing.set_value(typeName);
  }
  // "dt" unless that prefix is already bound to another namespace here; then dt1, dt2, ...
  std::string prefix = "dt";
  for (int suffix = 1;; ++suffix) {
    const char *uri = ResolvePrefix(tree, element, prefix);
    if (!uri) {
      if (!element.append_attribute(("xmlns:" + prefix).c_str())
               .set_value(kXmlDataTypesNamespace)) {
        return false;
      }
      break;
    }
    if (std::strcmp(uri, kXmlDataTypesNamespace) == 0) break;
    prefix = "dt" + std::to_string(suffix);
  }
  return element.append_attribute((prefix + ":dt").c_str()).set_value(typeName);
}
