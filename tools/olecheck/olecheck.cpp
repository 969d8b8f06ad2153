// zrq-olecheck TABLE: prints the lines of a case table ("ole" or "xml") on standard output.
// Built against this platform it shows what we answer; built with mingw-w64 and run under
// Wine (generate-golden.sh) it shows what the reference answers.
#include <cstdio>
#include <cstring>

#include "OleCases.h"
#include "XmlCases.h"

int main(int argc, char **argv) {
  const bool ole = argc == 2 && std::strcmp(argv[1], "ole") == 0;
  const bool xml = argc == 2 && std::strcmp(argv[1], "xml") == 0;
  if (!ole && !xml) {
    std::fprintf(stderr, "usage: zrq-olecheck ole|xml\n");
    return 2;
  }
#ifdef _WIN32
  CoInitialize(nullptr);
#endif
  olecheck::Lines lines;
  if (ole) olecheck::RunOleCases(lines);
  if (xml) olecheck::RunXmlCases(lines);
  for (const std::string &line : lines) std::printf("%s\n", line.c_str());
  return 0;
}
