// The messages of one compile or assembly: errors and warnings as
// "file(line,col): error X3004: undeclared identifier 'x'", one a line. The first error ends
// the work: Error records it and throws CompileError, which the entry points catch.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace zrq::d3dx9 {

struct SourceLocation {
  uint32_t file = 0; // index into the diagnostics' file names
  uint32_t line = 1;
  uint32_t column = 1;
};

// Thrown by Diagnostics::Error once the message is recorded; carries no text of its own.
class CompileError : public std::exception {
public:
  const char *what() const noexcept override { return "shader compile error"; }
};

class Diagnostics {
public:
  // Registers a file name for locations; the first one registered is index 0.
  uint32_t AddFile(std::string name);
  const std::string &FileName(uint32_t file) const;

  [[noreturn]] void Error(const SourceLocation &where, int code, const std::string &message);
  // An error with no place in the source (a missing entry point, a bad profile).
  [[noreturn]] void Error(int code, const std::string &message);
  void Warning(const SourceLocation &where, int code, const std::string &message);

  bool HasErrors() const { return errors > 0; }
  // Every message, each ending in a line feed.
  std::string Text() const;

private:
  std::string Where(const SourceLocation &where) const;

  std::vector<std::string> files;
  std::vector<std::string> messages;
  int errors = 0;
};

} // namespace zrq::d3dx9
