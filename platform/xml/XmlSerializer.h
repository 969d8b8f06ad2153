// The text form of nodes and documents.
#pragma once

#include <string>

#include "platform/xml/XmlTree.h"

// The markup of one node with its subtree, without indentation; for the document, each of its
// visible children followed by a line break. An attribute gives name="value".
std::string XmlSerializeNode(const XmlNodeRef &ref);

// A whole document as a file holds it: an XML declaration naming UTF-8 (replacing any the
// document has), then the visible children, indented with tabs.
std::string XmlSerializeDocumentFile(const XmlTree &tree);

// The text content of a node: for elements and documents the text and CDATA sections of the
// whole subtree in document order, for the other nodes their value.
std::string XmlNodeText(const XmlNodeRef &ref);
