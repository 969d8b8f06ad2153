#include "platform/ui/DialogTemplate.h"

#include <cstring>

namespace zrq::ui {
namespace {

class TemplateReader {
public:
  TemplateReader(const void *data, size_t size)
      : bytes(static_cast<const unsigned char *>(data)), size(size) {}

  bool Word(WORD &out) { return Read(&out, sizeof out); }
  bool Dword(DWORD &out) { return Read(&out, sizeof out); }
  bool Short(short &out) { return Read(&out, sizeof out); }
  bool Byte(BYTE &out) { return Read(&out, sizeof out); }

  bool Text(std::u16string &out) {
    for (;;) {
      WORD c;
      if (!Word(c)) return false;
      if (c == 0) return true;
      out += static_cast<char16_t>(c);
    }
  }

  bool Name(NameOrOrdinal &out) {
    WORD first;
    if (!Word(first)) return false;
    if (first == 0) return true;
    if (first == 0xFFFF) return Word(out.ordinal);
    out.name += static_cast<char16_t>(first);
    return Text(out.name);
  }

  bool Skip(size_t n) {
    if (n > size - at) return false;
    at += n;
    return true;
  }

  bool AlignToDword() { return Skip((4 - at % 4) % 4); }

  bool Bytes(std::vector<BYTE> &out, size_t n) {
    if (n > size - at) return false;
    out.assign(bytes + at, bytes + at + n);
    at += n;
    return true;
  }

private:
  bool Read(void *out, size_t n) {
    if (n > size - at) return false;
    std::memcpy(out, bytes + at, n);
    at += n;
    return true;
  }

  const unsigned char *bytes;
  size_t size;
  size_t at = 0;
};

bool ReadItem(TemplateReader &in, bool extended, DialogItemTemplate &item) {
  if (!in.AlignToDword()) return false;
  if (extended) {
    if (!in.Dword(item.helpId) || !in.Dword(item.exStyle) || !in.Dword(item.style)) return false;
  } else {
    if (!in.Dword(item.style) || !in.Dword(item.exStyle)) return false;
  }
  if (!in.Short(item.x) || !in.Short(item.y) || !in.Short(item.cx) || !in.Short(item.cy))
    return false;
  if (extended) {
    if (!in.Dword(item.id)) return false;
  } else {
    WORD id;
    if (!in.Word(id)) return false;
    // Classic templates keep 16-bit ids; -1 (IDC_STATIC) stays -1.
    item.id = id == 0xFFFF ? 0xFFFFFFFFu : id;
  }
  WORD extra = 0;
  if (!in.Name(item.windowClass) || !in.Name(item.text) || !in.Word(extra)) return false;
  return in.Bytes(item.creationData, extra);
}

} // namespace

std::optional<DialogTemplate> ReadDialogTemplate(const void *data, size_t size) {
  if (!data) return std::nullopt;
  TemplateReader in(data, size);
  DialogTemplate t;
  WORD version = 0, signature = 0;
  if (!in.Word(version) || !in.Word(signature)) return std::nullopt;
  t.extended = version == 1 && signature == 0xFFFF;
  in = TemplateReader(data, size);
  WORD count = 0;
  if (t.extended) {
    if (!in.Skip(4) || !in.Dword(t.helpId) || !in.Dword(t.exStyle) || !in.Dword(t.style))
      return std::nullopt;
  } else {
    if (!in.Dword(t.style) || !in.Dword(t.exStyle)) return std::nullopt;
  }
  if (!in.Word(count) || !in.Short(t.x) || !in.Short(t.y) || !in.Short(t.cx) || !in.Short(t.cy))
    return std::nullopt;
  if (!in.Name(t.menu) || !in.Name(t.windowClass) || !in.Text(t.caption)) return std::nullopt;
  t.hasFont = (t.style & DS_SETFONT) != 0;
  if (t.hasFont) {
    if (!in.Word(t.pointSize)) return std::nullopt;
    if (t.extended && (!in.Word(t.weight) || !in.Byte(t.italic) || !in.Byte(t.charset)))
      return std::nullopt;
    if (!in.Text(t.typeface)) return std::nullopt;
  }
  t.items.resize(count);
  for (DialogItemTemplate &item : t.items)
    if (!ReadItem(in, t.extended, item)) return std::nullopt;
  return t;
}

const char16_t *PredefinedClassName(WORD ordinal) {
  switch (ordinal) {
  case 0x80:
    return u"Button";
  case 0x81:
    return u"Edit";
  case 0x82:
    return u"Static";
  case 0x83:
    return u"ListBox";
  case 0x84:
    return u"ScrollBar";
  case 0x85:
    return u"ComboBox";
  default:
    return nullptr;
  }
}

} // namespace zrq::ui
