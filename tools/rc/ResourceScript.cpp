#include "tools/rc/ResourceScript.h"

#include "tools/rc/DialogParser.h"
#include "tools/rc/ScriptLexer.h"

#include <cctype>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

namespace zrq::rc {
namespace {

constexpr uint16_t kDialogType = 5; // RT_DIALOG

std::u16string Upper16(const std::string &word) {
  std::u16string out;
  for (char c : word) out += static_cast<char16_t>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

class Parser {
public:
  Parser(Lexer &lexer, std::filesystem::path directory)
      : lexer(lexer), directory(std::move(directory)) {}

  ResourceScript Parse() {
    for (Token t = lexer.Next(); t.kind != TokenKind::EndOfFile; t = lexer.Next()) {
      if (t.kind == TokenKind::Word && t.text == "#define") {
        Define(t.line);
      } else if (t.kind == TokenKind::Word && t.text == "#include") {
        // Scripts include the SDK headers for other compilers' sake; the names they would
        // bring are known here already.
        lexer.RestOfLine();
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
      if (used != value.size() || v > 0xFFFFFFFFu)
        throw ScriptError{line, "#define value is not a number"};
      symbols[name] = static_cast<uint32_t>(v);
    } catch (const std::logic_error &) {
      throw ScriptError{line, "#define value is not a number"};
    }
  }

  uint32_t Number(const Token &t, const char *what) {
    if (t.kind == TokenKind::Number) return t.number;
    if (t.kind == TokenKind::Word) {
      static const std::map<std::string, uint32_t> known = {{"LANG_NEUTRAL", 0},
                                                            {"LANG_ENGLISH", 9},
                                                            {"SUBLANG_NEUTRAL", 0},
                                                            {"SUBLANG_DEFAULT", 1},
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
    if (lexer.Next().kind != TokenKind::Comma)
      throw ScriptError{primary.line, "LANGUAGE needs two numbers"};
    const uint32_t s = Number(lexer.Next(), "a sublanguage");
    if (p > 0x3FF || s > 0x3F) throw ScriptError{primary.line, "language out of range"};
    return static_cast<uint16_t>(s << 10 | p);
  }

  void StringTable() {
    uint16_t tableLanguage = language;
    Token t = lexer.Next();
    while (t.kind == TokenKind::Word && t.text == "LANGUAGE")
      tableLanguage = ReadLanguage(), t = lexer.Next();
    if (t.kind != TokenKind::Begin) throw ScriptError{t.line, "STRINGTABLE needs BEGIN"};
    for (t = lexer.Next(); t.kind != TokenKind::End; t = lexer.Next()) {
      if (t.kind == TokenKind::EndOfFile) throw ScriptError{t.line, "STRINGTABLE without END"};
      const uint16_t id = Id(t);
      Token text = lexer.Next();
      if (text.kind == TokenKind::Comma) text = lexer.Next();
      if (text.kind != TokenKind::String)
        throw ScriptError{text.line, "expected the string of " + std::to_string(id)};
      if (text.string.empty())
        throw ScriptError{text.line, "string " + std::to_string(id) + " is empty"};
      if (text.string.size() > 0xFFFF)
        throw ScriptError{text.line, "string " + std::to_string(id) + " is too long"};
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
    // The last four are written inline in other compilers' scripts; here only from a file.
    static const std::map<std::string, uint16_t> predefined = {
        {"RCDATA", 10}, {"HTML", 23},        {"MANIFEST", 24},   {"MENU", 4},
        {"MENUEX", 4},  {"ACCELERATORS", 9}, {"VERSIONINFO", 16}};
    static const std::set<std::string> inlineForms = {"MENU", "MENUEX", "ACCELERATORS",
                                                      "VERSIONINFO"};
    if (type.kind == TokenKind::Word && type.text == "DIALOGEX") {
      resource.type.id = kDialogType;
      const SymbolLookup lookup = [this](const std::string &name) -> std::optional<uint32_t> {
        if (auto s = symbols.find(name); s != symbols.end()) return s->second;
        return std::nullopt;
      };
      resource.bytes = WriteDialogTemplate(ReadDialogEx(lexer, lookup));
      return Add(std::move(resource), nameToken.line);
    }
    if (type.kind == TokenKind::Number) {
      resource.type.id = Id(type);
    } else if (type.kind == TokenKind::String) {
      if (type.string.empty()) throw ScriptError{type.line, "empty type name"};
      for (char16_t c : type.string)
        resource.type.name += (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
    } else if (type.kind == TokenKind::Word) {
      if (type.text == "DIALOG")
        throw ScriptError{type.line, "DIALOG templates are not supported; write DIALOGEX"};
      if (auto p = predefined.find(type.text); p != predefined.end())
        resource.type.id = p->second;
      else
        resource.type.name = Upper16(type.text);
    } else {
      throw ScriptError{type.line, "expected a resource type"};
    }

    const Token file = lexer.Next();
    if (file.kind != TokenKind::String)
      throw ScriptError{file.line, type.kind == TokenKind::Word && inlineForms.contains(type.text)
                                       ? type.text + " must be given as a file"
                                       : "expected the resource's file name"};
    std::string path;
    for (char16_t c : file.string) {
      if (c >= 0x80) throw ScriptError{file.line, "file names must be ASCII"};
      path += static_cast<char>(c);
    }
    resource.source = directory / path;
    // A folder opens like a file here and fails only as it is read, by throwing; neither may
    // end the compiler without its line.
    std::error_code notAFile;
    std::ifstream in;
    if (std::filesystem::is_regular_file(resource.source, notAFile))
      in.open(resource.source, std::ios::binary);
    if (!in.is_open()) throw ScriptError{file.line, "cannot read " + resource.source.string()};
    try {
      resource.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::ios_base::failure &) {
      throw ScriptError{file.line, "cannot read " + resource.source.string()};
    }
    if (resource.bytes.size() > 0xFFFFFFFFu)
      throw ScriptError{file.line, resource.source.string() + " is too large"};
    Add(std::move(resource), nameToken.line);
  }

  void Add(BinaryResource resource, int line) {
    for (const BinaryResource &other : script.resources) {
      if (other.type.id == resource.type.id && other.type.name == resource.type.name &&
          other.name.id == resource.name.id && other.name.name == resource.name.name)
        throw ScriptError{line, "resource defined twice"};
    }
    script.resources.push_back(std::move(resource));
  }

  Lexer &lexer;
  std::filesystem::path directory;
  ResourceScript script;
  std::map<std::string, uint32_t> symbols;
  uint16_t language = 1033;
};

} // namespace

std::optional<ResourceScript> ReadResourceScript(const std::filesystem::path &file,
                                                 std::string *error) {
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

} // namespace zrq::rc
