// Reads the .reg text form (REGEDIT5): a header line, then sections "[ROOT\key\path]" (or
// "[-ROOT\key\path]" to delete a key) holding value lines "name"=data, where data is
// "text", dword:hhhhhhhh, hex:bb,bb,..., hex(t):bb,... or - (to delete the value); @ names
// the default value. Hex data may go on over lines that end in a backslash; lines starting
// with ';' are comments.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/RegistryTree.h"

namespace zrq::registry {

struct RegFileChange {
  enum class Kind { CreateKey, DeleteKey, SetValue, DeleteValue };
  Kind kind = Kind::CreateKey;
  KeyPath path;
  std::u16string valueName;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

struct RegFileProblem {
  int line = 0;
  std::string message;
};

// The line the store writes last, so that a file cut short anywhere is known as such.
inline constexpr std::u16string_view kEndMarker = u"; end of file";

enum class EndMarker { Required, Optional };

// Reads a whole file (UTF-8, or UTF-16 little-endian after its byte-order mark). False, with
// the line and the reason, when any part of it does not read: then *changes holds nothing.
[[nodiscard]] bool ReadRegFile(std::string_view bytes, EndMarker endMarker,
                               std::vector<RegFileChange> *changes, RegFileProblem *problem);

// Makes the changes in order; true when any of them changed the tree.
bool ApplyRegFileChanges(const std::vector<RegFileChange> &changes, RegistryTree *tree);

} // namespace zrq::registry
