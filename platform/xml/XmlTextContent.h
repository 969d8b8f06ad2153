// The text of a node as get_text and the typed value of an untyped element give it. Unless
// white space is preserved (the document's preserveWhiteSpace, or xml:space="preserve" on
// the node or an element around it), the text of an element or document is trimmed at both
// ends, a run of white-space-only text between pieces reads as one space, and the text in
// CDATA sections is kept as it is; a text node is trimmed. Comments, processing instructions,
// CDATA sections and attributes give their value as it stands.
#pragma once

#include <string>

#include "platform/xml/XmlTree.h"

std::string XmlTextContent(const XmlNodeRef &ref);
