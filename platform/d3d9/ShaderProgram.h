// A shader as the device runs it: the tokens checked once at creation and turned into a short
// list of operations on one flat register file, so that running it decodes nothing.
#pragma once

#include <d3d9.h>

#include <cstdint>
#include <vector>

namespace zrq::d3d9 {

// The flat register file every shader runs on: where each register of the token format lives.
namespace reg {
inline constexpr int kTemp = 0;     // r0..r31
inline constexpr int kInput = 32;   // v0..v15
inline constexpr int kTexture = 48; // t0..t7 of a pixel shader; a0 of a vertex shader
inline constexpr int kAddress = kTexture;
inline constexpr int kPosition = 56;    // oPos
inline constexpr int kFog = 57;         // oFog
inline constexpr int kPointSize = 58;   // oPts
inline constexpr int kColorOut = 59;    // oD0, oD1
inline constexpr int kTexCoordOut = 61; // oT0..oT7
inline constexpr int kPixelColor = 69;  // oC0..oC3
inline constexpr int kDepth = 73;       // oDepth
inline constexpr int kCount = 74;
inline constexpr int kConstants = 256; // c#, held apart from the file
} // namespace reg

// What an operation computes. The matrix instructions are split into dot products when the
// tokens are translated; texld carries its projective divide as an operation of its own.
enum class ShaderOp : uint8_t {
  Mov,
  Add,
  Sub,
  Mad,
  Mul,
  Rcp,
  Rsq,
  Dp3,
  Dp4,
  Min,
  Max,
  Slt,
  Sge,
  Exp,
  Log,
  ExpP11,
  LogP11,
  Lit,
  Dst,
  Lrp,
  Frc,
  Pow,
  Crs,
  Sgn,
  Abs,
  Nrm,
  SinCos,
  MovA,
  MovAFloor,
  Cmp,
  Dp2Add,
  Tex,
  TexProj,
  TexKill,
};

struct ShaderSource {
  uint16_t index = 0;    // into the register file, or the constant number
  bool constant = false; // read from the constants, the same in every lane
  bool relative = false; // constant index + a0 (vertex shaders)
  uint8_t relativeLane = 0;
  uint8_t swizzle[4] = {0, 1, 2, 3};
  bool negate = false;
  bool absolute = false;
  uint8_t positions = 0xF; // the positions (before the swizzle) the operation reads
  int sampler = -1;        // s#, for the sampler operand of texld
};

struct ShaderInstruction {
  ShaderOp op = ShaderOp::Mov;
  uint16_t dst = 0;
  uint8_t mask = 0xF;
  bool saturate = false;
  uint8_t sampler = 0;
  uint8_t sourceCount = 0;
  ShaderSource src[3];
  // A texture read whose texel words a draw packs the colour from (see ShaderLaneSteps.h):
  // their row, kept even when no channel is read; -1 for the rest.
  int16_t wordRow = -1;
};

// An input of a vertex shader: register v# is read from the element of this usage and index.
struct ShaderInput {
  uint8_t reg;
  BYTE usage;
  BYTE usageIndex;
};

struct ShaderProgram {
  bool pixel = false;
  DWORD version = 0;
  std::vector<ShaderInstruction> code;
  // Constants the shader defines itself; they hide the device's constants of the same number.
  struct Definition {
    uint16_t index;
    float value[4];
  };
  std::vector<Definition> definitions;
  std::vector<ShaderInput> inputs; // vertex shaders
  uint16_t samplersUsed = 0;       // bit per sampler texld reads
  uint8_t texCoordsRead = 0;       // bit per t# a pixel shader reads
  uint8_t texCoordComponents[8] = {0xF, 0xF, 0xF, 0xF,
                                   0xF, 0xF, 0xF, 0xF}; // of each t#, as declared
  uint8_t colorsRead = 0;                               // bit per v# a pixel shader reads
  uint8_t texCoordsWritten = 0;                         // bit per oT# a vertex shader writes
  uint8_t colorsWritten = 0;                            // bit per oD# a vertex shader writes
  bool discards = false;                                // texkill
  // Some temporary (or, in a pixel shader, part of oC0) is read before the program writes it:
  // such registers must start at 0 for every pixel.
  bool readsUnwritten = false;
  bool writesDepth = false;
};

// Checks the tokens (a supported version, opcodes this device runs in that version, registers
// within its ranges, whole instructions before the end token) and translates them; false for
// anything the device cannot run. `tokens` ends with the end token.
[[nodiscard]] bool TranslateShader(const std::vector<DWORD> &tokens, ShaderProgram *program);

// Drops what no output depends on: components an instruction writes that nothing reads
// before they are written again, and instructions left writing nothing. Texture reads then
// unpack only the channels used, and arithmetic computes only the components used.
// With colourRead false a pixel shader's oC0 counts as not read.
void KeepWhatIsRead(std::vector<ShaderInstruction> *code, bool colourRead = true);

} // namespace zrq::d3d9
