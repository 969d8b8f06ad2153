#include "platform/d3dx9/shader/Preprocessor.h"

#include "platform/d3dx9/shader/ErrorCodes.h"
#include "platform/d3dx9/shader/PreprocessorExpression.h"

namespace zrq::d3dx9 {
namespace {

constexpr size_t kMaxIncludeDepth = 32;

std::string Joined(const std::vector<Token> &tokens, size_t from) {
  std::string text;
  for (size_t i = from; i < tokens.size(); ++i) {
    if (i > from && tokens[i].spaceBefore) text += ' ';
    text += tokens[i].text;
  }
  return text;
}

} // namespace

class Preprocessor::FileSource final : public TokenSource {
public:
  explicit FileSource(Preprocessor &preprocessor) : preprocessor(preprocessor) {}
  bool Next(Token &token) override { return preprocessor.NextFromFiles(token); }

private:
  Preprocessor &preprocessor;
};

Preprocessor::~Preprocessor() {
  for (File &f : files) CloseFile(f);
}

void Preprocessor::CloseFile(File &file) {
  if (file.data && include) include->Close(file.data);
  file.data = nullptr;
}

void Preprocessor::Define(std::string_view name, std::string_view value) {
  std::vector<Token> nameTokens = Lexer(diagnostics, options).Tokenize(name, 0);
  if (nameTokens.size() != 1 || nameTokens[0].kind != TokenKind::Identifier)
    diagnostics.Error(error::kPreprocessorSyntax,
                      "'" + std::string(name) + "' is not a macro name");
  MacroDefinition macro;
  macro.body = Lexer(diagnostics, options).Tokenize(value, 0);
  for (Token &t : macro.body) t.atLineStart = false;
  if (!macro.body.empty()) macro.body.front().spaceBefore = false;
  macros.Define(nameTokens[0].text, std::move(macro));
}

std::vector<Token> Preprocessor::Run(std::string_view source, uint32_t file) {
  File root;
  root.fileShown = file;
  files.push_back(std::move(root));
  files.back().tokens = Lexer(diagnostics, options).Tokenize(source, file);
  FileSource input(*this);
  MacroExpander expander(macros, diagnostics, budget);
  std::vector<Token> out;
  Token t;
  while (expander.Next(input, t)) out.push_back(std::move(t));
  return out;
}

bool Preprocessor::NextFromFiles(Token &token) {
  while (!files.empty()) {
    File &f = files.back();
    if (f.position >= f.tokens.size()) {
      if (conditionals.size() > f.conditionalsAtStart)
        diagnostics.Error(conditionals.back().where, error::kUnterminatedConditional,
                          "#if without #endif");
      CloseFile(f);
      files.pop_back();
      continue;
    }
    const Token &t = f.tokens[f.position];
    if (t.kind == TokenKind::Punctuator && t.text == "#" && t.atLineStart) {
      Directive(f);
      continue;
    }
    ++f.position;
    if (!Active()) continue;
    token = t;
    token.location.line =
        static_cast<uint32_t>(static_cast<int64_t>(token.location.line) + f.lineShift);
    token.location.file = f.fileShown;
    return true;
  }
  return false;
}

// `file` is the innermost file; an #include adds a file after it, so nothing here touches
// `file` once another may have been added.
void Preprocessor::Directive(File &file) {
  const Token hash = file.tokens[file.position++];
  std::vector<Token> line;
  while (file.position < file.tokens.size() && !file.tokens[file.position].atLineStart)
    line.push_back(file.tokens[file.position++]);
  if (line.empty()) return; // the null directive
  const std::string name = line[0].kind == TokenKind::Identifier ? line[0].text : std::string();
  const auto ownConditional = [&]() -> Conditional & {
    if (conditionals.size() <= file.conditionalsAtStart)
      diagnostics.Error(hash.location, error::kUnmatchedConditional, "#" + name + " without #if");
    return conditionals.back();
  };

  if (name == "if" || name == "ifdef" || name == "ifndef") {
    if (!Active()) {
      conditionals.push_back({false, true, false, false, hash.location});
      return;
    }
    bool value;
    if (name == "if") {
      value = Condition(hash, std::vector<Token>(line.begin() + 1, line.end()));
    } else {
      if (line.size() != 2 || line[1].kind != TokenKind::Identifier)
        diagnostics.Error(line[0].location, error::kPreprocessorSyntax,
                          "#" + name + " takes one macro name");
      value = (macros.Find(line[1].text) != nullptr) == (name == "ifdef");
    }
    conditionals.push_back({value, value, false, true, hash.location});
    return;
  }
  if (name == "elif") {
    Conditional &c = ownConditional();
    if (c.seenElse)
      diagnostics.Error(hash.location, error::kUnmatchedConditional, "#elif after #else");
    if (!c.outerActive || c.taken) {
      c.active = false;
    } else {
      c.active = c.taken = Condition(hash, std::vector<Token>(line.begin() + 1, line.end()));
    }
    return;
  }
  if (name == "else") {
    Conditional &c = ownConditional();
    if (c.seenElse)
      diagnostics.Error(hash.location, error::kUnmatchedConditional, "#else after #else");
    c.seenElse = true;
    c.active = c.outerActive && !c.taken;
    c.taken = true;
    return;
  }
  if (name == "endif") {
    ownConditional();
    conditionals.pop_back();
    return;
  }
  if (!Active()) return;

  if (name == "define") {
    DefineDirective(line);
  } else if (name == "undef") {
    if (line.size() != 2 || line[1].kind != TokenKind::Identifier)
      diagnostics.Error(line[0].location, error::kPreprocessorSyntax,
                        "#undef takes one macro name");
    macros.Undefine(line[1].text);
  } else if (name == "include") {
    IncludeDirective(file, hash, line);
  } else if (name == "line") {
    LineDirective(file, hash, line);
  } else if (name == "error") {
    diagnostics.Error(hash.location, error::kErrorDirective, "#error: " + Joined(line, 1));
  } else if (name != "pragma") {
    diagnostics.Error(line[0].location, error::kUnknownDirective,
                      "invalid preprocessor directive '" + line[0].text + "'");
  }
}

void Preprocessor::DefineDirective(const std::vector<Token> &line) {
  if (line.size() < 2 || line[1].kind != TokenKind::Identifier || line[1].text == "defined")
    diagnostics.Error(line[0].location, error::kPreprocessorSyntax, "#define needs a macro name");
  MacroDefinition macro;
  size_t i = 2;
  if (i < line.size() && line[i].Is("(") && !line[i].spaceBefore) {
    macro.functionLike = true;
    ++i;
    bool closed = false;
    while (i < line.size()) {
      if (line[i].Is(")") && macro.parameters.empty()) {
        closed = true;
        ++i;
        break;
      }
      if (line[i].kind != TokenKind::Identifier)
        diagnostics.Error(line[i].location, error::kPreprocessorSyntax,
                          "macro parameter name expected");
      for (const std::string &p : macro.parameters)
        if (p == line[i].text)
          diagnostics.Error(line[i].location, error::kPreprocessorSyntax,
                            "duplicate macro parameter '" + p + "'");
      macro.parameters.push_back(line[i++].text);
      if (i < line.size() && line[i].Is(",")) {
        ++i;
        continue;
      }
      if (i < line.size() && line[i].Is(")")) {
        closed = true;
        ++i;
        break;
      }
      break;
    }
    if (!closed)
      diagnostics.Error(line[1].location, error::kPreprocessorSyntax,
                        "unterminated macro parameter list");
  }
  macro.body.assign(line.begin() + static_cast<std::ptrdiff_t>(i), line.end());
  if (!macro.body.empty()) {
    macro.body.front().spaceBefore = false;
    if (macro.body.front().Is("##") || macro.body.back().Is("##"))
      diagnostics.Error(line[1].location, error::kPreprocessorSyntax,
                        "'##' cannot start or end a macro");
  }
  if (macro.functionLike)
    for (size_t k = 0; k < macro.body.size(); ++k)
      if (macro.body[k].Is("#")) {
        bool parameter = false;
        if (k + 1 < macro.body.size())
          for (const std::string &p : macro.parameters) parameter |= macro.body[k + 1].text == p;
        if (!parameter)
          diagnostics.Error(macro.body[k].location, error::kPreprocessorSyntax,
                            "'#' must precede a macro parameter");
      }
  macros.Define(line[1].text, std::move(macro));
}

void Preprocessor::IncludeDirective(File &file, const Token &hash, const std::vector<Token> &line) {
  std::string name;
  D3DXINCLUDE_TYPE type = D3DXINC_LOCAL;
  if (line.size() == 2 && line[1].kind == TokenKind::String) {
    name = line[1].text.substr(1, line[1].text.size() - 2);
  } else if (line.size() >= 3 && line[1].Is("<") && line.back().Is(">")) {
    type = D3DXINC_SYSTEM;
    for (size_t i = 2; i + 1 < line.size(); ++i) {
      if (i > 2 && line[i].spaceBefore) name += ' ';
      name += line[i].text;
    }
  } else {
    diagnostics.Error(hash.location, error::kPreprocessorSyntax,
                      "#include expects \"file\" or <file>");
  }
  if (files.size() >= kMaxIncludeDepth)
    diagnostics.Error(hash.location, error::kIncludeTooDeep, "#include nests too deeply");
  LPCVOID data = nullptr;
  UINT bytes = 0;
  if (!include || FAILED(include->Open(type, name.c_str(), file.data, &data, &bytes)) ||
      (!data && bytes))
    diagnostics.Error(hash.location, error::kIncludeNotOpened,
                      "failed to open source file: '" + name + "'");
  const uint32_t id = diagnostics.AddFile(name);
  File added;
  added.data = data;
  added.conditionalsAtStart = conditionals.size();
  added.fileShown = id;
  files.push_back(std::move(added)); // `file` may move now; the handler's data is ours to close
  const std::string_view text(static_cast<const char *>(data), data ? bytes : 0);
  files.back().tokens = Lexer(diagnostics, options).Tokenize(text, id);
}

void Preprocessor::LineDirective(File &file, const Token &hash, const std::vector<Token> &line) {
  if (line.size() < 2 || line.size() > 3 || line[1].kind != TokenKind::Number ||
      (line.size() == 3 && line[2].kind != TokenKind::String))
    diagnostics.Error(hash.location, error::kPreprocessorSyntax,
                      "#line expects a line number and an optional file name");
  const int64_t number = PreprocessorExpression({line[1]}, hash.location, diagnostics).Evaluate();
  if (number < 1 || number > 0x7FFFFFFF)
    diagnostics.Error(line[1].location, error::kPreprocessorSyntax, "#line number out of range");
  // The line after the directive gets the number given.
  file.lineShift = number - (static_cast<int64_t>(line.back().location.line) + 1);
  if (line.size() == 3)
    file.fileShown = diagnostics.AddFile(line[2].text.substr(1, line[2].text.size() - 2));
}

bool Preprocessor::Condition(const Token &hash, const std::vector<Token> &line) {
  std::vector<Token> replaced;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i].kind != TokenKind::Identifier || line[i].text != "defined") {
      replaced.push_back(line[i]);
      continue;
    }
    const bool parenthesised = i + 1 < line.size() && line[i + 1].Is("(");
    const size_t at = i + (parenthesised ? 2 : 1);
    if (at >= line.size() || line[at].kind != TokenKind::Identifier ||
        (parenthesised && (at + 1 >= line.size() || !line[at + 1].Is(")"))))
      diagnostics.Error(line[i].location, error::kPreprocessorSyntax,
                        "'defined' needs a macro name");
    Token value = line[i];
    value.kind = TokenKind::Number;
    value.text = macros.Find(line[at].text) ? "1" : "0";
    replaced.push_back(std::move(value));
    i = at + (parenthesised ? 1 : 0);
  }
  const std::vector<Token> expanded =
      MacroExpander(macros, diagnostics, budget).ExpandAll(std::move(replaced));
  return PreprocessorExpression(expanded, hash.location, diagnostics).Evaluate() != 0;
}

} // namespace zrq::d3dx9
