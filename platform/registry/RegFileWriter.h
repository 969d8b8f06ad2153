// Writes the .reg text form (UTF-8, line feeds): the header, one section per key with its
// values, and the end-of-file line. What RegFileReader reads back is exactly what was written.
#pragma once

#include <string>

#include "platform/registry/RegistryTree.h"

namespace zrq::registry {

// The whole registry.
std::string WriteRegFile(const RegistryTree &tree);

// One key, which lies at `path`, and everything below it.
std::string WriteRegFile(const RegistryKey &key, const KeyPath &path);

} // namespace zrq::registry
