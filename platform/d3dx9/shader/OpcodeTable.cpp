#include "platform/d3dx9/shader/OpcodeTable.h"

#include <iterator>

namespace zrq::d3dx9 {
namespace {

constexpr OpcodeInfo kOpcodes[] = {
    {Opcode::Nop, "nop", 0, 0, 1, 1},         {Opcode::Mov, "mov", 1, 1, 1, 1},
    {Opcode::Add, "add", 1, 2, 1, 1},         {Opcode::Sub, "sub", 1, 2, 1, 1},
    {Opcode::Mad, "mad", 1, 3, 1, 1},         {Opcode::Mul, "mul", 1, 2, 1, 1},
    {Opcode::Rcp, "rcp", 1, 1, 1, 1},         {Opcode::Rsq, "rsq", 1, 1, 1, 1},
    {Opcode::Dp3, "dp3", 1, 2, 1, 1},         {Opcode::Dp4, "dp4", 1, 2, 1, 1},
    {Opcode::Min, "min", 1, 2, 1, 1},         {Opcode::Max, "max", 1, 2, 1, 1},
    {Opcode::Slt, "slt", 1, 2, 1, 1},         {Opcode::Sge, "sge", 1, 2, 1, 1},
    {Opcode::Exp, "exp", 1, 1, 1, 1},         {Opcode::Log, "log", 1, 1, 1, 1},
    {Opcode::Lit, "lit", 1, 1, 3, 1},         {Opcode::Dst, "dst", 1, 2, 1, 1},
    {Opcode::Lrp, "lrp", 1, 3, 2, 2},         {Opcode::Frc, "frc", 1, 1, 3, 1},
    {Opcode::M4x4, "m4x4", 1, 2, 4, 4},       {Opcode::M4x3, "m4x3", 1, 2, 3, 3},
    {Opcode::M3x4, "m3x4", 1, 2, 4, 4},       {Opcode::M3x3, "m3x3", 1, 2, 3, 3},
    {Opcode::M3x2, "m3x2", 1, 2, 2, 2},       {Opcode::Call, "call", 0, 1, 2, 2},
    {Opcode::CallNz, "callnz", 0, 2, 3, 3},   {Opcode::Loop, "loop", 0, 2, 3, 3},
    {Opcode::Ret, "ret", 0, 0, 1, 1},         {Opcode::EndLoop, "endloop", 0, 0, 2, 2},
    {Opcode::Label, "label", 0, 1, 0, 0},     {Opcode::Dcl, "dcl", 1, 0, 0, 0},
    {Opcode::Pow, "pow", 1, 2, 3, 3},         {Opcode::Crs, "crs", 1, 2, 2, 2},
    {Opcode::Sgn, "sgn", 1, 3, 3, 3},         {Opcode::Abs, "abs", 1, 1, 1, 1},
    {Opcode::Nrm, "nrm", 1, 1, 3, 3},         {Opcode::SinCos, "sincos", 1, 3, 8, 8},
    {Opcode::Rep, "rep", 0, 1, 3, 3},         {Opcode::EndRep, "endrep", 0, 0, 2, 2},
    {Opcode::If, "if", 0, 1, 3, 3},           {Opcode::Ifc, "if", 0, 2, 3, 3},
    {Opcode::Else, "else", 0, 0, 1, 1},       {Opcode::EndIf, "endif", 0, 0, 1, 1},
    {Opcode::Break, "break", 0, 0, 1, 1},     {Opcode::Breakc, "break", 0, 2, 3, 3},
    {Opcode::Mova, "mova", 1, 1, 1, 1},       {Opcode::DefB, "defb", 1, 0, 0, 0},
    {Opcode::DefI, "defi", 1, 0, 0, 0},       {Opcode::TexKill, "texkill", 1, 0, 1, 1},
    {Opcode::Tex, "texld", 1, 2, 1, 1},       {Opcode::Expp, "expp", 1, 1, 1, 1},
    {Opcode::Logp, "logp", 1, 1, 1, 1},       {Opcode::Def, "def", 1, 0, 0, 0},
    {Opcode::Cmp, "cmp", 1, 3, 1, 1},         {Opcode::Dp2Add, "dp2add", 1, 3, 2, 2},
    {Opcode::Dsx, "dsx", 1, 1, 2, 2},         {Opcode::Dsy, "dsy", 1, 1, 2, 2},
    {Opcode::TexLdd, "texldd", 1, 4, 3, 3},   {Opcode::Setp, "setp", 1, 2, 1, 1},
    {Opcode::TexLdl, "texldl", 1, 2, 2, 2},   {Opcode::Breakp, "breakp", 0, 1, 3, 3},
    {Opcode::Comment, "comment", 0, 0, 0, 0}, {Opcode::End, "end", 0, 0, 0, 0},
};

} // namespace

const OpcodeInfo *FindOpcode(Opcode opcode) {
  for (const OpcodeInfo &info : kOpcodes)
    if (info.opcode == opcode) return &info;
  return nullptr;
}

const OpcodeInfo *FindOpcode(std::string_view name) {
  // Ifc and Breakc share their names with If and Break, which come first: a bare name is the
  // form without a comparison.
  for (const OpcodeInfo &info : kOpcodes)
    if (name == info.name) return &info;
  return nullptr;
}

uint8_t SourceCount(const OpcodeInfo &info, uint32_t major) {
  if (info.opcode == Opcode::SinCos && major >= 3) return 1;
  return info.sources;
}

uint8_t SourcePositions(Opcode op, int index, uint8_t writeMask) {
  if (op == Opcode::Dp3 || op == Opcode::Crs || op == Opcode::Nrm) return 0x7;
  if (op == Opcode::Dp4) return 0xF;
  if (op == Opcode::Tex || op == Opcode::TexLdl || op == Opcode::TexLdd)
    return index == 0 ? 0xF : 0x1;
  if (op == Opcode::Dp2Add) return index < 2 ? 0x3 : 0x1;
  if (op == Opcode::Rcp || op == Opcode::Rsq || op == Opcode::Exp || op == Opcode::Log ||
      op == Opcode::Expp || op == Opcode::Logp || op == Opcode::Pow)
    return 0x1;
  if (op == Opcode::SinCos) return index == 0 ? 0x1 : 0xF;
  if (op == Opcode::M4x4 || op == Opcode::M4x3) return 0xF;
  if (op == Opcode::M3x4 || op == Opcode::M3x3 || op == Opcode::M3x2) return 0x7;
  return writeMask;
}

} // namespace zrq::d3dx9
