#include "platform/xml/XmlTree.h"

#include <new>

std::shared_ptr<XmlTree> XmlTree::CreateEmpty() {
  try {
    auto tree = std::make_shared<XmlTree>();
    tree->holding = tree->doc.append_child(pugi::node_element);
    if (!tree->holding) return nullptr;
    return tree;
  } catch (const std::bad_alloc &) {
    return nullptr;
  }
}

bool XmlTree::IsHeld(pugi::xml_node node) const {
  // Climbs to the child of the root; the depth of the node bounds the cost.
  pugi::xml_node top = node;
  while (top && top.parent() && top.parent() != doc) top = top.parent();
  return top == holding;
}

bool XmlTree::Hold(pugi::xml_node node) {
  if (!node || node == holding || node.type() == pugi::node_document) return false;
  return static_cast<bool>(holding.append_move(node));
}

std::vector<pugi::xml_node> XmlTree::DocumentChildren() const {
  std::vector<pugi::xml_node> children;
  for (pugi::xml_node child = doc.first_child(); child; child = child.next_sibling()) {
    if (child != holding) children.push_back(child);
  }
  return children;
}

pugi::xml_node XmlTree::DocumentElement() const {
  for (pugi::xml_node child = doc.first_child(); child; child = child.next_sibling()) {
    if (child != holding && child.type() == pugi::node_element) return child;
  }
  return {};
}

pugi::xml_node XmlTree::VisibleParent(pugi::xml_node node) const {
  pugi::xml_node parent = node.parent();
  if (!parent || parent == holding) return {};
  return parent;
}
