// A dialog template read from its binary form, classic (DLGTEMPLATE) or extended
// (DLGTEMPLATEEX), with every read bounded by the size given.
#pragma once

#include <winuser.h>

#include <optional>
#include <string>
#include <vector>

namespace zrq::ui {

// A string, or an ordinal when the string is empty and the ordinal is not 0.
struct NameOrOrdinal {
  std::u16string name;
  WORD ordinal = 0;
};

struct DialogItemTemplate {
  DWORD helpId = 0;
  DWORD exStyle = 0;
  DWORD style = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  DWORD id = 0;
  NameOrOrdinal windowClass;
  NameOrOrdinal text;
  std::vector<BYTE> creationData;
};

struct DialogTemplate {
  bool extended = false;
  DWORD helpId = 0;
  DWORD exStyle = 0;
  DWORD style = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  NameOrOrdinal menu;
  NameOrOrdinal windowClass;
  std::u16string caption;
  bool hasFont = false;
  WORD pointSize = 0;
  WORD weight = 0;
  BYTE italic = 0;
  BYTE charset = 0;
  std::u16string typeface;
  std::vector<DialogItemTemplate> items;
};

// Nothing when the template is damaged or runs past size bytes.
[[nodiscard]] std::optional<DialogTemplate> ReadDialogTemplate(const void *data, size_t size);

// The class name a predefined class ordinal (0x80 to 0x85) stands for, or null.
const char16_t *PredefinedClassName(WORD ordinal);

} // namespace zrq::ui
