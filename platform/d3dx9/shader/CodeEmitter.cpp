#include "platform/d3dx9/shader/CodeEmitter.h"

#include <algorithm>

#include "platform/d3dx9/shader/ConstantFolding.h"
#include "platform/d3dx9/shader/ErrorCodes.h"
#include "platform/d3dx9/shader/OpcodeTable.h"
#include "platform/d3dx9/shader/VirtualRegisters.h"

namespace zrq::d3dx9 {
namespace {

// A bound on generated code, far above any profile's limit, so that unrolled loops cannot
// make compiling run away before the limits are checked.
constexpr size_t kMaxInstructions = 1u << 16;

// The lanes source `index` reads when the instruction writes `mask`; a texture read takes
// as many coordinates as it is given.
uint8_t ReadLanes(Opcode op, int index, uint8_t mask, size_t sourceSize) {
  if (op == Opcode::Tex && index == 0)
    return static_cast<uint8_t>((1u << std::min<size_t>(sourceSize, 4)) - 1);
  return SourcePositions(op, index, mask);
}

bool IsTempLike(RegisterType type) { return type == vreg::Temp || type == RegisterType::Temp; }

} // namespace

// Puts the literals among `read` into the pool, together where they fit, and names them by
// their registers there.
CodeEmitter::Positions CodeEmitter::PlaceLiterals(Positions read) {
  std::vector<float> values;
  for (const auto &c : read)
    if (c && c->IsLiteral()) values.push_back(c->value);
  if (values.empty()) return read;
  const std::vector<ConstantPool::Slot> slots = pool.Place(values);
  size_t next = 0;
  for (auto &c : read)
    if (c && c->IsLiteral()) {
      const ConstantPool::Slot slot = slots[next++];
      c = Component::Lane(vreg::Literal, slot.reg, slot.lane);
    }
  return read;
}

// The operand for `read` when it lies in one register with an allowed swizzle.
std::optional<SourceParameter> CodeEmitter::Direct(const Positions &read, bool identity) const {
  const Component *first = nullptr;
  bool identityLanes = true, oneLane = true;
  for (size_t p = 0; p < 4; ++p) {
    if (!read[p]) continue;
    const Component &c = *read[p];
    if (!c.IsRegister()) return std::nullopt;
    if (!first) first = &c;
    if (!c.SameRegister(*first) || c.negate != first->negate) return std::nullopt;
    identityLanes &= c.lane == p;
    oneLane &= c.lane == first->lane;
  }
  if (!first) return std::nullopt;
  if (identity && (!identityLanes || first->negate ||
                   !(IsTempLike(first->type) || first->type == vreg::InputT ||
                     first->type == RegisterType::Texture)))
    return std::nullopt;
  uint8_t lanes[4];
  const bool sampler = first->type == vreg::Sampler || first->type == RegisterType::Sampler;
  if (oneLane && !identity && !sampler) {
    std::fill(lanes, lanes + 4, first->lane);
  } else if (identityLanes || sampler) { // samplers are named whole
    for (uint8_t p = 0; p < 4; ++p) lanes[p] = p;
  } else {
    // Unread positions repeat the lane before them (or the first lane read).
    uint8_t last = first->lane;
    for (size_t p = 0; p < 4; ++p) {
      if (read[p]) last = read[p]->lane;
      lanes[p] = last;
    }
    for (size_t p = 0; p < 4 && !read[p]; ++p) lanes[p] = first->lane;
  }
  const uint8_t swizzle = MakeSwizzle(lanes[0], lanes[1], lanes[2], lanes[3]);
  if (!profile.SwizzleAllowed(swizzle)) return std::nullopt;
  SourceParameter s;
  s.type = first->type;
  s.number = first->number;
  s.swizzle = swizzle;
  s.modifier = first->negate ? SourceModifier::Neg : SourceModifier::None;
  return s;
}

// Moves the components into a new temporary, each at its own position.
CodeEmitter::Positions CodeEmitter::Materialize(const Positions &given) {
  const Positions read = PlaceLiterals(given);
  std::vector<uint64_t> key;
  for (const auto &c : read)
    key.push_back(c ? (static_cast<uint64_t>(c->type) << 48 |
                       static_cast<uint64_t>(c->number) << 8 | static_cast<uint64_t>(c->lane) << 1 |
                       (c->negate ? 1 : 0))
                    : ~uint64_t{0});
  const auto cached = gathered.find(key);
  const uint32_t temp = cached != gathered.end() ? cached->second : NewTemp();
  if (cached != gathered.end()) {
    Positions out;
    for (size_t p = 0; p < 4; ++p)
      if (read[p]) out[p] = Component::Lane(vreg::Temp, temp, static_cast<uint8_t>(p));
    return out;
  }
  gathered[key] = temp;
  bool done[4] = {false, false, false, false};
  for (size_t p = 0; p < 4; ++p) {
    if (!read[p] || done[p]) continue;
    Positions group;
    uint8_t mask = 0;
    for (size_t q = p; q < 4; ++q)
      if (read[q] && !done[q] && read[q]->SameRegister(*read[p]) &&
          read[q]->negate == read[p]->negate) {
        group[q] = read[q];
        mask = static_cast<uint8_t>(mask | (1 << q));
        done[q] = true;
      }
    std::vector<std::pair<uint8_t, SourceParameter>> moves;
    if (const std::optional<SourceParameter> direct = Direct(group, false)) {
      moves.emplace_back(mask, *direct);
    } else {
      // Pixel shader swizzles: one move per source lane, each with a replicate swizzle.
      for (uint8_t lane = 0; lane < 4; ++lane) {
        Positions single;
        uint8_t singleMask = 0;
        for (size_t q = 0; q < 4; ++q)
          if (group[q] && group[q]->lane == lane) {
            single[q] = group[q];
            singleMask = static_cast<uint8_t>(singleMask | (1 << q));
          }
        if (singleMask) moves.emplace_back(singleMask, *Direct(single, false));
      }
    }
    for (const auto &[moveMask, source] : moves) {
      Instruction mov;
      mov.opcode = Opcode::Mov;
      mov.hasDestination = true;
      mov.dst.type = vreg::Temp;
      mov.dst.number = temp;
      mov.dst.writeMask = moveMask;
      mov.sourceCount = 1;
      mov.src[0] = source;
      Append(std::move(mov));
    }
  }
  Positions out;
  for (size_t p = 0; p < 4; ++p)
    if (read[p]) out[p] = Component::Lane(vreg::Temp, temp, static_cast<uint8_t>(p));
  return out;
}

SourceParameter CodeEmitter::Operand(Positions read, bool identity) {
  for (const auto &c : read)
    if (c && c->kind == Component::Kind::Undefined)
      diagnostics.Error(location, error::kUninitialized,
                        "variable used without having been completely initialized");
  bool literals = false, registers = false;
  for (const auto &c : read) {
    literals |= c && c->IsLiteral();
    registers |= c && c->IsRegister();
  }
  if (literals && !registers) read = PlaceLiterals(read);
  if (const std::optional<SourceParameter> direct = Direct(read, identity)) return *direct;
  return *Direct(Materialize(read), identity);
}

bool CodeEmitter::FormsOperand(const Components &value) const {
  Positions read;
  for (size_t p = 0; p < value.size() && p < 4; ++p) read[p] = value[p];
  return Direct(read, false).has_value();
}

uint8_t CodeEmitter::DependentLevel(const SourceParameter &s) const {
  if (s.type != vreg::Temp) return 0;
  const auto found = textureLevel.find(s.number);
  return found == textureLevel.end() ? 0 : found->second;
}

void CodeEmitter::Append(Instruction in) {
  if (code.size() >= kMaxInstructions)
    diagnostics.Error(location, error::kShaderTooLarge, "the shader is too large to compile");
  if (in.hasDestination && in.dst.type == vreg::Temp) {
    uint8_t level = 0;
    for (uint8_t i = 0; i < in.sourceCount; ++i) level = std::max(level, DependentLevel(in.src[i]));
    if (in.opcode == Opcode::Tex) {
      level = static_cast<uint8_t>(DependentLevel(in.src[0]) + 1);
      if (level > profile.dependentReads)
        diagnostics.Error(location, error::kDependentReadTooDeep,
                          "texture reads depend on texture reads more than " +
                              std::to_string(profile.dependentReads) + " deep, the most " +
                              profile.name + " allows");
    }
    if (level) {
      uint8_t &known = textureLevel[in.dst.number];
      known = std::max(known, level);
    }
  }
  code.push_back(std::move(in));
}

Components CodeEmitter::Emit(Opcode op, uint8_t mask, const std::vector<Components> &sources,
                             uint8_t modifiers, uint8_t controls) {
  const int count = static_cast<int>(sources.size());
  std::vector<Positions> reads(sources.size());
  bool allLiteral = true;
  for (int i = 0; i < count; ++i) {
    const Components &s = sources[i];
    const uint8_t lanes = ReadLanes(op, i, mask, s.size());
    for (size_t p = 0; p < 4; ++p) {
      if (!(lanes & (1 << p)) || s.empty()) continue;
      const Component &c = s[std::min(p, s.size() - 1)];
      if (c.kind == Component::Kind::Undefined)
        diagnostics.Error(location, error::kUninitialized,
                          "variable used without having been completely initialized");
      reads[i][p] = c;
      allLiteral &= c.IsLiteral();
    }
  }

  Lanes folded;
  if (allLiteral) {
    std::vector<Lanes> values(sources.size());
    for (int i = 0; i < count; ++i)
      for (size_t p = 0; p < 4; ++p) values[i][p] = reads[i][p] ? reads[i][p]->value : 0.0f;
    if (FoldInstruction(op, values.data(), count, folded)) {
      Components out;
      for (size_t p = 0; p < 4; ++p) {
        if (!(mask & (1 << p))) continue;
        float v = folded[p];
        if (modifiers & kResultSaturate)
          v = v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; // NaN saturates to 0
        out.push_back(Component::Constant(v));
      }
      return out;
    }
  }

  // Sources made only of literals share one constant register where they fit, since an
  // instruction reads one constant register.
  std::vector<float> literals;
  const auto literalOnly = [](const Positions &read) {
    bool any = false;
    for (const auto &c : read) {
      if (c && !c->IsLiteral()) return false;
      any |= c.has_value();
    }
    return any;
  };
  for (const Positions &read : reads)
    if (literalOnly(read))
      for (const auto &c : read)
        if (c) literals.push_back(c->value);
  if (!literals.empty()) {
    const std::vector<ConstantPool::Slot> slots = pool.Place(literals);
    size_t next = 0;
    for (Positions &read : reads)
      if (literalOnly(read))
        for (auto &c : read) {
          if (!c) continue;
          c = Component::Lane(vreg::Literal, slots[next].reg, slots[next].lane);
          ++next;
        }
  }

  Instruction in;
  in.opcode = op;
  in.controls = controls;
  in.hasDestination = true;
  in.dst.type = vreg::Temp;
  in.dst.writeMask = mask;
  in.dst.modifiers = modifiers;
  in.sourceCount = static_cast<uint8_t>(count);
  for (int i = 0; i < count; ++i) in.src[i] = Operand(reads[i], op == Opcode::Tex && i == 0);

  // Read ports: one constant, one colour input and one texture coordinate register per
  // instruction (sincos's own two constants apart); later sources move to temporaries.
  // Beyond that, a profile may limit how many sources name such a register at all.
  const int checked = op == Opcode::SinCos ? 1 : count;
  for (vreg::PortClass portClass :
       {vreg::PortClass::Constant, vreg::PortClass::ColorInput, vreg::PortClass::TextureInput}) {
    const uint32_t limit = portClass == vreg::PortClass::Constant       ? profile.constantReads
                           : portClass == vreg::PortClass::TextureInput ? profile.textureReads
                                                                        : 0;
    const SourceParameter *first = nullptr;
    uint32_t sources = 0;
    for (int i = 0; i < checked; ++i) {
      if (vreg::ClassOf(in.src[i].type) != portClass) continue;
      if (!first) first = &in.src[i];
      const bool otherRegister = in.src[i].type != first->type || in.src[i].number != first->number;
      if (otherRegister || (limit && ++sources > limit))
        in.src[i] = Operand(Materialize(reads[i]), op == Opcode::Tex && i == 0);
    }
  }

  std::vector<uint64_t> key = {static_cast<uint64_t>(op) << 32 | static_cast<uint64_t>(mask) << 16 |
                               static_cast<uint64_t>(modifiers) << 8 | controls};
  for (int i = 0; i < count; ++i) {
    const SourceParameter &s = in.src[i];
    key.push_back(static_cast<uint64_t>(s.type) << 56 | static_cast<uint64_t>(s.number) << 24 |
                  static_cast<uint64_t>(s.swizzle) << 8 | static_cast<uint64_t>(s.modifier));
  }
  uint32_t temp;
  if (const auto known = computed.find(key); known != computed.end()) {
    temp = known->second;
  } else {
    temp = in.dst.number = NewTemp();
    computed.emplace(std::move(key), temp);
    Append(std::move(in));
  }
  Components out;
  for (uint8_t p = 0; p < 4; ++p)
    if (mask & (1 << p)) out.push_back(Component::Lane(vreg::Temp, temp, p));
  return out;
}

void CodeEmitter::Output(RegisterType type, uint32_t number, uint8_t mask,
                         const Components &value) {
  Positions read;
  for (size_t p = 0; p < 4; ++p)
    if (mask & (1 << p)) read[p] = value[std::min(p, value.size() - 1)];
  Instruction mov;
  mov.opcode = Opcode::Mov;
  mov.hasDestination = true;
  mov.dst.type = type;
  mov.dst.number = number;
  mov.dst.writeMask = mask;
  mov.sourceCount = 1;
  mov.src[0] = Operand(read, false);
  Append(std::move(mov));
}

void CodeEmitter::Kill(const Components &value) {
  Positions read;
  for (size_t p = 0; p < 4; ++p) read[p] = value[std::min(p, value.size() - 1)];
  const SourceParameter s = Operand(read, true);
  Instruction kill;
  kill.opcode = Opcode::TexKill;
  kill.hasDestination = true;
  kill.dst.type = s.type;
  kill.dst.number = s.number;
  Append(std::move(kill));
}

} // namespace zrq::d3dx9
