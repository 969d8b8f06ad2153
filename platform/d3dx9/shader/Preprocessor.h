// The preprocessor: directives (#define with arguments, #undef, #if, #ifdef, #ifndef, #elif,
// #else, #endif, #include through the caller's handler, #error, #line, #pragma) and macro
// expansion, giving the tokens the parser or the assembler reads.
#pragma once

#include <d3dx9.h>

#include <string_view>
#include <vector>

#include "platform/d3dx9/shader/Diagnostics.h"
#include "platform/d3dx9/shader/Lexer.h"
#include "platform/d3dx9/shader/MacroExpander.h"
#include "platform/d3dx9/shader/MacroTable.h"

namespace zrq::d3dx9 {

class Preprocessor {
public:
  // `include` may be null: every #include then fails.
  Preprocessor(Diagnostics &diagnostics, LexerOptions options, ID3DXInclude *include)
      : diagnostics(diagnostics), options(options), include(include) {}
  ~Preprocessor();
  Preprocessor(const Preprocessor &) = delete;
  Preprocessor &operator=(const Preprocessor &) = delete;

  // A definition given by the caller (as D3DXMACRO): the value is lexed as a macro body.
  void Define(std::string_view name, std::string_view value);

  // The expanded tokens of `source`, whose locations name `file`.
  std::vector<Token> Run(std::string_view source, uint32_t file);

private:
  struct File {
    std::vector<Token> tokens;
    size_t position = 0;
    const void *data = nullptr; // the include handler's, closed when the file is done
    size_t conditionalsAtStart = 0;
    int64_t lineShift = 0; // set by #line
    uint32_t fileShown = 0;
  };
  struct Conditional {
    bool active; // this group's text is kept
    bool taken;  // some group of this #if has been kept
    bool seenElse;
    bool outerActive; // the text around the #if is kept
    SourceLocation where;
  };
  class FileSource;

  bool Active() const { return conditionals.empty() || conditionals.back().active; }
  bool NextFromFiles(Token &token);
  void Directive(File &file);
  void DefineDirective(const std::vector<Token> &line);
  void IncludeDirective(File &file, const Token &hash, const std::vector<Token> &line);
  void LineDirective(File &file, const Token &hash, const std::vector<Token> &line);
  bool Condition(const Token &hash, const std::vector<Token> &line);
  void CloseFile(File &file);

  Diagnostics &diagnostics;
  LexerOptions options;
  ID3DXInclude *include;
  MacroTable macros;
  ExpansionBudget budget;
  std::vector<File> files;
  std::vector<Conditional> conditionals;
};

} // namespace zrq::d3dx9
