// The resource script: the subset of the Windows .rc language the module uses.
//
//   // and /* */ comments; #define NAME number
//   LANGUAGE primary, sub            (numbers, LANG_ENGLISH, SUBLANG_ENGLISH_US, ...NEUTRAL)
//   STRINGTABLE BEGIN id, "text" ... END      ({ } work for BEGIN END; the comma is optional)
//   name type "file"                 (the file's bytes; the path is relative to the script)
//   name DIALOGEX ...                (an extended dialog template, RT_DIALOG; DialogParser.h)
//   #include lines                   (ignored: the standard style names are known)
//
// A name is a number or an identifier; a type is a number, RCDATA, HTML, MANIFEST, MENU,
// MENUEX, ACCELERATORS, VERSIONINFO (from a file, as every resource here), or any
// other identifier or quoted string, which names a custom type (upper-cased, as Windows
// stores names). Strings are UTF-8 in the script and UTF-16 in the module; they take the
// escapes "" \" \\ \n \r \t \a \0 and \xHHHH.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zrq::rc {

struct ResourceKey {
  uint16_t id = 0;
  std::u16string name; // used instead of id when not empty
};

struct BinaryResource {
  ResourceKey type;
  ResourceKey name;
  uint16_t language = 0;
  std::vector<unsigned char> bytes;
  std::filesystem::path source; // empty for resources written in the script itself
};

struct ResourceScript {
  // String id -> (language, text); a string table is compiled into blocks of sixteen.
  std::map<uint16_t, std::pair<uint16_t, std::u16string>> strings;
  std::vector<BinaryResource> resources;
};

// Reads the script; on failure returns nothing and puts "file:line: message" in *error.
std::optional<ResourceScript> ReadResourceScript(const std::filesystem::path &file,
                                                 std::string *error);

} // namespace zrq::rc
