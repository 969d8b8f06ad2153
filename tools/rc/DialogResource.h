// A dialog box resource as the script describes it, and its binary form: the extended
// template (DLGTEMPLATEEX followed by DLGITEMTEMPLATEEX entries) that dialog creation reads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/rc/ResourceScript.h"

namespace zrq::rc {

struct DialogItem {
  uint32_t helpId = 0;
  uint32_t exStyle = 0;
  uint32_t style = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  uint32_t id = 0;
  ResourceKey windowClass; // an id is one of the predefined class ordinals 0x80 to 0x85
  std::u16string text;
};

struct DialogResource {
  uint32_t helpId = 0;
  uint32_t exStyle = 0;
  uint32_t style = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  ResourceKey menu; // none when id is 0 and the name is empty
  std::u16string windowClass;
  std::u16string caption;
  uint16_t pointSize = 0; // the font is written only when the style has DS_SETFONT
  uint16_t weight = 0;
  uint8_t italic = 0;
  uint8_t charset = 0;
  std::u16string typeface;
  std::vector<DialogItem> items;
};

// The extended template, laid out as Windows reads it: words little-endian, each item
// starting on a four-byte boundary from the start of the template.
std::vector<unsigned char> WriteDialogTemplate(const DialogResource &dialog);

} // namespace zrq::rc
