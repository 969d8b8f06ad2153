// Registry scripts: the small language in which the module keeps the entries it registers.
//
//   script  := root*                     root names: HKEY_CLASSES_ROOT or HKCR, HKCU, HKLM,
//   root    := ROOT '{' clause* '}'       HKEY_USERS, HKPD, HKDD, HKCC and their long forms
//   clause  := 'val' name '=' type 'data'
//            | [NoRemove | ForceRemove | Delete] name ['=' type 'data'] ['{' clause* '}']
//   name    := bare-word | 'quoted'      ('' in quotes is one quote)
//   type    := s (string) | d (32-bit number) | b (hex bytes) | m (strings ended by \0)
//
// %NAME% anywhere in a name or in data is replaced by the replacement of that name (any case),
// %% by one percent sign; a replacement is always data, never syntax. A key name is one key
// (no backslash); nesting stops at 512 levels.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include <windows.h>

enum class KeyFlag { None, NoRemove, ForceRemove, Delete };

struct ScriptValue {
  DWORD type = REG_SZ; // REG_SZ, REG_DWORD, REG_BINARY or REG_MULTI_SZ
  std::vector<BYTE> data;
};

struct ScriptClause;

struct ScriptKey {
  KeyFlag flag = KeyFlag::None;
  std::u16string name;
  std::optional<ScriptValue> defaultValue;
  std::vector<ScriptClause> body;
};

struct ScriptNamedValue {
  std::u16string name;
  ScriptValue value;
};

struct ScriptClause {
  std::variant<ScriptKey, ScriptNamedValue> content;
};

struct ScriptRoot {
  HKEY root = nullptr;
  std::vector<ScriptClause> body;
};

struct ScriptProblem {
  int line = 0;
  std::string message;
};

using ScriptReplacements = std::vector<std::pair<std::u16string, std::u16string>>;

struct RegistryScript {
  std::vector<ScriptRoot> roots;

  // Reads a whole script. DISP_E_EXCEPTION, with the line and the reason, when any part of it
  // does not read; then nothing of it is kept.
  [[nodiscard]] static HRESULT Parse(std::u16string_view text,
                                     const ScriptReplacements &replacements, RegistryScript *script,
                                     ScriptProblem *problem);
};
