// The registry-script reader: a lexer that fills in replacements as it reads a word or a
// quoted string, and a recursive reader of the clauses.
#include <zrqtext.h>

#include <cstdint>

#include "module/RegistryScript.h"

namespace {

constexpr size_t kMaxDepth = 512;
constexpr size_t kMaxKeyName = 255;
constexpr size_t kMaxValueName = 16383;
constexpr size_t kMaxValueSize = 1024 * 1024;

struct ScriptError {
  int line;
  std::string message;
};

std::string Narrow(std::u16string_view text) {
  std::string out;
  return ZrqWideToUtf8(text, &out) ? out : std::string("?");
}

char16_t Upper(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }

bool SameWord(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) return false;
  }
  return true;
}

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

struct Token {
  enum class Kind { Word, Quoted, Equals, Open, Close, End };
  Kind kind = Kind::End;
  std::u16string text;
  int line = 1;
};

class Lexer {
public:
  Lexer(std::u16string_view text, const ScriptReplacements &replacements)
      : text(text), replacements(replacements) {}

  Token Next() {
    while (at < text.size() && IsSpace(text[at])) line += text[at++] == u'\n';
    Token token;
    token.line = line;
    if (at >= text.size()) return token;
    const char16_t c = text[at];
    if (c == 0) throw ScriptError{line, "a NUL character"};
    if (c == u'=') return ++at, token.kind = Token::Kind::Equals, token;
    if (c == u'\'') return Quoted(token);
    if ((c == u'{' || c == u'}') && !BracedName()) {
      ++at;
      token.kind = c == u'{' ? Token::Kind::Open : Token::Kind::Close;
      return token;
    }
    token.kind = Token::Kind::Word;
    while (at < text.size() && !IsSpace(text[at]) && text[at] != u'=' && text[at] != u'\'') {
      if (text[at] == 0) throw ScriptError{line, "a NUL character"};
      // Braces end a bare word, except the ones that enclose a name such as a GUID.
      if ((text[at] == u'{' || text[at] == u'}') && !token.text.empty() && token.text[0] != u'{')
        break;
      if (text[at] == u'%') {
        Replace(token.text);
        continue;
      }
      token.text += text[at++];
      if (token.text[0] == u'{' && token.text.back() == u'}' && token.text.size() > 1) break;
    }
    return token;
  }

private:
  // Whether the brace at `at` opens a bare name like {D5A89DF2-...}: more than a brace pair,
  // closed by the first brace it meets, before any space.
  bool BracedName() const {
    if (text[at] != u'{') return false;
    size_t end = at + 1;
    while (end < text.size() && !IsSpace(text[end]) && text[end] != u'=' && text[end] != u'\'' &&
           text[end] != u'{' && text[end] != u'}')
      ++end;
    return end < text.size() && text[end] == u'}' && end > at + 1;
  }

  Token &Quoted(Token &token) {
    token.kind = Token::Kind::Quoted;
    ++at;
    while (true) {
      if (at >= text.size()) throw ScriptError{token.line, "unterminated quoted string"};
      const char16_t c = text[at];
      if (c == 0) throw ScriptError{line, "a NUL character"};
      if (c == u'\'') {
        if (at + 1 < text.size() && text[at + 1] == u'\'') {
          token.text += u'\'', at += 2;
          continue;
        }
        ++at;
        return token;
      }
      if (c == u'%') {
        Replace(token.text);
        continue;
      }
      line += c == u'\n';
      token.text += c;
      ++at;
    }
  }

  // At a '%': appends the replacement of %NAME%, or one '%' for %%.
  void Replace(std::u16string &out) {
    const size_t close = text.find(u'%', at + 1);
    if (close == std::u16string_view::npos)
      throw ScriptError{line, "a '%' without its closing '%'"};
    const std::u16string_view name = text.substr(at + 1, close - at - 1);
    at = close + 1;
    if (name.empty()) {
      out += u'%';
      return;
    }
    for (const auto &[key, value] : replacements) {
      if (SameWord(key, name)) {
        out += value;
        return;
      }
    }
    throw ScriptError{line, "no replacement for %" + Narrow(name) + "%"};
  }

  std::u16string_view text;
  const ScriptReplacements &replacements;
  size_t at = 0;
  int line = 1;
};

class Parser {
public:
  Parser(std::u16string_view text, const ScriptReplacements &replacements)
      : lexer(text, replacements) {}

  RegistryScript Parse() {
    RegistryScript script;
    for (Token t = lexer.Next(); t.kind != Token::Kind::End; t = lexer.Next()) {
      ScriptRoot root;
      root.root = RootKey(t);
      Expect(Token::Kind::Open, "'{' after the root key");
      root.body = Body(0);
      script.roots.push_back(std::move(root));
    }
    return script;
  }

private:
  static HKEY RootKey(const Token &t) {
    struct Name {
      std::u16string_view longName, shortName;
      HKEY key;
    };
    static const Name names[] = {
        {u"HKEY_CLASSES_ROOT", u"HKCR", HKEY_CLASSES_ROOT},
        {u"HKEY_CURRENT_USER", u"HKCU", HKEY_CURRENT_USER},
        {u"HKEY_LOCAL_MACHINE", u"HKLM", HKEY_LOCAL_MACHINE},
        {u"HKEY_USERS", u"HKEY_USERS", HKEY_USERS},
        {u"HKEY_PERFORMANCE_DATA", u"HKPD", HKEY_PERFORMANCE_DATA},
        {u"HKEY_DYN_DATA", u"HKDD", HKEY_DYN_DATA},
        {u"HKEY_CURRENT_CONFIG", u"HKCC", HKEY_CURRENT_CONFIG},
    };
    if (t.kind == Token::Kind::Word) {
      for (const Name &n : names) {
        if (SameWord(t.text, n.longName) || SameWord(t.text, n.shortName)) return n.key;
      }
    }
    throw ScriptError{t.line, "expected a root key such as HKCR, not '" + Narrow(t.text) + "'"};
  }

  Token Expect(Token::Kind kind, const char *what) {
    Token t = lexer.Next();
    if (t.kind != kind) throw ScriptError{t.line, std::string("expected ") + what};
    return t;
  }

  // The clauses up to the closing brace.
  std::vector<ScriptClause> Body(size_t depth) {
    if (depth >= kMaxDepth) throw ScriptError{lastLine, "keys nested deeper than 512"};
    std::vector<ScriptClause> body;
    Token t = lexer.Next();
    while (true) {
      lastLine = t.line;
      if (t.kind == Token::Kind::Close) return body;
      if (t.kind == Token::Kind::End)
        throw ScriptError{t.line, "the script ends before its closing '}'"};
      if (t.kind == Token::Kind::Word && SameWord(t.text, u"val")) {
        ScriptNamedValue value;
        value.name = Name(lexer.Next(), NameOf::Value);
        Expect(Token::Kind::Equals, "'=' after the value name");
        value.value = Data(t.line);
        body.push_back({std::move(value)});
        t = lexer.Next();
        continue;
      }
      ScriptKey key;
      if (t.kind == Token::Kind::Word) {
        if (SameWord(t.text, u"NoRemove")) key.flag = KeyFlag::NoRemove;
        if (SameWord(t.text, u"ForceRemove")) key.flag = KeyFlag::ForceRemove;
        if (SameWord(t.text, u"Delete")) key.flag = KeyFlag::Delete;
        if (key.flag != KeyFlag::None) t = lexer.Next();
      }
      key.name = Name(t, NameOf::Key);
      t = lexer.Next();
      if (t.kind == Token::Kind::Equals) {
        key.defaultValue = Data(t.line);
        t = lexer.Next();
      }
      if (t.kind == Token::Kind::Open) {
        key.body = Body(depth + 1);
        t = lexer.Next();
      }
      body.push_back({std::move(key)});
    }
  }

  enum class NameOf { Key, Value };

  static std::u16string Name(const Token &t, NameOf what) {
    const bool isValue = what == NameOf::Value;
    const size_t maxLength = isValue ? kMaxValueName : kMaxKeyName;
    if (t.kind != Token::Kind::Word && t.kind != Token::Kind::Quoted)
      throw ScriptError{t.line, isValue ? "expected a value name" : "expected a key name"};
    if (!isValue && t.text.empty()) throw ScriptError{t.line, "an empty key name"};
    if (!isValue && t.text.find(u'\\') != std::u16string::npos)
      throw ScriptError{t.line, "a key name holds a backslash: '" + Narrow(t.text) + "'"};
    if (t.text.size() > maxLength) throw ScriptError{t.line, "a name too long for the registry"};
    for (char16_t c : t.text) {
      if (c < 0x20 || c == 0x7F) throw ScriptError{t.line, "a control character in a name"};
    }
    return t.text;
  }

  // After '=': a type letter and quoted data.
  ScriptValue Data(int line) {
    const Token type = lexer.Next();
    const Token data = lexer.Next();
    if (type.kind != Token::Kind::Word || type.text.size() != 1)
      throw ScriptError{type.line, "expected a value type: s, d, b or m"};
    if (data.kind != Token::Kind::Quoted)
      throw ScriptError{data.line, "value data must be in single quotes"};
    ScriptValue value;
    switch (Upper(type.text[0])) {
    case u'S':
      value.type = REG_SZ;
      Append(value.data, data.text);
      Append(value.data, std::u16string(1, u'\0'));
      break;
    case u'D':
      value.type = REG_DWORD;
      value.data = Number(data);
      break;
    case u'B':
      value.type = REG_BINARY;
      value.data = HexBytes(data);
      break;
    case u'M':
      value.type = REG_MULTI_SZ;
      value.data = MultiString(data.text);
      break;
    default:
      throw ScriptError{type.line,
                        "unknown value type '" + Narrow(type.text) + "': expected s, d, b or m"};
    }
    if (value.data.size() > kMaxValueSize) throw ScriptError{line, "a value larger than 1 MiB"};
    return value;
  }

  static void Append(std::vector<BYTE> &out, std::u16string_view text) {
    for (char16_t c : text)
      out.push_back(static_cast<BYTE>(c)), out.push_back(static_cast<BYTE>(c >> 8));
  }

  // Decimal, or hexadecimal after 0x; it must fit in 32 bits.
  static std::vector<BYTE> Number(const Token &t) {
    std::u16string_view digits = t.text;
    unsigned base = 10;
    if (digits.size() > 2 && digits[0] == u'0' && Upper(digits[1]) == u'X')
      base = 16, digits.remove_prefix(2);
    if (digits.empty()) throw ScriptError{t.line, "a number without digits"};
    uint64_t value = 0;
    for (char16_t c : digits) {
      const char16_t u = Upper(c);
      const unsigned digit = (u >= u'0' && u <= u'9')   ? u - u'0'
                             : (u >= u'A' && u <= u'F') ? u - u'A' + 10
                                                        : 99;
      if (digit >= base) throw ScriptError{t.line, "'" + Narrow(t.text) + "' is not a number"};
      value = value * base + digit;
      if (value > 0xFFFFFFFFu)
        throw ScriptError{t.line, "'" + Narrow(t.text) + "' does not fit in 32 bits"};
    }
    std::vector<BYTE> bytes;
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<BYTE>(value >> (8 * i)));
    return bytes;
  }

  static std::vector<BYTE> HexBytes(const Token &t) {
    if (t.text.size() % 2 != 0)
      throw ScriptError{t.line, "binary data needs an even number of hexadecimal digits"};
    std::vector<BYTE> bytes;
    for (size_t i = 0; i < t.text.size(); i += 2) {
      int pair = 0;
      for (size_t j = i; j < i + 2; ++j) {
        const char16_t u = Upper(t.text[j]);
        const int digit = (u >= u'0' && u <= u'9')   ? u - u'0'
                          : (u >= u'A' && u <= u'F') ? u - u'A' + 10
                                                     : -1;
        if (digit < 0)
          throw ScriptError{t.line,
                            "binary data holds a character that is not a hexadecimal digit"};
        pair = pair * 16 + digit;
      }
      bytes.push_back(static_cast<BYTE>(pair));
    }
    return bytes;
  }

  // Each \0 ends a string; what follows the last one is a string too. The list ends with an
  // empty string, as REG_MULTI_SZ does.
  static std::vector<BYTE> MultiString(std::u16string_view text) {
    std::vector<BYTE> bytes;
    while (!text.empty()) {
      const size_t end = text.find(u"\\0");
      Append(bytes, text.substr(0, end));
      Append(bytes, std::u16string(1, u'\0'));
      if (end == std::u16string_view::npos) break;
      text.remove_prefix(end + 2);
    }
    Append(bytes, std::u16string(1, u'\0'));
    return bytes;
  }

  Lexer lexer;
  int lastLine = 1;
};

} // namespace

HRESULT RegistryScript::Parse(std::u16string_view text, const ScriptReplacements &replacements,
                              RegistryScript *script, ScriptProblem *problem) {
  try {
    *script = Parser(text, replacements).Parse();
    return S_OK;
  } catch (const ScriptError &error) {
    script->roots.clear();
    *problem = {error.line, error.message};
    return DISP_E_EXCEPTION;
  } catch (const std::bad_alloc &) {
    script->roots.clear();
    return E_OUTOFMEMORY;
  }
}
