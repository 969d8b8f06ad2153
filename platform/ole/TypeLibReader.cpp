// The layout, all little-endian 32-bit fields unless said otherwise:
//   header (0x54 bytes): "MSFT", version 0x00010002, the library's GUID offset, its locale and
//     the locale it was set to, flags whose low four bits are the system kind (bit 8: a help
//     DLL field follows), version (major in the low word), library flags, the number of type
//     infos, help string, help string context, help context, name count and characters, name
//     offset, help file, custom data, two hash sizes, the IDispatch reference, import count;
//   [help DLL offset]; one offset per type info; fifteen segment entries (offset, length, -1,
//     0x0F) for: type infos, import infos, import files, references, GUID hash, GUIDs, name
//     hash, names, strings, type descriptions, array descriptions, custom data, custom-data
//     GUIDs and two unused ones.
// A name is a 12-byte head (its length in the low byte of the third field) and its 8-bit
// characters; a string is a 16-bit length and its characters; a GUID entry is the GUID and two
// fields. A type info begins with its kind (low four bits), and holds its GUID offset at
// 0x2C, its name offset at 0x34, its help string at 0x3C and help context at 0x44.
#include "platform/ole/TypeLibReader.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <optional>

namespace zrq::ole {
namespace {

constexpr uint32_t kMagic = 0x5446534D; // "MSFT"
constexpr uint32_t kVersion = 0x00010002;
constexpr size_t kHeaderSize = 0x54;
constexpr size_t kSegmentCount = 15;
constexpr size_t kTypeInfoSize = 0x64;
constexpr uint32_t kHelpDllFlag = 0x100;

enum Segment { kTypeInfos = 0, kGuids = 5, kNames = 7, kStrings = 8 };

struct Damaged {};

class Bytes {
public:
  explicit Bytes(std::span<const BYTE> bytes) : bytes(bytes) {}

  uint32_t U32(size_t at) const {
    Need(at, 4);
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
           static_cast<uint32_t>(bytes[at + 3]) << 24;
  }
  int32_t I32(size_t at) const { return static_cast<int32_t>(U32(at)); }
  uint16_t U16(size_t at) const {
    Need(at, 2);
    return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
  }
  GUID Guid(size_t at) const {
    Need(at, 16);
    GUID guid{};
    guid.Data1 = U32(at);
    guid.Data2 = U16(at + 4);
    guid.Data3 = U16(at + 6);
    std::memcpy(guid.Data4, bytes.data() + at + 8, 8);
    return guid;
  }
  // Latin-1 text: the format's names and strings are 8-bit.
  std::u16string Text(size_t at, size_t length) const {
    Need(at, length);
    std::u16string text;
    for (size_t i = 0; i < length; ++i) text += static_cast<char16_t>(bytes[at + i]);
    return text;
  }
  void Need(size_t at, size_t count) const {
    if (at > bytes.size() || count > bytes.size() - at) throw Damaged{};
  }

private:
  std::span<const BYTE> bytes;
};

class Reader {
public:
  explicit Reader(std::span<const BYTE> bytes) : file(bytes) {}

  TypeLibDescription Read() {
    TypeLibDescription d;
    const uint32_t flags = file.U32(0x14);
    const int32_t typeCount = file.I32(0x20);
    if (typeCount < 0 || typeCount > 0xFFFF) throw Damaged{};
    size_t at = kHeaderSize + ((flags & kHelpDllFlag) ? 4 : 0);
    const size_t typeOffsets = at;
    at += 4 * static_cast<size_t>(typeCount);
    for (size_t i = 0; i < kSegmentCount; ++i) {
      segments[i].offset = file.I32(at + 16 * i);
      segments[i].length = file.I32(at + 16 * i + 4);
      if (segments[i].offset >= 0 && segments[i].length > 0)
        file.Need(static_cast<size_t>(segments[i].offset), static_cast<size_t>(segments[i].length));
    }

    const std::optional<GUID> libid = GuidAt(file.I32(0x08));
    if (!libid) throw Damaged{};
    d.attributes.guid = *libid;
    d.attributes.lcid =
        file.U32(0x10); // the locale the library was set to; 0x0C is the compiler's own
    d.attributes.syskind = static_cast<SYSKIND>(flags & 0xF);
    d.attributes.wMajorVerNum = static_cast<WORD>(file.U32(0x18) & 0xFFFF);
    d.attributes.wMinorVerNum = static_cast<WORD>(file.U32(0x18) >> 16);
    d.attributes.wLibFlags = static_cast<WORD>(file.U32(0x1C) & 0xFFFF);
    d.docString = StringAt(file.I32(0x24));
    d.helpContext = file.U32(0x2C);
    d.name = NameAt(file.I32(0x38));
    d.helpFile = StringAt(file.I32(0x3C));

    for (int32_t i = 0; i < typeCount; ++i) {
      const size_t info =
          Inside(kTypeInfos, file.I32(typeOffsets + 4 * static_cast<size_t>(i)), kTypeInfoSize);
      TypeDescription type;
      const uint32_t kind = file.U32(info) & 0xF;
      if (kind >= TKIND_MAX) throw Damaged{};
      type.kind = static_cast<TYPEKIND>(kind);
      if (const std::optional<GUID> guid = GuidAt(file.I32(info + 0x2C))) type.guid = *guid;
      type.name = NameAt(file.I32(info + 0x34));
      type.docString = StringAt(file.I32(info + 0x3C));
      type.helpContext = file.U32(info + 0x44);
      d.types.push_back(std::move(type));
    }
    return d;
  }

private:
  struct SegmentEntry {
    int32_t offset = -1;
    int32_t length = 0;
  };

  // The file position of `count` bytes at `offset` within a segment.
  size_t Inside(Segment segment, int64_t offset, size_t count) const {
    const SegmentEntry &s = segments[segment];
    if (offset < 0 || s.offset < 0 || s.length < 0 ||
        static_cast<size_t>(offset) > static_cast<size_t>(s.length) ||
        count > static_cast<size_t>(s.length) - static_cast<size_t>(offset))
      throw Damaged{};
    return static_cast<size_t>(s.offset) + static_cast<size_t>(offset);
  }

  // A negative offset means "none".
  std::optional<GUID> GuidAt(int32_t offset) const {
    if (offset < 0) return std::nullopt;
    return file.Guid(Inside(kGuids, offset, 16));
  }
  std::u16string NameAt(int32_t offset) const {
    if (offset < 0) return {};
    const size_t head = Inside(kNames, offset, 12);
    const size_t length = file.U32(head + 8) & 0xFF;
    return file.Text(Inside(kNames, int64_t{offset} + 12, length), length);
  }
  std::u16string StringAt(int32_t offset) const {
    if (offset < 0) return {};
    const size_t head = Inside(kStrings, offset, 2);
    const size_t length = file.U16(head);
    return file.Text(Inside(kStrings, int64_t{offset} + 2, length), length);
  }

  Bytes file;
  SegmentEntry segments[kSegmentCount];
};

} // namespace

HRESULT ReadTypeLibrary(std::span<const BYTE> bytes, TypeLibDescription *description) {
  const Bytes file(bytes);
  try {
    if (bytes.size() < 8 || file.U32(0) != kMagic) return TYPE_E_UNSUPFORMAT;
    if (file.U32(4) != kVersion) return TYPE_E_UNSUPFORMAT;
    *description = Reader(bytes).Read();
    return S_OK;
  } catch (const Damaged &) {
    return TYPE_E_INVDATAREAD;
  } catch (const std::bad_alloc &) {
    return E_OUTOFMEMORY;
  }
}

} // namespace zrq::ole
