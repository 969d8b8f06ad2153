// The node storage behind one DOM document, and a handle to one node (or attribute) in it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <pugixml.hpp>

// pugixml keeps every node inside its document tree, and a created but not yet inserted node
// has to live somewhere: such nodes, and nodes taken out of the tree, are kept under a hidden
// element (the holding element) that is the first child of the pugixml root. Nodes are never
// destroyed while the tree lives, so a handle held by a node object cannot dangle.
// A document that loads new content starts a new tree; node objects of the old content keep
// the old tree alive through their shared pointer.
struct XmlTree {
  pugi::xml_document doc;
  pugi::xml_node holding;
  // The owning document's preserveWhiteSpace, which the text of the nodes follows.
  bool preserveWhiteSpace = false;

  // A tree with nothing but the holding element; null when memory ran out.
  static std::shared_ptr<XmlTree> CreateEmpty();

  // Whether node is the holding element or lies under it.
  bool IsHeld(pugi::xml_node node) const;
  // Moves node (with its subtree) under the holding element.
  bool Hold(pugi::xml_node node);
  // The visible children of the document: the root's children without the holding element.
  std::vector<pugi::xml_node> DocumentChildren() const;
  pugi::xml_node DocumentElement() const;
  // The parent as the DOM sees it: empty for held nodes and for the root.
  pugi::xml_node VisibleParent(pugi::xml_node node) const;

  // Calls visit for each node below top in document order, passing over the holding element
  // and everything under it. Walked without recursion: documents may nest deeper than the
  // stack would allow.
  template <class Visit> void ForEachVisibleDescendant(pugi::xml_node top, Visit &&visit) const {
    pugi::xml_node current = top.first_child();
    while (current) {
      const bool skip = current == holding;
      if (!skip) visit(current);
      if (!skip && current.first_child()) {
        current = current.first_child();
        continue;
      }
      while (current != top && !current.next_sibling()) current = current.parent();
      if (current == top) break;
      current = current.next_sibling();
    }
  }
};

// One node of a tree: an element, text, comment and so on, or the attribute attributeName of
// the element node. An attribute is found by its name on each use, so that removing it from
// the element cannot leave a handle to freed memory behind.
struct XmlNodeRef {
  std::shared_ptr<XmlTree> tree;
  pugi::xml_node node;
  bool isAttribute = false;
  std::string attributeName;

  bool IsElement() const { return !isAttribute && node.type() == pugi::node_element; }
  bool IsDocument() const { return !isAttribute && node.type() == pugi::node_document; }
  // The attribute, or an empty one when it has been removed meanwhile.
  pugi::xml_attribute Attribute() const { return node.attribute(attributeName.c_str()); }
};
