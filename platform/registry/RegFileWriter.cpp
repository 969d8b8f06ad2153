#include "platform/registry/RegFileWriter.h"

#include <zrqtext.h>

#include <cstdio>

#include "platform/registry/RegFileReader.h"

namespace zrq::registry {
namespace {

constexpr char kHeader[] = "Windows Registry Editor Version 5.00\n\n";
// Hex data is broken into lines of about this width, as the Windows editor does.
constexpr size_t kLineWidth = 78;

std::string Utf8(std::u16string_view text) {
  std::string out;
  ZrqWideToUtf8(text, &out); // names were checked when they were made: they convert
  return out;
}

std::string Quoted(std::u16string_view text) {
  std::string out = "\"";
  for (char c : Utf8(text)) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

// A REG_SZ is written as text when the text reads back to the very same bytes: UTF-16 with one
// terminator at the end, no other NUL, nothing that is not a printable character.
bool AsText(const RegistryValue &value, std::u16string *text) {
  const std::vector<BYTE> &d = value.data;
  if (value.type != REG_SZ || d.size() < 2 || d.size() % 2 != 0 || d[d.size() - 1] != 0 ||
      d[d.size() - 2] != 0)
    return false;
  text->clear();
  for (size_t i = 0; i + 2 < d.size(); i += 2) {
    const auto c = static_cast<char16_t>(d[i] | d[i + 1] << 8);
    if (c < 0x20 || c == 0x7F) return false;
    *text += c;
  }
  std::string ignored;
  return ZrqWideToUtf8(*text, &ignored);
}

void WriteHex(std::string &out, std::string_view prefix, const std::vector<BYTE> &data) {
  out += prefix;
  size_t width = out.size() - (out.rfind('\n') + 1);
  char digits[4];
  for (size_t i = 0; i < data.size(); ++i) {
    std::snprintf(digits, sizeof digits, "%02x", data[i]);
    const bool last = i + 1 == data.size();
    if (width + 3 > kLineWidth) {
      out += "\\\n  ";
      width = 2;
    }
    out += digits;
    if (!last) out += ',';
    width += 3;
  }
}

void WriteValue(std::string &out, const RegistryValue &value) {
  const std::string name = value.name.empty() ? "@" : Quoted(value.name);
  out += name + "=";
  std::u16string text;
  char prefix[32];
  if (AsText(value, &text)) {
    out += Quoted(text);
  } else if (value.type == REG_DWORD && value.data.size() == 4) {
    const DWORD number = value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                         static_cast<DWORD>(value.data[3]) << 24;
    std::snprintf(prefix, sizeof prefix, "dword:%08x", number);
    out += prefix;
  } else if (value.type == REG_BINARY) {
    WriteHex(out, "hex:", value.data);
  } else {
    std::snprintf(prefix, sizeof prefix, "hex(%x):", value.type);
    WriteHex(out, prefix, value.data);
  }
  out += '\n';
}

// The key's section (a root's only when it holds values) and then its subkeys'.
void WriteKey(std::string &out, const RegistryKey &key, std::string &path, bool isRoot) {
  if (!isRoot || !key.Values().empty()) {
    out += "[" + path + "]\n";
    for (const RegistryValue &value : key.Values()) WriteValue(out, value);
    out += '\n';
  }
  for (const auto &[name, child] : key.Subkeys()) {
    const size_t length = path.size();
    path += "\\" + Utf8(child->Name());
    WriteKey(out, *child, path, false);
    path.resize(length);
  }
}

std::string EndLine() { return Utf8(kEndMarker) + "\n"; }

} // namespace

std::string WriteRegFile(const RegistryTree &tree) {
  std::string out = kHeader;
  for (Root root : kRoots) {
    std::string path = Utf8(RootName(root));
    WriteKey(out, tree.RootKey(root), path, true);
  }
  return out + EndLine();
}

std::string WriteRegFile(const RegistryKey &key, const KeyPath &path) {
  std::string out = kHeader;
  std::string text = Utf8(RootName(path.root));
  for (const std::u16string &name : path.names) text += "\\" + Utf8(name);
  WriteKey(out, key, text, path.names.empty());
  return out + EndLine();
}

} // namespace zrq::registry
