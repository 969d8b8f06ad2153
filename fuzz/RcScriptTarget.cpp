// Reads any bytes as a resource script: a script that does not read says why, on its line.
#include "fuzz/FuzzCheck.h"

#include "tools/rc/ResourceScript.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const FuzzFile file(data, size);
  std::string error;
  if (!zrq::rc::ReadResourceScript(file.Path(), &error))
    FuzzCheck(!error.empty() && error.find(file.Path() + ":") == 0, "rc_script",
              "a script that did not read gives no \"file:line: message\"");
  return 0;
}
