#include "platform/d3dx9/shader/ConstantTableWriter.h"

#include <cstring>

#include "platform/d3dx9/shader/ConstantTableFormat.h"

namespace zrq::d3dx9 {
namespace {

class Writer {
public:
  std::vector<uint8_t> Write(const ConstantTableModel &table) {
    bytes.assign(ctab::kHeaderSize, 0);
    const auto count = static_cast<uint32_t>(table.constants.size());
    const uint32_t infos = Reserve(count * ctab::kConstantSize);
    for (uint32_t i = 0; i < count; ++i) {
      const ConstantEntry &c = table.constants[i];
      const uint32_t at = infos + i * ctab::kConstantSize;
      Put32(at, String(c.name));
      Put16(at + 4, c.registerSet);
      Put16(at + 6, c.registerIndex);
      Put16(at + 8, c.registerCount);
      Put32(at + 12, Type(c.type));
      Put32(at + 16, c.defaultValue.empty() ? 0 : Floats(c.defaultValue));
    }
    Put32(0, ctab::kHeaderSize);
    Put32(8, table.version);
    Put32(12, count);
    Put32(16, count ? infos : 0);
    Put32(20, table.flags);
    Put32(24, String(table.target));
    Put32(4, String(table.creator));
    return std::move(bytes);
  }

private:
  uint32_t Reserve(uint32_t size) {
    const auto at = static_cast<uint32_t>(bytes.size());
    bytes.resize(bytes.size() + size, 0);
    return at;
  }

  void Put16(uint32_t at, uint16_t v) { std::memcpy(&bytes[at], &v, 2); }
  void Put32(uint32_t at, uint32_t v) { std::memcpy(&bytes[at], &v, 4); }

  uint32_t String(const std::string &s) {
    const uint32_t at = Reserve(static_cast<uint32_t>((s.size() + 1 + 3) & ~size_t{3}));
    std::memcpy(&bytes[at], s.c_str(), s.size() + 1);
    for (size_t i = at + s.size() + 1; i < bytes.size(); ++i) bytes[i] = ctab::kPadding;
    return at;
  }

  uint32_t Floats(const std::vector<float> &values) {
    const uint32_t at = Reserve(static_cast<uint32_t>(values.size() * 4));
    std::memcpy(&bytes[at], values.data(), values.size() * 4);
    return at;
  }

  uint32_t Type(const ConstantType &t) {
    const uint32_t at = Reserve(ctab::kTypeSize);
    Put16(at, t.parameterClass);
    Put16(at + 2, t.parameterType);
    Put16(at + 4, t.rows);
    Put16(at + 6, t.columns);
    Put16(at + 8, t.elements);
    Put16(at + 10, static_cast<uint16_t>(t.members.size()));
    if (t.members.empty()) return at;
    const uint32_t members = Reserve(static_cast<uint32_t>(t.members.size()) * ctab::kMemberSize);
    Put32(at + 12, members);
    for (size_t i = 0; i < t.members.size(); ++i) {
      const auto slot = static_cast<uint32_t>(members + i * ctab::kMemberSize);
      Put32(slot, String(t.members[i].name));
      Put32(slot + 4, Type(t.members[i].type));
    }
    return at;
  }

  std::vector<uint8_t> bytes;
};

} // namespace

std::vector<uint8_t> WriteConstantTable(const ConstantTableModel &table) {
  return Writer().Write(table);
}

std::vector<uint32_t> ConstantTableComment(const ConstantTableModel &table) {
  const std::vector<uint8_t> bytes = WriteConstantTable(table);
  std::vector<uint32_t> words(1 + bytes.size() / 4);
  words[0] = kConstantTableTag;
  std::memcpy(words.data() + 1, bytes.data(), bytes.size());
  return words;
}

} // namespace zrq::d3dx9
