#include "platform/registry/RegFileReader.h"

#include <zrqtext.h>

#include <optional>

namespace zrq::registry {
namespace {

constexpr std::u16string_view kHeader = u"Windows Registry Editor Version 5.00";

struct ReadError {
  int line;
  std::string message;
};

std::string Narrow(std::u16string_view text) {
  std::string out;
  return ZrqWideToUtf8(text, &out) ? out : std::string("?");
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view TrimRight(std::u16string_view s) {
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::u16string_view TrimLeft(std::u16string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return s;
}

// The file's text in UTF-16, whatever its encoding.
std::u16string Decode(std::string_view bytes) {
  if (bytes.starts_with("\xFE\xFF"))
    throw ReadError{1, "UTF-16 big-endian text is not read; save it as UTF-8"};
  if (bytes.starts_with("\xFF\xFE")) {
    bytes.remove_prefix(2);
    if (bytes.size() % 2 != 0)
      throw ReadError{1, "UTF-16 text with an odd number of bytes: the file is cut short"};
    std::u16string text(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i)
      text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                      static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    return text;
  }
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  std::u16string text;
  if (!ZrqUtf8ToWide(bytes, &text)) {
    // Find the line of the first byte that does not decode, to point at it.
    int line = 1;
    std::u16string ignored;
    for (size_t start = 0; start < bytes.size();) {
      const size_t end = bytes.find('\n', start);
      const std::string_view part =
          bytes.substr(start, end == std::string_view::npos ? end : end - start);
      if (!ZrqUtf8ToWide(part, &ignored)) break;
      if (end == std::string_view::npos) break;
      start = end + 1, ++line;
    }
    throw ReadError{line, "the text is not UTF-8"};
  }
  return text;
}

class Reader {
public:
  Reader(std::u16string text, EndMarker endMarker) : text(std::move(text)), endMarker(endMarker) {}

  std::vector<RegFileChange> Read() {
    SplitLines();
    if (lines.empty() || lines[0] != kHeader)
      throw ReadError{1, "not a registry file: the first line must be \"" + Narrow(kHeader) + "\""};
    CheckEnd();
    for (size_t i = 1; i < lines.size(); ++i) {
      const int lineNumber = static_cast<int>(i) + 1;
      const std::u16string_view line = TrimRight(lines[i]);
      if (TrimLeft(line).empty() || line.front() == u';') continue;
      if (line.front() == u'[') {
        KeySection(line, lineNumber);
        continue;
      }
      if (line.front() != u'"' && line.front() != u'@')
        throw ReadError{lineNumber, "expected a key in brackets or a value line"};
      // Hex data goes on over the following lines while a line ends in a backslash.
      std::u16string joined(line);
      while (!joined.empty() && joined.back() == u'\\') {
        joined.pop_back();
        if (++i >= lines.size())
          throw ReadError{lineNumber, "the file ends inside a value that goes on"};
        joined += TrimLeft(TrimRight(lines[i]));
      }
      ValueLine(joined, lineNumber);
    }
    return std::move(changes);
  }

private:
  void SplitLines() {
    size_t start = 0;
    int lineNumber = 1;
    while (start <= text.size()) {
      size_t end = text.find(u'\n', start);
      const bool terminated = end != std::u16string::npos;
      if (!terminated) end = text.size();
      std::u16string_view line(text.data() + start, end - start);
      if (line.ends_with(u'\r')) line.remove_suffix(1);
      for (char16_t c : line) {
        if (c == 0) throw ReadError{lineNumber, "a NUL character"};
        if (c < 0x20 && c != u'\t') throw ReadError{lineNumber, "a control character"};
      }
      if (terminated || !line.empty()) {
        lines.push_back(line);
        lastLineTerminated = terminated;
      }
      if (!terminated) break;
      start = end + 1, ++lineNumber;
    }
  }

  // The end marker, when there is one, is the last line and ends in a line break; a file the
  // store wrote must have it.
  void CheckEnd() {
    for (size_t i = 0; i < lines.size(); ++i) {
      if (lines[i] != kEndMarker) continue;
      if (i + 1 != lines.size())
        throw ReadError{static_cast<int>(i) + 2, "text after the end-of-file line"};
      if (!lastLineTerminated) break;
      lines.pop_back();
      return;
    }
    if (endMarker == EndMarker::Required)
      throw ReadError{static_cast<int>(lines.size()),
                      "the file ends early: its last line must be \"" + Narrow(kEndMarker) +
                          "\" (cut short?)"};
  }

  void KeySection(std::u16string_view line, int lineNumber) {
    if (line.back() != u']') throw ReadError{lineNumber, "a key line must end in ']'"};
    std::u16string_view inner = line.substr(1, line.size() - 2);
    const bool deletion = inner.starts_with(u'-');
    if (deletion) inner.remove_prefix(1);
    const size_t slash = inner.find(u'\\');
    const std::optional<Root> root = RootFromName(inner.substr(0, slash));
    if (!root)
      throw ReadError{lineNumber, "unknown root key '" + Narrow(inner.substr(0, slash)) + "'"};
    KeyPath path{*root, {}};
    if (slash != std::u16string_view::npos) {
      std::u16string_view rest = inner.substr(slash + 1);
      while (true) {
        const size_t end = rest.find(u'\\');
        const std::u16string_view name = rest.substr(0, end);
        if (name.empty()) throw ReadError{lineNumber, "an empty key name"};
        if (name.size() > kMaxKeyNameLength)
          throw ReadError{lineNumber, "a key name longer than 255 characters"};
        if (CheckKeyName(name) != ERROR_SUCCESS)
          throw ReadError{lineNumber, "a key name that cannot be kept"};
        if (path.names.size() >= kMaxDepth)
          throw ReadError{lineNumber, "keys nested deeper than 512"};
        path.names.emplace_back(name);
        if (end == std::u16string_view::npos) break;
        rest.remove_prefix(end + 1);
      }
    }
    if (deletion && path.names.empty()) throw ReadError{lineNumber, "a root key cannot be deleted"};
    currentKey = deletion ? std::nullopt : std::optional<KeyPath>(path);
    changes.push_back({deletion ? RegFileChange::Kind::DeleteKey : RegFileChange::Kind::CreateKey,
                       std::move(path),
                       {},
                       REG_NONE,
                       {}});
  }

  // A quoted string from `at` (on its opening quote), with \\ and \" escapes; `at` ends up
  // after the closing quote.
  static std::u16string QuotedString(std::u16string_view line, size_t *at, int lineNumber) {
    std::u16string out;
    for (size_t i = *at + 1; i < line.size(); ++i) {
      if (line[i] == u'"') {
        *at = i + 1;
        return out;
      }
      if (line[i] == u'\\') {
        if (++i >= line.size()) break;
        if (line[i] != u'\\' && line[i] != u'"')
          throw ReadError{lineNumber,
                          "unknown escape '\\" + Narrow(line.substr(i, 1)) + "' in a string"};
      }
      out += line[i];
    }
    throw ReadError{lineNumber, "unterminated string"};
  }

  static std::vector<BYTE> HexBytes(std::u16string_view list, int lineNumber) {
    std::vector<BYTE> bytes;
    list = TrimLeft(list);
    if (list.empty()) return bytes;
    while (true) {
      const size_t comma = list.find(u',');
      const std::u16string_view item = TrimLeft(TrimRight(list.substr(0, comma)));
      if (item.size() != 2 || HexDigit(item[0]) < 0 || HexDigit(item[1]) < 0)
        throw ReadError{lineNumber,
                        "hex data must be pairs of hexadecimal digits separated by commas"};
      bytes.push_back(static_cast<BYTE>(HexDigit(item[0]) << 4 | HexDigit(item[1])));
      if (bytes.size() > kMaxValueSize) throw ReadError{lineNumber, "a value larger than 1 MiB"};
      if (comma == std::u16string_view::npos) return bytes;
      list.remove_prefix(comma + 1);
      // A comma may end the data (the writer leaves one before each line break).
      if (TrimLeft(list).empty()) return bytes;
    }
  }

  void ValueLine(std::u16string_view line, int lineNumber) {
    if (!currentKey) throw ReadError{lineNumber, "a value outside a key (or under a deleted key)"};
    size_t at = 0;
    std::u16string name;
    if (line.front() == u'@') {
      at = 1;
    } else {
      name = QuotedString(line, &at, lineNumber);
      if (CheckValueName(name) != ERROR_SUCCESS)
        throw ReadError{lineNumber, "a value name that cannot be kept"};
    }
    std::u16string_view rest = TrimLeft(line.substr(at));
    if (!rest.starts_with(u'=')) throw ReadError{lineNumber, "expected '=' after the value name"};
    rest = TrimLeft(rest.substr(1));

    RegFileChange change{RegFileChange::Kind::SetValue, *currentKey, std::move(name), REG_NONE, {}};
    if (rest == u"-") {
      change.kind = RegFileChange::Kind::DeleteValue;
    } else if (rest.starts_with(u'"')) {
      size_t end = 0;
      const std::u16string data = QuotedString(rest, &end, lineNumber);
      if (!TrimLeft(rest.substr(end)).empty()) throw ReadError{lineNumber, "text after the string"};
      change.type = REG_SZ;
      for (char16_t c : data)
        change.data.push_back(static_cast<BYTE>(c)),
            change.data.push_back(static_cast<BYTE>(c >> 8));
      change.data.push_back(0), change.data.push_back(0);
      if (change.data.size() > kMaxValueSize)
        throw ReadError{lineNumber, "a value larger than 1 MiB"};
    } else if (rest.starts_with(u"dword:")) {
      const std::u16string_view digits = rest.substr(6);
      if (digits.empty() || digits.size() > 8)
        throw ReadError{lineNumber, "dword: takes one to eight hexadecimal digits"};
      DWORD value = 0;
      for (char16_t c : digits) {
        if (HexDigit(c) < 0)
          throw ReadError{lineNumber, "dword: takes one to eight hexadecimal digits"};
        value = value << 4 | static_cast<DWORD>(HexDigit(c));
      }
      change.type = REG_DWORD;
      for (int i = 0; i < 4; ++i) change.data.push_back(static_cast<BYTE>(value >> (8 * i)));
    } else if (rest.starts_with(u"hex:")) {
      change.type = REG_BINARY;
      change.data = HexBytes(rest.substr(4), lineNumber);
    } else if (rest.starts_with(u"hex(")) {
      const size_t close = rest.find(u"):");
      const std::u16string_view digits =
          rest.substr(4, close == std::u16string_view::npos ? 0 : close - 4);
      if (digits.empty() || digits.size() > 8)
        throw ReadError{lineNumber, "hex(t): takes the type in hexadecimal"};
      DWORD type = 0;
      for (char16_t c : digits) {
        if (HexDigit(c) < 0) throw ReadError{lineNumber, "hex(t): takes the type in hexadecimal"};
        type = type << 4 | static_cast<DWORD>(HexDigit(c));
      }
      change.type = type;
      change.data = HexBytes(rest.substr(close + 2), lineNumber);
    } else {
      throw ReadError{lineNumber,
                      "unknown kind of value data (expected \"text\", dword:, hex: or hex(t):)"};
    }
    changes.push_back(std::move(change));
  }

  std::u16string text;
  EndMarker endMarker;
  std::vector<std::u16string_view> lines;
  bool lastLineTerminated = false;
  std::optional<KeyPath> currentKey;
  std::vector<RegFileChange> changes;
};

// The key at `path`, made with every key above it.
RegistryKey &CreateKey(RegistryTree *tree, const KeyPath &path, bool *changed) {
  RegistryKey *key = &tree->RootKey(path.root);
  for (const std::u16string &name : path.names) {
    bool created = false;
    key = &key->AddChild(name, &created);
    *changed |= created;
  }
  return *key;
}

} // namespace

bool ReadRegFile(std::string_view bytes, EndMarker endMarker, std::vector<RegFileChange> *changes,
                 RegFileProblem *problem) {
  changes->clear();
  try {
    Reader reader(Decode(bytes), endMarker);
    *changes = reader.Read();
    return true;
  } catch (const ReadError &error) {
    *problem = {error.line, error.message};
    return false;
  }
}

bool ApplyRegFileChanges(const std::vector<RegFileChange> &changes, RegistryTree *tree) {
  bool changed = false;
  for (const RegFileChange &change : changes) {
    switch (change.kind) {
    case RegFileChange::Kind::CreateKey:
      CreateKey(tree, change.path, &changed);
      break;
    case RegFileChange::Kind::SetValue: {
      RegistryKey &key = CreateKey(tree, change.path, &changed);
      if (key.SetValue(change.valueName, change.type, change.data)) changed = true;
      break;
    }
    case RegFileChange::Kind::DeleteKey: {
      KeyPath parentPath{change.path.root,
                         {change.path.names.begin(), change.path.names.end() - 1}};
      if (RegistryKey *parent = tree->Find(parentPath))
        changed |= parent->RemoveChild(change.path.names.back());
      break;
    }
    case RegFileChange::Kind::DeleteValue:
      if (RegistryKey *key = tree->Find(change.path)) changed |= key->RemoveValue(change.valueName);
      break;
    }
  }
  return changed;
}

} // namespace zrq::registry
