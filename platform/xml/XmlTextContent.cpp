#include "platform/xml/XmlTextContent.h"

#include <algorithm>
#include <cstring>

#include "platform/xml/XmlSerializer.h"

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsAllSpace(const char *text) {
  for (; *text; ++text) {
    if (!IsSpace(*text)) return false;
  }
  return true;
}

bool PreservesSpace(const XmlTree &tree, pugi::xml_node node) {
  if (tree.preserveWhiteSpace) return true;
  if (node.type() != pugi::node_element) node = tree.VisibleParent(node);
  // The nearest xml:space decides; "default" turns preserving off again.
  for (; node && node.type() == pugi::node_element; node = tree.VisibleParent(node)) {
    if (const pugi::xml_attribute space = node.attribute("xml:space"))
      return std::strcmp(space.value(), "preserve") == 0;
  }
  return false;
}

// text without the white space at its ends, except inside [keepFrom, keepTo).
std::string Trim(const std::string &text, size_t keepFrom, size_t keepTo) {
  size_t begin = 0, end = text.size();
  while (begin < end && begin < keepFrom && IsSpace(text[begin])) ++begin;
  while (end > begin && end > keepTo && IsSpace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::string ContainerText(const XmlTree &tree, pugi::xml_node top, bool preserving) {
  std::string text;
  size_t cdataFrom = std::string::npos, cdataTo = 0;
  bool spaceSkipped = false;
  tree.ForEachVisibleDescendant(top, [&](pugi::xml_node node) {
    const bool cdata = node.type() == pugi::node_cdata;
    if (!cdata && node.type() != pugi::node_pcdata) return;
    const char *value = node.value();
    if (!cdata && !*value) return;
    if (!cdata && !preserving && IsAllSpace(value)) {
      spaceSkipped = true;
      return;
    }
    if (spaceSkipped && !text.empty()) text += ' ';
    spaceSkipped = false;
    if (cdata) cdataFrom = std::min(cdataFrom, text.size());
    text += value;
    if (cdata) cdataTo = text.size();
  });
  return preserving ? text : Trim(text, cdataFrom, cdataTo);
}

} // namespace

std::string XmlTextContent(const XmlNodeRef &ref) {
  if (ref.isAttribute) return ref.Attribute().value();
  const XmlTree &tree = *ref.tree;
  const pugi::xml_node node = ref.node;
  switch (node.type()) {
  case pugi::node_element:
  case pugi::node_document:
    return ContainerText(tree, node, PreservesSpace(tree, node));
  case pugi::node_pcdata:
    return PreservesSpace(tree, node) ? node.value() : Trim(node.value(), std::string::npos, 0);
  case pugi::node_null:
  case pugi::node_cdata:
  case pugi::node_comment:
  case pugi::node_pi:
  case pugi::node_declaration:
  case pugi::node_doctype:
    return XmlNodeText(ref);
  }
  return XmlNodeText(ref);
}
