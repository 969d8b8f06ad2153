#include "platform/xml/XmlSerializer.h"

namespace {

class StringWriter final : public pugi::xml_writer {
public:
  explicit StringWriter(std::string &out) : out(out) {}
  void write(const void *data, size_t size) override {
    out.append(static_cast<const char *>(data), size);
  }

private:
  std::string &out;
};

void AppendEscapedAttributeValue(std::string &out, const char *value) {
  for (const char *c = value; *c; ++c) {
    switch (*c) {
    case '&':
      out += "&amp;";
      break;
    case '<':
      out += "&lt;";
      break;
    case '>':
      out += "&gt;";
      break;
    case '"':
      out += "&quot;";
      break;
    case '\r':
      out += "&#13;";
      break;
    case '\n':
      out += "&#10;";
      break;
    case '\t':
      out += "&#9;";
      break;
    default:
      out += *c;
      break;
    }
  }
}

} // namespace

std::string XmlSerializeNode(const XmlNodeRef &ref) {
  std::string out;
  if (ref.isAttribute) {
    const pugi::xml_attribute attribute = ref.Attribute();
    if (!attribute) return out;
    out += attribute.name();
    out += "=\"";
    AppendEscapedAttributeValue(out, attribute.value());
    out += '"';
    return out;
  }
  StringWriter writer(out);
  // pugixml prints iteratively, so depth costs no stack.
  if (ref.IsDocument()) {
    for (const pugi::xml_node child : ref.tree->DocumentChildren()) {
      child.print(writer, "", pugi::format_raw);
      out += '\n';
    }
  } else {
    ref.node.print(writer, "", pugi::format_raw);
  }
  return out;
}

std::string XmlSerializeDocumentFile(const XmlTree &tree) {
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  StringWriter writer(out);
  for (const pugi::xml_node child : tree.DocumentChildren()) {
    if (child.type() == pugi::node_declaration) continue;
    child.print(writer, "\t", pugi::format_indent);
  }
  return out;
}

std::string XmlNodeText(const XmlNodeRef &ref) {
  if (ref.isAttribute) return ref.Attribute().value();
  const pugi::xml_node top = ref.node;
  if (top.type() != pugi::node_element && top.type() != pugi::node_document) return top.value();
  std::string text;
  ref.tree->ForEachVisibleDescendant(top, [&](pugi::xml_node node) {
    if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) text += node.value();
  });
  return text;
}
