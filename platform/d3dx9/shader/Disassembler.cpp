#include "platform/d3dx9/shader/Disassembler.h"

#include <d3dx9.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/d3dx9/shader/ConstantTableReader.h"
#include "platform/d3dx9/shader/FloatText.h"
#include "platform/d3dx9/shader/OpcodeTable.h"

namespace zrq::d3dx9 {
namespace {

std::string DefinedFloat(uint32_t bits) {
  float f;
  std::memcpy(&f, &bits, 4);
  // Values that have no decimal spelling keep their bits, which the assembler reads back.
  if (f != f || f - f != 0.0f) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", bits);
    return text;
  }
  return FloatText(f);
}

std::string SourceText(const SourceParameter &s, ShaderKind kind) {
  std::string reg = RegisterName(s.type, s.number, kind);
  if (s.relative) {
    const RelativeAddress address = kind.major >= 2 ? s.address : RelativeAddress{};
    reg +=
        "[" + RegisterName(address.type, address.number, kind) + "." + "xyzw"[address.lane] + "]";
  }
  const std::string swizzle = SwizzleText(s.swizzle);
  const auto suffixed = [&](const char *prefix, const char *suffix) {
    return std::string(prefix) + reg + suffix + swizzle;
  };
  switch (s.modifier) {
  case SourceModifier::None:
    return suffixed("", "");
  case SourceModifier::Neg:
    return suffixed("-", "");
  case SourceModifier::Bias:
    return suffixed("", "_bias");
  case SourceModifier::BiasNeg:
    return suffixed("-", "_bias");
  case SourceModifier::Sign:
    return suffixed("", "_bx2");
  case SourceModifier::SignNeg:
    return suffixed("-", "_bx2");
  case SourceModifier::Comp:
    return suffixed("1 - ", "");
  case SourceModifier::X2:
    return suffixed("", "_x2");
  case SourceModifier::X2Neg:
    return suffixed("-", "_x2");
  case SourceModifier::Dz:
    return suffixed("", "_dz");
  case SourceModifier::Dw:
    return suffixed("", "_dw");
  case SourceModifier::Abs:
    return suffixed("", "_abs");
  case SourceModifier::AbsNeg:
    return suffixed("-", "_abs");
  case SourceModifier::Not:
    return suffixed("!", "");
  }
  return reg;
}

std::string DestinationText(const DestinationParameter &d, ShaderKind kind) {
  return RegisterName(d.type, d.number, kind) + WriteMaskText(d.writeMask);
}

std::string ResultSuffix(const DestinationParameter &d) {
  std::string text;
  static const char *const kShifts[] = {"", "_x2", "_x4", "_x8", "", "",    "",    "",
                                        "", "",    "",    "",    "", "_d8", "_d4", "_d2"};
  text += kShifts[d.shift & 0xF];
  if (d.modifiers & kResultSaturate) text += "_sat";
  if (d.modifiers & kResultPartialPrecision) text += "_pp";
  if (d.modifiers & kResultCentroid) text += "_centroid";
  return text;
}

std::string DeclarationName(const Instruction &in, ShaderKind kind) {
  std::string name = "dcl";
  if (in.dst.type == RegisterType::Sampler) {
    const auto type = static_cast<SamplerType>((in.declaration & token::kSamplerTypeMask) >>
                                               token::kSamplerTypeShift);
    if (const char *typeName = SamplerTypeName(type)) name += std::string("_") + typeName;
    return name;
  }
  // Usages name vertex inputs and, from 3.0, every input and output; earlier pixel shader
  // inputs are declared by register alone.
  if (kind.pixel && kind.major < 3) return name;
  const uint32_t usage = in.declaration & token::kUsageMask;
  const uint32_t index = (in.declaration & token::kUsageIndexMask) >> token::kUsageIndexShift;
  if (const char *usageName = UsageName(usage)) {
    name += std::string("_") + usageName;
    if (index) name += std::to_string(index);
  }
  return name;
}

std::string OpcodeName(const Instruction &in, const OpcodeInfo &info) {
  std::string name = info.name;
  if (in.opcode == Opcode::Tex) {
    if (in.controls == kTexLdProject) name += "p";
    if (in.controls == kTexLdBias) name += "b";
  }
  if (in.opcode == Opcode::Ifc || in.opcode == Opcode::Breakc || in.opcode == Opcode::Setp)
    name += std::string("_") + ComparisonName(static_cast<Comparison>(in.controls));
  return name;
}

unsigned Slots(const Instruction &in, ShaderKind kind) {
  const OpcodeInfo *info = FindOpcode(in.opcode);
  if (!info) return 0;
  if (kind.pixel) return info->pixelSlots;
  // frc is a macro of three slots in 1.x vertex shaders and one instruction from 2.0.
  if (in.opcode == Opcode::Frc && kind.major >= 2) return 1;
  return info->vertexSlots;
}

bool IsTextureInstruction(Opcode opcode) {
  return opcode == Opcode::Tex || opcode == Opcode::TexKill || opcode == Opcode::TexLdd ||
         opcode == Opcode::TexLdl;
}

std::string TypeText(const ConstantType &t) {
  if (t.parameterClass == D3DXPC_OBJECT) {
    switch (t.parameterType) {
    case D3DXPT_SAMPLER1D:
      return "sampler1D";
    case D3DXPT_SAMPLER2D:
      return "sampler2D";
    case D3DXPT_SAMPLER3D:
      return "sampler3D";
    case D3DXPT_SAMPLERCUBE:
      return "samplerCUBE";
    case D3DXPT_TEXTURE:
      return "texture";
    default:
      return "sampler";
    }
  }
  if (t.parameterClass == D3DXPC_STRUCT) {
    std::string text = "struct {";
    for (const ConstantMember &m : t.members) text += " " + TypeText(m.type) + " " + m.name + ";";
    return text + " }";
  }
  std::string base = t.parameterType == D3DXPT_INT    ? "int"
                     : t.parameterType == D3DXPT_BOOL ? "bool"
                                                      : "float";
  switch (t.parameterClass) {
  case D3DXPC_VECTOR:
    return base + std::to_string(t.columns);
  case D3DXPC_MATRIX_ROWS:
    return "row_major " + base + std::to_string(t.rows) + "x" + std::to_string(t.columns);
  case D3DXPC_MATRIX_COLUMNS:
    return base + std::to_string(t.rows) + "x" + std::to_string(t.columns);
  default:
    return base;
  }
}

const char *RegisterSetPrefix(uint16_t set) {
  switch (set) {
  case D3DXRS_BOOL:
    return "b";
  case D3DXRS_INT4:
    return "i";
  case D3DXRS_SAMPLER:
    return "s";
  default:
    return "c";
  }
}

void ListConstantTable(const ConstantTableModel &table, std::string &out) {
  out += "//\n// Generated by " + table.creator + "\n//\n";
  if (table.constants.empty()) return;
  out += "// Parameters:\n//\n";
  for (const ConstantEntry &c : table.constants) {
    out += "//   " + TypeText(c.type) + " " + c.name;
    if (c.type.elements > 1) out += "[" + std::to_string(c.type.elements) + "]";
    out += ";\n";
  }
  std::vector<const ConstantEntry *> byRegister;
  size_t nameWidth = 4, regWidth = 5;
  for (const ConstantEntry &c : table.constants) {
    byRegister.push_back(&c);
    nameWidth = std::max(nameWidth, c.name.size());
    regWidth = std::max(regWidth, std::strlen(RegisterSetPrefix(c.registerSet)) +
                                      std::to_string(c.registerIndex).size());
  }
  std::stable_sort(byRegister.begin(), byRegister.end(),
                   [](const ConstantEntry *a, const ConstantEntry *b) {
                     return a->registerSet != b->registerSet ? a->registerSet < b->registerSet
                                                             : a->registerIndex < b->registerIndex;
                   });
  const auto row = [&](const std::string &name, const std::string &reg, const std::string &size) {
    std::string line = "//   " + name + std::string(nameWidth - name.size() + 1, ' ') + reg +
                       std::string(regWidth - reg.size() + 1, ' ') +
                       std::string(4 - std::min<size_t>(4, size.size()), ' ') + size;
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out += line + "\n";
  };
  out += "//\n//\n// Registers:\n//\n";
  row("Name", "Reg", "Size");
  row(std::string(nameWidth, '-'), std::string(regWidth, '-'), "----");
  for (const ConstantEntry *c : byRegister)
    row(c->name, RegisterSetPrefix(c->registerSet) + std::to_string(c->registerIndex),
        std::to_string(c->registerCount));
  out += "//\n";
}

std::string VersionText(const DecodedShader &shader) {
  std::string text = shader.IsPixelShader() ? "ps_" : "vs_";
  text += std::to_string(shader.Major()) + "_";
  switch (shader.Minor()) {
  case 1:
    return text + (shader.Major() >= 2 ? "x" : "1");
  case 0xFF:
    return text + "sw";
  default:
    return text + std::to_string(shader.Minor());
  }
}

} // namespace

std::string InstructionText(const Instruction &in, ShaderKind kind) {
  const OpcodeInfo *info = FindOpcode(in.opcode);
  if (!info) return "// unknown opcode " + std::to_string(static_cast<unsigned>(in.opcode));
  std::string text;
  if (in.coissue) text += "+";
  if (in.predicated) text += "(" + SourceText(in.predicate, kind) + ") ";
  if (in.opcode == Opcode::Dcl)
    return text + DeclarationName(in, kind) + ResultSuffix(in.dst) + " " +
           DestinationText(in.dst, kind);
  if (in.opcode == Opcode::Def || in.opcode == Opcode::DefI || in.opcode == Opcode::DefB) {
    text += std::string(info->name) + " " + DestinationText(in.dst, kind);
    for (int i = 0; i < (in.opcode == Opcode::DefB ? 1 : 4); ++i) {
      text += ", ";
      if (in.opcode == Opcode::Def)
        text += DefinedFloat(in.values[i]);
      else if (in.opcode == Opcode::DefI)
        text += std::to_string(static_cast<int32_t>(in.values[i]));
      else
        text += in.values[i] ? "true" : "false";
    }
    return text;
  }
  text += OpcodeName(in, *info);
  if (in.hasDestination) text += ResultSuffix(in.dst);
  const char *separator = " ";
  if (in.hasDestination) {
    text += separator + DestinationText(in.dst, kind);
    separator = ", ";
  }
  for (uint8_t i = 0; i < in.sourceCount; ++i) {
    text += separator + SourceText(in.src[i], kind);
    separator = ", ";
  }
  return text;
}

std::string Disassemble(const DecodedShader &shader, std::string_view comments) {
  const ShaderKind kind{shader.IsPixelShader(), shader.Major()};
  std::string out;
  while (!comments.empty()) {
    const size_t end = comments.find('\n');
    out += "// " + std::string(comments.substr(0, end)) + "\n";
    comments.remove_prefix(end == std::string_view::npos ? comments.size() : end + 1);
  }
  if (const Instruction *ctab = FindConstantTableComment(shader)) {
    ConstantTableModel table;
    std::string error;
    const auto *bytes = reinterpret_cast<const uint8_t *>(ctab->comment.data() + 1);
    if (ReadConstantTable(bytes, (ctab->comment.size() - 1) * 4, table, error))
      ListConstantTable(table, out);
    else
      out += "// constant table not readable: " + error + "\n";
  }
  out += "    " + VersionText(shader) + "\n";
  unsigned arithmetic = 0, texture = 0;
  for (const Instruction &in : shader.instructions) {
    if (in.opcode == Opcode::Comment) continue;
    out += "    " + InstructionText(in, kind) + "\n";
    (IsTextureInstruction(in.opcode) ? texture : arithmetic) += Slots(in, kind);
  }
  out += "\n// approximately " + std::to_string(arithmetic + texture) + " instruction slots used";
  if (kind.pixel)
    out +=
        " (" + std::to_string(texture) + " texture, " + std::to_string(arithmetic) + " arithmetic)";
  out += "\n";
  return out;
}

} // namespace zrq::d3dx9
