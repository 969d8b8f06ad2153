// The Direct3D 9 shader token format: opcodes, register types and the bit fields of the
// version, instruction and parameter tokens, as every Direct3D 9 runtime reads them.
#pragma once

#include <cstdint>

namespace zrq::d3dx9 {

enum class Opcode : uint16_t {
  Nop = 0,
  Mov = 1,
  Add = 2,
  Sub = 3,
  Mad = 4,
  Mul = 5,
  Rcp = 6,
  Rsq = 7,
  Dp3 = 8,
  Dp4 = 9,
  Min = 10,
  Max = 11,
  Slt = 12,
  Sge = 13,
  Exp = 14,
  Log = 15,
  Lit = 16,
  Dst = 17,
  Lrp = 18,
  Frc = 19,
  M4x4 = 20,
  M4x3 = 21,
  M3x4 = 22,
  M3x3 = 23,
  M3x2 = 24,
  Call = 25,
  CallNz = 26,
  Loop = 27,
  Ret = 28,
  EndLoop = 29,
  Label = 30,
  Dcl = 31,
  Pow = 32,
  Crs = 33,
  Sgn = 34,
  Abs = 35,
  Nrm = 36,
  SinCos = 37,
  Rep = 38,
  EndRep = 39,
  If = 40,
  Ifc = 41,
  Else = 42,
  EndIf = 43,
  Break = 44,
  Breakc = 45,
  Mova = 46,
  DefB = 47,
  DefI = 48,
  TexKill = 65,
  Tex = 66,
  Expp = 78,
  Logp = 79,
  Def = 81,
  Cmp = 88,
  Dp2Add = 90,
  Dsx = 91,
  Dsy = 92,
  TexLdd = 93,
  Setp = 94,
  TexLdl = 95,
  Breakp = 96,
  Comment = 0xFFFE,
  End = 0xFFFF,
};

// Register types; the five-bit number is split over two fields of a parameter token.
enum class RegisterType : uint8_t {
  Temp = 0,
  Input = 1,
  Const = 2,
  Texture = 3,  // t# in pixel shaders; a0 (Addr) in vertex shaders
  RastOut = 4,
  AttrOut = 5,
  TexCrdOut = 6,  // oT# up to 2.0; o# in vs_3_0
  ConstInt = 7,
  ColorOut = 8,
  DepthOut = 9,
  Sampler = 10,
  Const2 = 11,
  Const3 = 12,
  Const4 = 13,
  ConstBool = 14,
  Loop = 15,
  TempFloat16 = 16,
  MiscType = 17,
  Label = 18,
  Predicate = 19,
};
constexpr RegisterType kAddrRegister = RegisterType::Texture;

enum class SourceModifier : uint8_t {
  None = 0,
  Neg = 1,
  Bias = 2,
  BiasNeg = 3,
  Sign = 4,
  SignNeg = 5,
  Comp = 6,
  X2 = 7,
  X2Neg = 8,
  Dz = 9,
  Dw = 10,
  Abs = 11,
  AbsNeg = 12,
  Not = 13,
};

// Result modifiers of a destination parameter (bits, combinable).
constexpr uint8_t kResultSaturate = 1;
constexpr uint8_t kResultPartialPrecision = 2;
constexpr uint8_t kResultCentroid = 4;

// Texture types of a sampler declaration.
enum class SamplerType : uint8_t { Unknown = 0, Tex1D = 1, Tex2D = 2, Cube = 3, Volume = 4 };

// Comparisons of ifc, breakc and setp (the instruction's specific controls).
enum class Comparison : uint8_t { None = 0, Gt = 1, Eq = 2, Ge = 3, Lt = 4, Ne = 5, Le = 6 };

// Specific controls of texld.
constexpr uint8_t kTexLdProject = 1;
constexpr uint8_t kTexLdBias = 2;

namespace token {

constexpr uint32_t kParameterBit = 0x80000000u;
constexpr uint32_t kOpcodeMask = 0x0000FFFFu;
constexpr uint32_t kControlsShift = 16;
constexpr uint32_t kControlsMask = 0x00FF0000u;
constexpr uint32_t kLengthShift = 24;
constexpr uint32_t kLengthMask = 0x0F000000u;
constexpr uint32_t kPredicatedBit = 0x10000000u;
constexpr uint32_t kCoissueBit = 0x40000000u;
constexpr uint32_t kCommentSizeShift = 16;
constexpr uint32_t kCommentSizeMask = 0x7FFF0000u;

constexpr uint32_t kRegNumberMask = 0x000007FFu;
constexpr uint32_t kRegTypeShift = 28;
constexpr uint32_t kRegTypeMask = 0x70000000u;
constexpr uint32_t kRegTypeShift2 = 8;  // bits 3-4 of the type land in bits 11-12
constexpr uint32_t kRegTypeMask2 = 0x00001800u;
constexpr uint32_t kRelativeBit = 0x00002000u;
constexpr uint32_t kWriteMaskShift = 16;
constexpr uint32_t kWriteMaskMask = 0x000F0000u;
constexpr uint32_t kResultModShift = 20;
constexpr uint32_t kResultModMask = 0x00F00000u;
constexpr uint32_t kShiftShift = 24;
constexpr uint32_t kShiftMask = 0x0F000000u;
constexpr uint32_t kSwizzleShift = 16;
constexpr uint32_t kSwizzleMask = 0x00FF0000u;
constexpr uint32_t kSourceModShift = 24;
constexpr uint32_t kSourceModMask = 0x0F000000u;

constexpr uint32_t kUsageMask = 0x0000001Fu;
constexpr uint32_t kUsageIndexShift = 16;
constexpr uint32_t kUsageIndexMask = 0x000F0000u;
constexpr uint32_t kSamplerTypeShift = 27;
constexpr uint32_t kSamplerTypeMask = 0x78000000u;

constexpr uint32_t kEndToken = 0x0000FFFFu;
constexpr uint32_t kVertexShaderType = 0xFFFE0000u;
constexpr uint32_t kPixelShaderType = 0xFFFF0000u;

constexpr uint32_t Version(bool pixel, uint32_t major, uint32_t minor) {
  return (pixel ? kPixelShaderType : kVertexShaderType) | (major << 8) | minor;
}

}  // namespace token

// Swizzles are four two-bit lane selectors, lane 0 in the low bits.
constexpr uint8_t kIdentitySwizzle = 0xE4;  // .xyzw
constexpr uint8_t MakeSwizzle(uint8_t x, uint8_t y, uint8_t z, uint8_t w) {
  return static_cast<uint8_t>(x | (y << 2) | (z << 4) | (w << 6));
}
constexpr uint8_t ReplicateSwizzle(uint8_t lane) { return MakeSwizzle(lane, lane, lane, lane); }
constexpr uint8_t SwizzleLane(uint8_t swizzle, unsigned position) {
  return static_cast<uint8_t>((swizzle >> (2 * position)) & 3);
}

}  // namespace zrq::d3dx9
