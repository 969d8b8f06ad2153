#include "platform/d3dx9/shader/Diagnostics.h"

#include <cstdio>

namespace zrq::d3dx9 {
namespace {

std::string Code(const char *kind, int code) {
  char text[32];
  std::snprintf(text, sizeof text, "%s X%04d: ", kind, code);
  return text;
}

} // namespace

uint32_t Diagnostics::AddFile(std::string name) {
  files.push_back(std::move(name));
  return static_cast<uint32_t>(files.size() - 1);
}

const std::string &Diagnostics::FileName(uint32_t file) const {
  static const std::string kNone;
  return file < files.size() ? files[file] : kNone;
}

std::string Diagnostics::Where(const SourceLocation &where) const {
  return FileName(where.file) + "(" + std::to_string(where.line) + "," +
         std::to_string(where.column) + "): ";
}

void Diagnostics::Error(const SourceLocation &where, int code, const std::string &message) {
  messages.push_back(Where(where) + Code("error", code) + message);
  ++errors;
  throw CompileError();
}

void Diagnostics::Error(int code, const std::string &message) {
  messages.push_back(Code("error", code) + message);
  ++errors;
  throw CompileError();
}

void Diagnostics::Warning(const SourceLocation &where, int code, const std::string &message) {
  messages.push_back(Where(where) + Code("warning", code) + message);
}

std::string Diagnostics::Text() const {
  std::string text;
  for (const std::string &m : messages) text += m + "\n";
  return text;
}

} // namespace zrq::d3dx9
