#include "tools/rc/ResourceScript.h"

#include <cctype>
#include <fstream>
#include <iterator>
#include <sstream>

namespace zrq::rc {
namespace {

enum class TokenKind { Word, Number, String, Comma, Begin, End, EndOfFile };

struct Token {
  TokenKind kind = TokenKind::EndOfFile;
  std::string text;       // a word as written
  uint32_t number = 0;
  std::u16string string;  // a string literal, decoded
  int line = 0;
};

struct ScriptError {
  int line;
  std::string message;
};

void AppendUtf16(std::u16string &out, char32_t c) {
  if (c >= 0x10000) {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  } else {
    out += static_cast<char16_t>(c);
  }
}

class Lexer {
 public:
  explicit Lexer(std::string text) : text(std::move(text)) {
    if (this->text.starts_with("\xEF\xBB\xBF")) at = 3;
  }

  // Directives are handed to the caller as words starting with '#', with the rest of the
  // line as the following words.
  Token Next() {
    SkipSpaceAndComments();
    Token token;
    token.line = line;
    if (at >= text.size()) return token;
    const char c = text[at];
    if (c == ',') return ++at, token.kind = TokenKind::Comma, token;
    if (c == '{') return ++at, token.kind = TokenKind::Begin, token;
    if (c == '}') return ++at, token.kind = TokenKind::End, token;
    if (c == '"') return ReadString(token);
    if (std::isdigit(static_cast<unsigned char>(c))) return ReadNumber(token);
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '#') {
      const size_t start = at++;
      while (at < text.size() && (std::isalnum(static_cast<unsigned char>(text[at])) || text[at] == '_')) ++at;
      token.kind = TokenKind::Word;
      token.text = text.substr(start, at - start);
      if (token.text == "BEGIN") token.kind = TokenKind::Begin;
      if (token.text == "END") token.kind = TokenKind::End;
      return token;
    }
    throw ScriptError{line, std::string("unexpected character '") + c + "'"};
  }

 private:
  void SkipSpaceAndComments() {
    while (at < text.size()) {
      if (text[at] == '\n') {
        ++line, ++at;
      } else if (std::isspace(static_cast<unsigned char>(text[at]))) {
        ++at;
      } else if (text.compare(at, 2, "//") == 0) {
        while (at < text.size() && text[at] != '\n') ++at;
      } else if (text.compare(at, 2, "/*") == 0) {
        const size_t close = text.find("*/", at + 2);
        if (close == std::string::npos) throw ScriptError{line, "unterminated comment"};
        for (; at < close + 2; ++at) line += text[at] == '\n';
      } else {
        return;
      }
    }
  }

  Token &ReadNumber(Token &token) {
    const size_t start = at;
    int base = 10;
    if (text.compare(at, 2, "0x") == 0 || text.compare(at, 2, "0X") == 0) base = 16, at += 2;
    uint64_t value = 0;
    size_t digits = 0;
    while (at < text.size() && std::isxdigit(static_cast<unsigned char>(text[at]))) {
      const char d = static_cast<char>(std::tolower(static_cast<unsigned char>(text[at])));
      const int v = std::isdigit(static_cast<unsigned char>(d)) ? d - '0' : d - 'a' + 10;
      if (v >= base) break;
      value = value * base + v;
      if (value > 0xFFFFFFFFu) throw ScriptError{line, "number too large"};
      ++at, ++digits;
    }
    if (at < text.size() && (text[at] == 'L' || text[at] == 'l')) ++at;
    if (digits == 0 || (at < text.size() && std::isalnum(static_cast<unsigned char>(text[at]))))
      throw ScriptError{line, "malformed number '" + text.substr(start, at + 1 - start) + "'"};
    token.kind = TokenKind::Number;
    token.number = static_cast<uint32_t>(value);
    return token;
  }

  char32_t ReadUtf8() {
    const auto lead = static_cast<unsigned char>(text[at++]);
    if (lead < 0x80) return lead;
    int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    if (extra < 0 || lead > 0xF4) throw ScriptError{line, "text is not UTF-8"};
    char32_t c = lead & (0x3F >> extra);
    for (int i = 0; i < extra; ++i) {
      if (at >= text.size() || (static_cast<unsigned char>(text[at]) & 0xC0) != 0x80)
        throw ScriptError{line, "text is not UTF-8"};
      c = (c << 6) | (static_cast<unsigned char>(text[at++]) & 0x3F);
    }
    static constexpr char32_t minimum[] = {0, 0x80, 0x800, 0x10000};
    if (c < minimum[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
      throw ScriptError{line, "text is not UTF-8"};
    return c;
  }

  Token &ReadString(Token &token) {
    ++at;
    token.kind = TokenKind::String;
    for (;;) {
      if (at >= text.size() || text[at] == '\n') throw ScriptError{line, "unterminated string"};
      const char c = text[at];
      if (c == '"') {
        if (text.compare(at, 2, "\"\"") == 0) {
          token.string += u'"', at += 2;
          continue;
        }
        ++at;
        return token;
      }
      if (c != '\\') {
        AppendUtf16(token.string, ReadUtf8());
        continue;
      }
      if (++at >= text.size()) throw ScriptError{line, "unterminated string"};
      const char e = text[at++];
      switch (e) {
        case 'n': token.string += u'\n'; break;
        case 'r': token.string += u'\r'; break;
        case 't': token.string += u'\t'; break;
        case 'a': token.string += u'\a'; break;
        case '0': token.string += u'\0'; break;
        case '\\': token.string += u'\\'; break;
        case '"': token.string += u'"'; break;
        case 'x': {
          char16_t v = 0;
          int digits = 0;
          while (digits < 4 && at < text.size() && std::isxdigit(static_cast<unsigned char>(text[at]))) {
            const char d = static_cast<char>(std::tolower(static_cast<unsigned char>(text[at++])));
            v = static_cast<char16_t>(v * 16 + (std::isdigit(static_cast<unsigned char>(d)) ? d - '0' : d - 'a' + 10));
            ++digits;
          }
          if (digits == 0) throw ScriptError{line, "\\x without hexadecimal digits"};
          token.string += v;
          break;
        }
        default:
          throw ScriptError{line, std::string("unknown escape \\") + e};
      }
    }
  }

  std::string text;
  size_t at = 0;
  int line = 1;

 public:
  int Line() const { return line; }
  // The rest of the current line, for directives.
  std::string RestOfLine() {
    const size_t end = text.find('\n', at);
    std::string rest = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
    at = end == std::string::npos ? text.size() : end;
    return rest;
  }
};

std::u16string Upper16(const std::string &word) {
  std::u16string out;
  for (char c : word) out += static_cast<char16_t>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

class Parser {
 public:
  Parser(Lexer &lexer, std::filesystem::path directory) : lexer(lexer), directory(std::move(directory)) {}

  ResourceScript Parse() {
    for (Token t = lexer.Next(); t.kind != TokenKind::EndOfFile; t = lexer.Next()) {
      if (t.kind == TokenKind::Word && t.text == "#define") {
        Define(t.line);
      } else if (t.kind == TokenKind::Word && t.text.starts_with('#')) {
        throw ScriptError{t.line, "unsupported directive " + t.text};
      } else if (t.kind == TokenKind::Word && t.text == "LANGUAGE") {
        language = ReadLanguage();
      } else if (t.kind == TokenKind::Word && t.text == "STRINGTABLE") {
        StringTable();
      } else if (t.kind == TokenKind::Word || t.kind == TokenKind::Number) {
        Resource(t);
      } else {
        throw ScriptError{t.line, "expected a statement"};
      }
    }
    return std::move(script);
  }

 private:
  void Define(int line) {
    std::istringstream rest(lexer.RestOfLine());
    std::string name, value;
    if (!(rest >> name >> value)) throw ScriptError{line, "#define needs a name and a number"};
    try {
      size_t used = 0;
      const unsigned long v = std::stoul(value, &used, 0);
      if (used != value.size() || v > 0xFFFFFFFFu) throw ScriptError{line, "#define value is not a number"};
      symbols[name] = static_cast<uint32_t>(v);
    } catch (const std::logic_error &) {
      throw ScriptError{line, "#define value is not a number"};
    }
  }

  uint32_t Number(const Token &t, const char *what) {
    if (t.kind == TokenKind::Number) return t.number;
    if (t.kind == TokenKind::Word) {
      static const std::map<std::string, uint32_t> known = {
          {"LANG_NEUTRAL", 0}, {"LANG_ENGLISH", 9}, {"SUBLANG_NEUTRAL", 0}, {"SUBLANG_DEFAULT", 1},
          {"SUBLANG_ENGLISH_US", 1}};
      if (auto s = symbols.find(t.text); s != symbols.end()) return s->second;
      if (auto k = known.find(t.text); k != known.end()) return k->second;
    }
    throw ScriptError{t.line, std::string("expected ") + what};
  }

  uint16_t Id(const Token &t) {
    const uint32_t v = Number(t, "an id");
    if (v > 0xFFFF) throw ScriptError{t.line, "id " + std::to_string(v) + " is above 65535"};
    return static_cast<uint16_t>(v);
  }

  uint16_t ReadLanguage() {
    const Token primary = lexer.Next();
    const uint32_t p = Number(primary, "a language");
    if (lexer.Next().kind != TokenKind::Comma) throw ScriptError{primary.line, "LANGUAGE needs two numbers"};
    const uint32_t s = Number(lexer.Next(), "a sublanguage");
    if (p > 0x3FF || s > 0x3F) throw ScriptError{primary.line, "language out of range"};
    return static_cast<uint16_t>(s << 10 | p);
  }

  void StringTable() {
    uint16_t tableLanguage = language;
    Token t = lexer.Next();
    while (t.kind == TokenKind::Word && t.text == "LANGUAGE") tableLanguage = ReadLanguage(), t = lexer.Next();
    if (t.kind != TokenKind::Begin) throw ScriptError{t.line, "STRINGTABLE needs BEGIN"};
    for (t = lexer.Next(); t.kind != TokenKind::End; t = lexer.Next()) {
      if (t.kind == TokenKind::EndOfFile) throw ScriptError{t.line, "STRINGTABLE without END"};
      const uint16_t id = Id(t);
      Token text = lexer.Next();
      if (text.kind == TokenKind::Comma) text = lexer.Next();
      if (text.kind != TokenKind::String) throw ScriptError{text.line, "expected the string of " + std::to_string(id)};
      if (text.string.empty()) throw ScriptError{text.line, "string " + std::to_string(id) + " is empty"};
      if (text.string.size() > 0xFFFF) throw ScriptError{text.line, "string " + std::to_string(id) + " is too long"};
      if (!script.strings.emplace(id, std::make_pair(tableLanguage, text.string)).second)
        throw ScriptError{t.line, "string " + std::to_string(id) + " is defined twice"};
    }
  }

  void Resource(const Token &nameToken) {
    BinaryResource resource;
    resource.language = language;
    if (nameToken.kind == TokenKind::Word && !symbols.contains(nameToken.text))
      resource.name.name = Upper16(nameToken.text);
    else
      resource.name.id = Id(nameToken);

    const Token type = lexer.Next();
    static const std::map<std::string, uint16_t> predefined = {{"RCDATA", 10}, {"HTML", 23}, {"MANIFEST", 24}};
    static const char *const inlineForms[] = {"DIALOG", "DIALOGEX", "MENU", "MENUEX", "ACCELERATORS", "VERSIONINFO"};
    if (type.kind == TokenKind::Number) {
      resource.type.id = Id(type);
    } else if (type.kind == TokenKind::String) {
      if (type.string.empty()) throw ScriptError{type.line, "empty type name"};
      for (char16_t c : type.string) resource.type.name += (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
    } else if (type.kind == TokenKind::Word) {
      for (const char *form : inlineForms)
        if (type.text == form) throw ScriptError{type.line, type.text + " must be given as a file"};
      if (auto p = predefined.find(type.text); p != predefined.end())
        resource.type.id = p->second;
      else
        resource.type.name = Upper16(type.text);
    } else {
      throw ScriptError{type.line, "expected a resource type"};
    }

    const Token file = lexer.Next();
    if (file.kind != TokenKind::String) throw ScriptError{file.line, "expected the resource's file name"};
    std::string path;
    for (char16_t c : file.string) {
      if (c >= 0x80) throw ScriptError{file.line, "file names must be ASCII"};
      path += static_cast<char>(c);
    }
    resource.source = directory / path;
    std::ifstream in(resource.source, std::ios::binary);
    if (!in) throw ScriptError{file.line, "cannot read " + resource.source.string()};
    resource.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (resource.bytes.size() > 0xFFFFFFFFu) throw ScriptError{file.line, resource.source.string() + " is too large"};
    for (const BinaryResource &other : script.resources) {
      if (other.type.id == resource.type.id && other.type.name == resource.type.name &&
          other.name.id == resource.name.id && other.name.name == resource.name.name)
        throw ScriptError{nameToken.line, "resource defined twice"};
    }
    script.resources.push_back(std::move(resource));
  }

  Lexer &lexer;
  std::filesystem::path directory;
  ResourceScript script;
  std::map<std::string, uint32_t> symbols;
  uint16_t language = 1033;
};

}  // namespace

std::optional<ResourceScript> ReadResourceScript(const std::filesystem::path &file, std::string *error) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    *error = file.string() + ": cannot open";
    return std::nullopt;
  }
  Lexer lexer{std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())};
  try {
    Parser parser(lexer, file.parent_path());
    return parser.Parse();
  } catch (const ScriptError &e) {
    *error = file.string() + ":" + std::to_string(e.line) + ": " + e.message;
    return std::nullopt;
  }
}

}  // namespace zrq::rc
