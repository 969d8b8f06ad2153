// Names in the registry: the roots, key and value names, and how they compare.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <winreg.h>

namespace zrq::registry {

// The roots kept in the file. HKEY_PERFORMANCE_DATA and HKEY_DYN_DATA are not among them.
enum class Root { ClassesRoot, CurrentUser, LocalMachine, Users, CurrentConfig };
inline constexpr Root kRoots[] = {Root::ClassesRoot, Root::CurrentUser, Root::LocalMachine,
                                  Root::Users, Root::CurrentConfig};

// "HKEY_CLASSES_ROOT", ...
std::u16string_view RootName(Root root);
// The root of that long name (in any case).
std::optional<Root> RootFromName(std::u16string_view name);
HKEY RootHandle(Root root);

inline constexpr size_t kMaxKeyNameLength = 255;
inline constexpr size_t kMaxValueNameLength = 16383;
inline constexpr size_t kMaxDepth = 512;
inline constexpr size_t kMaxValueSize = 1024 * 1024;

// A key below its root: the names from the root down, as they were spelled.
struct KeyPath {
  Root root = Root::ClassesRoot;
  std::vector<std::u16string> names;
};

// Names compare as Windows compares them, without regard to case (of ASCII and Latin-1
// letters here).
bool NamesEqual(std::u16string_view a, std::u16string_view b);
struct NameLess {
  using is_transparent = void;
  bool operator()(std::u16string_view a, std::u16string_view b) const;
};

// ERROR_SUCCESS when `name` can name a key: 1 to 255 characters, no backslash (which
// separates keys in a path), no control character and no unpaired surrogate, since the file
// could not hold them. Otherwise ERROR_INVALID_PARAMETER (too long) or ERROR_INVALID_NAME.
LSTATUS CheckKeyName(std::u16string_view name);
// The same for a value name (the empty name is the default value): up to 16383 characters,
// backslashes allowed.
LSTATUS CheckValueName(std::u16string_view name);

// Appends the keys of a relative path ("a\b\c"; null or empty: none; one backslash may end
// it) to *path. A path that starts with a backslash or holds an empty name gives
// ERROR_BAD_PATHNAME; one deeper than 512 keys, ERROR_INVALID_PARAMETER.
LSTATUS AppendSubKey(LPCWSTR subKey, KeyPath *path);

} // namespace zrq::registry
