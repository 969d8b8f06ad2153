// Reads any bytes as a .reg file, and checks what the reader promises: a file that does not
// read yields nothing, and a registry that was read writes out to text that reads back to the
// same registry and the same text.
#include "fuzz/FuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "platform/registry/RegFileReader.h"
#include "platform/registry/RegFileWriter.h"

namespace {

void Check(bool condition, const char *what) { FuzzCheck(condition, "reg_file", what); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  using namespace zrq::registry;
  const std::string_view bytes(reinterpret_cast<const char *>(data), size);
  std::vector<RegFileChange> changes;
  RegFileProblem problem;
  for (EndMarker marker : {EndMarker::Required, EndMarker::Optional}) {
    if (!ReadRegFile(bytes, marker, &changes, &problem)) {
      Check(changes.empty(), "a file that did not read left changes");
      Check(problem.line >= 1, "a problem without its line");
    }
  }
  if (changes.empty()) return 0;
  RegistryTree tree;
  ApplyRegFileChanges(changes, &tree);
  const std::string text = WriteRegFile(tree);
  Check(ReadRegFile(text, EndMarker::Required, &changes, &problem),
        "what was written does not read");
  RegistryTree back;
  ApplyRegFileChanges(changes, &back);
  Check(back == tree, "what was written reads back to another registry");
  Check(WriteRegFile(back) == text, "writing again gives other text");
  return 0;
}
