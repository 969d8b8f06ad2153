#include "platform/d3dx9/shader/ConstantTableReader.h"

#include <cstring>

#include "platform/d3dx9/shader/ConstantTableFormat.h"

namespace zrq::d3dx9 {
namespace {

// Struct types may nest; a damaged table could make them refer to themselves or fan out, so
// depth and the number of types read are bounded.
constexpr int kMaxTypeDepth = 8;
constexpr size_t kMaxTypes = 4096;

class Reader {
public:
  Reader(const uint8_t *bytes, size_t size, std::string &error)
      : bytes(bytes), size(size), error(error) {}

  bool Run(ConstantTableModel &table) {
    uint32_t headerSize = 0, creator = 0, count = 0, infos = 0, target = 0;
    if (!Get32(0, headerSize) || headerSize != ctab::kHeaderSize)
      return Fail("constant table header is damaged");
    if (!Get32(4, creator) || !Get32(8, table.version) || !Get32(12, count) || !Get32(16, infos) ||
        !Get32(20, table.flags) || !Get32(24, target))
      return Fail("constant table header is truncated");
    if (!String(creator, table.creator) || !String(target, table.target)) return false;
    if (count > size / ctab::kConstantSize ||
        !Within(infos, static_cast<size_t>(count) * ctab::kConstantSize))
      return Fail("constant descriptions lie outside the table");
    table.constants.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
      ConstantEntry &c = table.constants[i];
      const size_t at = infos + static_cast<size_t>(i) * ctab::kConstantSize;
      uint32_t name = 0, type = 0, defaults = 0;
      Get32(at, name);
      Get16(at + 4, c.registerSet);
      Get16(at + 6, c.registerIndex);
      Get16(at + 8, c.registerCount);
      Get32(at + 12, type);
      Get32(at + 16, defaults);
      if (!String(name, c.name) || !Type(type, c.type, 0)) return false;
      // A default for no registers is no default.
      if (defaults != 0 && c.registerCount != 0) {
        const size_t floats = static_cast<size_t>(c.registerCount) * 4;
        if (!Within(defaults, floats * 4)) return Fail("default value lies outside the table");
        c.defaultValue.resize(floats);
        std::memcpy(c.defaultValue.data(), bytes + defaults, floats * 4);
      }
    }
    return true;
  }

private:
  bool Fail(const char *what) {
    error = what;
    return false;
  }
  bool Within(size_t at, size_t length) const { return at <= size && length <= size - at; }
  bool Get16(size_t at, uint16_t &v) const {
    if (!Within(at, 2)) return false;
    std::memcpy(&v, bytes + at, 2);
    return true;
  }
  bool Get32(size_t at, uint32_t &v) const {
    if (!Within(at, 4)) return false;
    std::memcpy(&v, bytes + at, 4);
    return true;
  }

  bool String(uint32_t at, std::string &out) {
    if (at >= size) return Fail("string lies outside the constant table");
    const void *nul = std::memchr(bytes + at, 0, size - at);
    if (!nul) return Fail("string runs past the end of the constant table");
    out.assign(reinterpret_cast<const char *>(bytes + at),
               static_cast<const uint8_t *>(nul) - (bytes + at));
    return true;
  }

  bool Type(uint32_t at, ConstantType &t, int depth) {
    if (depth > kMaxTypeDepth || ++types > kMaxTypes) return Fail("constant types nest too deeply");
    uint16_t memberCount = 0;
    uint32_t members = 0;
    if (!Within(at, ctab::kTypeSize)) return Fail("type description lies outside the table");
    Get16(at, t.parameterClass);
    Get16(at + 2, t.parameterType);
    Get16(at + 4, t.rows);
    Get16(at + 6, t.columns);
    Get16(at + 8, t.elements);
    Get16(at + 10, memberCount);
    Get32(at + 12, members);
    if (memberCount == 0) return true;
    if (!Within(members, static_cast<size_t>(memberCount) * ctab::kMemberSize))
      return Fail("struct members lie outside the table");
    t.members.resize(memberCount);
    for (uint16_t i = 0; i < memberCount; ++i) {
      uint32_t name = 0, type = 0;
      Get32(members + i * ctab::kMemberSize, name);
      Get32(members + i * ctab::kMemberSize + 4, type);
      if (!String(name, t.members[i].name) || !Type(type, t.members[i].type, depth + 1))
        return false;
    }
    return true;
  }

  const uint8_t *bytes;
  size_t size;
  std::string &error;
  size_t types = 0;
};

} // namespace

bool ReadConstantTable(const uint8_t *bytes, size_t size, ConstantTableModel &table,
                       std::string &error) {
  table = ConstantTableModel{};
  return Reader(bytes, size, error).Run(table);
}

const Instruction *FindConstantTableComment(const DecodedShader &shader) {
  for (const Instruction &in : shader.instructions)
    if (in.opcode == Opcode::Comment && !in.comment.empty() && in.comment[0] == kConstantTableTag)
      return &in;
  return nullptr;
}

} // namespace zrq::d3dx9
