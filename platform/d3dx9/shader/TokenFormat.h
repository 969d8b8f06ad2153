// The Direct3D 9 shader token format as the tool chain names it: typed views of the public
// opcodes, register types and bit fields of d3d9types.h, which the device reads too.
#pragma once

#include <d3d9types.h>

#include <cstdint>

namespace zrq::d3dx9 {

enum class Opcode : uint16_t {
  Nop = D3DSIO_NOP,
  Mov = D3DSIO_MOV,
  Add = D3DSIO_ADD,
  Sub = D3DSIO_SUB,
  Mad = D3DSIO_MAD,
  Mul = D3DSIO_MUL,
  Rcp = D3DSIO_RCP,
  Rsq = D3DSIO_RSQ,
  Dp3 = D3DSIO_DP3,
  Dp4 = D3DSIO_DP4,
  Min = D3DSIO_MIN,
  Max = D3DSIO_MAX,
  Slt = D3DSIO_SLT,
  Sge = D3DSIO_SGE,
  Exp = D3DSIO_EXP,
  Log = D3DSIO_LOG,
  Lit = D3DSIO_LIT,
  Dst = D3DSIO_DST,
  Lrp = D3DSIO_LRP,
  Frc = D3DSIO_FRC,
  M4x4 = D3DSIO_M4x4,
  M4x3 = D3DSIO_M4x3,
  M3x4 = D3DSIO_M3x4,
  M3x3 = D3DSIO_M3x3,
  M3x2 = D3DSIO_M3x2,
  Call = D3DSIO_CALL,
  CallNz = D3DSIO_CALLNZ,
  Loop = D3DSIO_LOOP,
  Ret = D3DSIO_RET,
  EndLoop = D3DSIO_ENDLOOP,
  Label = D3DSIO_LABEL,
  Dcl = D3DSIO_DCL,
  Pow = D3DSIO_POW,
  Crs = D3DSIO_CRS,
  Sgn = D3DSIO_SGN,
  Abs = D3DSIO_ABS,
  Nrm = D3DSIO_NRM,
  SinCos = D3DSIO_SINCOS,
  Rep = D3DSIO_REP,
  EndRep = D3DSIO_ENDREP,
  If = D3DSIO_IF,
  Ifc = D3DSIO_IFC,
  Else = D3DSIO_ELSE,
  EndIf = D3DSIO_ENDIF,
  Break = D3DSIO_BREAK,
  Breakc = D3DSIO_BREAKC,
  Mova = D3DSIO_MOVA,
  DefB = D3DSIO_DEFB,
  DefI = D3DSIO_DEFI,
  TexKill = D3DSIO_TEXKILL,
  Tex = D3DSIO_TEX,
  Expp = D3DSIO_EXPP,
  Logp = D3DSIO_LOGP,
  Def = D3DSIO_DEF,
  Cmp = D3DSIO_CMP,
  Dp2Add = D3DSIO_DP2ADD,
  Dsx = D3DSIO_DSX,
  Dsy = D3DSIO_DSY,
  TexLdd = D3DSIO_TEXLDD,
  Setp = D3DSIO_SETP,
  TexLdl = D3DSIO_TEXLDL,
  Breakp = D3DSIO_BREAKP,
  Comment = D3DSIO_COMMENT,
  End = D3DSIO_END,
};

// Register types; the five-bit number is split over two fields of a parameter token.
enum class RegisterType : uint8_t {
  Temp = D3DSPR_TEMP,
  Input = D3DSPR_INPUT,
  Const = D3DSPR_CONST,
  Texture = D3DSPR_TEXTURE, // t# in pixel shaders; a0 (Addr) in vertex shaders
  RastOut = D3DSPR_RASTOUT,
  AttrOut = D3DSPR_ATTROUT,
  TexCrdOut = D3DSPR_TEXCRDOUT, // oT# up to 2.0; o# in vs_3_0
  ConstInt = D3DSPR_CONSTINT,
  ColorOut = D3DSPR_COLOROUT,
  DepthOut = D3DSPR_DEPTHOUT,
  Sampler = D3DSPR_SAMPLER,
  Const2 = D3DSPR_CONST2,
  Const3 = D3DSPR_CONST3,
  Const4 = D3DSPR_CONST4,
  ConstBool = D3DSPR_CONSTBOOL,
  Loop = D3DSPR_LOOP,
  TempFloat16 = D3DSPR_TEMPFLOAT16,
  MiscType = D3DSPR_MISCTYPE,
  Label = D3DSPR_LABEL,
  Predicate = D3DSPR_PREDICATE,
};
constexpr RegisterType kAddrRegister = RegisterType::Texture;

enum class SourceModifier : uint8_t {
  None = D3DSPSM_NONE >> D3DSP_SRCMOD_SHIFT,
  Neg = D3DSPSM_NEG >> D3DSP_SRCMOD_SHIFT,
  Bias = D3DSPSM_BIAS >> D3DSP_SRCMOD_SHIFT,
  BiasNeg = D3DSPSM_BIASNEG >> D3DSP_SRCMOD_SHIFT,
  Sign = D3DSPSM_SIGN >> D3DSP_SRCMOD_SHIFT,
  SignNeg = D3DSPSM_SIGNNEG >> D3DSP_SRCMOD_SHIFT,
  Comp = D3DSPSM_COMP >> D3DSP_SRCMOD_SHIFT,
  X2 = D3DSPSM_X2 >> D3DSP_SRCMOD_SHIFT,
  X2Neg = D3DSPSM_X2NEG >> D3DSP_SRCMOD_SHIFT,
  Dz = D3DSPSM_DZ >> D3DSP_SRCMOD_SHIFT,
  Dw = D3DSPSM_DW >> D3DSP_SRCMOD_SHIFT,
  Abs = D3DSPSM_ABS >> D3DSP_SRCMOD_SHIFT,
  AbsNeg = D3DSPSM_ABSNEG >> D3DSP_SRCMOD_SHIFT,
  Not = D3DSPSM_NOT >> D3DSP_SRCMOD_SHIFT,
};

// Result modifiers of a destination parameter (bits, combinable).
constexpr uint8_t kResultSaturate = D3DSPDM_SATURATE >> D3DSP_DSTMOD_SHIFT;
constexpr uint8_t kResultPartialPrecision = D3DSPDM_PARTIALPRECISION >> D3DSP_DSTMOD_SHIFT;
constexpr uint8_t kResultCentroid = D3DSPDM_MSAMPCENTROID >> D3DSP_DSTMOD_SHIFT;

// Texture types of a sampler declaration.
enum class SamplerType : uint8_t {
  Unknown = D3DSTT_UNKNOWN >> D3DSP_TEXTURETYPE_SHIFT,
  Tex1D = 1,
  Tex2D = D3DSTT_2D >> D3DSP_TEXTURETYPE_SHIFT,
  Cube = D3DSTT_CUBE >> D3DSP_TEXTURETYPE_SHIFT,
  Volume = D3DSTT_VOLUME >> D3DSP_TEXTURETYPE_SHIFT,
};

// Comparisons of ifc, breakc and setp (the instruction's specific controls).
enum class Comparison : uint8_t {
  None = D3DSPC_RESERVED0,
  Gt = D3DSPC_GT,
  Eq = D3DSPC_EQ,
  Ge = D3DSPC_GE,
  Lt = D3DSPC_LT,
  Ne = D3DSPC_NE,
  Le = D3DSPC_LE,
};

// Specific controls of texld.
constexpr uint8_t kTexLdProject = D3DSI_TEXLD_PROJECT >> D3DSP_OPCODESPECIFICCONTROL_SHIFT;
constexpr uint8_t kTexLdBias = D3DSI_TEXLD_BIAS >> D3DSP_OPCODESPECIFICCONTROL_SHIFT;

namespace token {

constexpr uint32_t kParameterBit = 0x80000000u;
constexpr uint32_t kOpcodeMask = D3DSI_OPCODE_MASK;
constexpr uint32_t kControlsShift = D3DSP_OPCODESPECIFICCONTROL_SHIFT;
constexpr uint32_t kControlsMask = D3DSP_OPCODESPECIFICCONTROL_MASK;
constexpr uint32_t kLengthShift = D3DSI_INSTLENGTH_SHIFT;
constexpr uint32_t kLengthMask = D3DSI_INSTLENGTH_MASK;
constexpr uint32_t kPredicatedBit = D3DSHADER_INSTRUCTION_PREDICATED;
constexpr uint32_t kCoissueBit = D3DSI_COISSUE;
constexpr uint32_t kCommentSizeShift = D3DSI_COMMENTSIZE_SHIFT;
constexpr uint32_t kCommentSizeMask = D3DSI_COMMENTSIZE_MASK;

constexpr uint32_t kRegNumberMask = D3DSP_REGNUM_MASK;
constexpr uint32_t kRegTypeShift = D3DSP_REGTYPE_SHIFT;
constexpr uint32_t kRegTypeMask = D3DSP_REGTYPE_MASK;
constexpr uint32_t kRegTypeShift2 = D3DSP_REGTYPE_SHIFT2; // bits 3-4 of the type land in bits 11-12
constexpr uint32_t kRegTypeMask2 = D3DSP_REGTYPE_MASK2;
constexpr uint32_t kRelativeBit = D3DSHADER_ADDRMODE_RELATIVE;
constexpr uint32_t kWriteMaskShift = 16;
constexpr uint32_t kWriteMaskMask = D3DSP_WRITEMASK_ALL;
constexpr uint32_t kResultModShift = D3DSP_DSTMOD_SHIFT;
constexpr uint32_t kResultModMask = D3DSP_DSTMOD_MASK;
constexpr uint32_t kShiftShift = D3DSP_DSTSHIFT_SHIFT;
constexpr uint32_t kShiftMask = D3DSP_DSTSHIFT_MASK;
constexpr uint32_t kSwizzleShift = D3DSP_SWIZZLE_SHIFT;
constexpr uint32_t kSwizzleMask = D3DSP_SWIZZLE_MASK;
constexpr uint32_t kSourceModShift = D3DSP_SRCMOD_SHIFT;
constexpr uint32_t kSourceModMask = D3DSP_SRCMOD_MASK;

constexpr uint32_t kUsageMask = D3DSP_DCL_USAGE_MASK;
constexpr uint32_t kUsageIndexShift = D3DSP_DCL_USAGEINDEX_SHIFT;
constexpr uint32_t kUsageIndexMask = D3DSP_DCL_USAGEINDEX_MASK;
constexpr uint32_t kSamplerTypeShift = D3DSP_TEXTURETYPE_SHIFT;
constexpr uint32_t kSamplerTypeMask = D3DSP_TEXTURETYPE_MASK;

constexpr uint32_t kEndToken = D3DPS_END();
constexpr uint32_t kVertexShaderType = D3DVS_VERSION(0, 0);
constexpr uint32_t kPixelShaderType = D3DPS_VERSION(0, 0);

constexpr uint32_t Version(bool pixel, uint32_t major, uint32_t minor) {
  return (pixel ? kPixelShaderType : kVertexShaderType) | (major << 8) | minor;
}

} // namespace token

// Swizzles are four two-bit lane selectors, lane 0 in the low bits.
constexpr uint8_t kIdentitySwizzle = 0xE4; // .xyzw
constexpr uint8_t MakeSwizzle(uint8_t x, uint8_t y, uint8_t z, uint8_t w) {
  return static_cast<uint8_t>(x | (y << 2) | (z << 4) | (w << 6));
}
constexpr uint8_t ReplicateSwizzle(uint8_t lane) { return MakeSwizzle(lane, lane, lane, lane); }
constexpr uint8_t SwizzleLane(uint8_t swizzle, unsigned position) {
  return static_cast<uint8_t>((swizzle >> (2 * position)) & 3);
}

} // namespace zrq::d3dx9
