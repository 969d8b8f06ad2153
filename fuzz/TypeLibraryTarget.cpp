// Reads any bytes as a binary type library; one that reads is asked for everything it holds.
#include <cstddef>
#include <cstdint>

#include <atlcomcli.h>

#include "platform/ole/TypeLibReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  zrq::ole::TypeLibDescription description;
  if (FAILED(zrq::ole::ReadTypeLibrary(std::span(data, size), &description))) return 0;
  // Everything read is within the file: touching each string and GUID is safe.
  size_t total =
      description.name.size() + description.docString.size() + description.helpFile.size();
  for (const zrq::ole::TypeDescription &type : description.types)
    total += type.name.size() + type.docString.size() + type.guid.Data1 % 2;
  return total == static_cast<size_t>(-1);
}
