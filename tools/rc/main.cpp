// zrq-rc SCRIPT OUTPUT [--depfile FILE]: compiles a resource script into C++ source.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "tools/rc/ResourceScript.h"
#include "tools/rc/ResourceSourceWriter.h"

namespace {

std::string DepfilePath(const std::filesystem::path &p) {
  std::string out;
  for (char c : p.string()) {
    if (c == ' ' || c == '#') out += '\\';
    if (c == '$') out += '$';
    out += c;
  }
  return out;
}

// Writes only when the content changed, so an unchanged script rebuilds nothing.
bool WriteIfChanged(const std::filesystem::path &path, const std::string &content) {
  std::ifstream old(path, std::ios::binary);
  std::ostringstream existing;
  if (old) existing << old.rdbuf();
  if (old && existing.str() == content) return true;
  old.close();
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  return static_cast<bool>(out.flush());
}

} // namespace

int main(int argc, char **argv) {
  if (!(argc == 3 || (argc == 5 && std::string(argv[3]) == "--depfile"))) {
    std::fprintf(stderr, "usage: zrq-rc SCRIPT OUTPUT.cpp [--depfile FILE]\n");
    return 2;
  }
  std::string error;
  const auto script = zrq::rc::ReadResourceScript(argv[1], &error);
  if (!script) {
    std::fprintf(stderr, "zrq-rc: %s\n", error.c_str());
    return 1;
  }
  std::ostringstream source;
  zrq::rc::WriteResourceSource(*script, source);
  if (!WriteIfChanged(argv[2], source.str())) {
    std::fprintf(stderr, "zrq-rc: cannot write %s\n", argv[2]);
    return 1;
  }
  if (argc == 5) {
    std::ostringstream deps;
    // The script itself is always listed: an empty list reads as a missing depfile and
    // would make every build run the compiler again.
    deps << DepfilePath(argv[2]) << ": " << DepfilePath(std::filesystem::absolute(argv[1]));
    for (const auto &r : script->resources)
      if (!r.source.empty()) deps << " " << DepfilePath(std::filesystem::absolute(r.source));
    deps << "\n";
    if (!WriteIfChanged(argv[4], deps.str())) {
      std::fprintf(stderr, "zrq-rc: cannot write %s\n", argv[4]);
      return 1;
    }
  }
  return 0;
}
