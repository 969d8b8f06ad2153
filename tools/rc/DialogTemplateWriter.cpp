#include "tools/rc/DialogResource.h"

namespace zrq::rc {
namespace {

constexpr uint32_t kSetFont = 0x40; // DS_SETFONT; DS_SHELLFONT includes it

class TemplateBytes {
public:
  void Word(uint16_t w) {
    bytes.push_back(static_cast<unsigned char>(w));
    bytes.push_back(static_cast<unsigned char>(w >> 8));
  }
  void Dword(uint32_t d) {
    Word(static_cast<uint16_t>(d));
    Word(static_cast<uint16_t>(d >> 16));
  }
  void Byte(uint8_t b) { bytes.push_back(b); }
  void Text(const std::u16string &text) {
    for (char16_t c : text) Word(c);
    Word(0);
  }
  // A string, or 0xFFFF and an ordinal, or a lone 0 for none.
  void NameOrOrdinal(const ResourceKey &key) {
    if (!key.name.empty()) return Text(key.name);
    if (key.id == 0) return Word(0);
    Word(0xFFFF);
    Word(key.id);
  }
  void AlignToDword() {
    while (bytes.size() % 4 != 0) bytes.push_back(0);
  }
  std::vector<unsigned char> bytes;
};

} // namespace

std::vector<unsigned char> WriteDialogTemplate(const DialogResource &dialog) {
  TemplateBytes out;
  out.Word(1);
  out.Word(0xFFFF);
  out.Dword(dialog.helpId);
  out.Dword(dialog.exStyle);
  out.Dword(dialog.style);
  out.Word(static_cast<uint16_t>(dialog.items.size()));
  for (int16_t v : {dialog.x, dialog.y, dialog.cx, dialog.cy}) out.Word(static_cast<uint16_t>(v));
  out.NameOrOrdinal(dialog.menu);
  out.Text(dialog.windowClass);
  out.Text(dialog.caption);
  if (dialog.style & kSetFont) {
    out.Word(dialog.pointSize);
    out.Word(dialog.weight);
    out.Byte(dialog.italic);
    out.Byte(dialog.charset);
    out.Text(dialog.typeface);
  }
  for (const DialogItem &item : dialog.items) {
    out.AlignToDword();
    out.Dword(item.helpId);
    out.Dword(item.exStyle);
    out.Dword(item.style);
    for (int16_t v : {item.x, item.y, item.cx, item.cy}) out.Word(static_cast<uint16_t>(v));
    out.Dword(item.id);
    out.NameOrOrdinal(item.windowClass);
    out.Text(item.text);
    out.Word(0); // no creation data
  }
  return std::move(out.bytes);
}

} // namespace zrq::rc
