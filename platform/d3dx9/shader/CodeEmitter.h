// Emits instructions on virtual registers and keeps them legal for the profile: every source
// becomes one register with an allowed swizzle (moving components together where they are
// spread over registers or literals), instructions read no more constant or input registers
// than the read ports allow, and literal-only arithmetic is computed instead of emitted.
#pragma once

#include <array>
#include <map>
#include <optional>
#include <vector>

#include "platform/d3dx9/shader/ConstantPool.h"
#include "platform/d3dx9/shader/Diagnostics.h"
#include "platform/d3dx9/shader/ShaderInstruction.h"
#include "platform/d3dx9/shader/ShaderProfile.h"
#include "platform/d3dx9/shader/Value.h"

namespace zrq::d3dx9 {

class CodeEmitter {
public:
  CodeEmitter(const ShaderProfile &profile, Diagnostics &diagnostics)
      : profile(profile), diagnostics(diagnostics) {}

  // Errors from here on (an uninitialized value, a limit) point at this place.
  void At(const SourceLocation &where) { location = where; }
  const SourceLocation &Where() const { return location; }
  const ShaderProfile &Profile() const { return profile; }

  // One instruction writing the lanes of `mask` of a new temporary. sources[i] lists what
  // source i reads at lane 0, 1, 2, 3 (a shorter list repeats its last entry); which lanes an
  // instruction reads follows from the opcode and the mask. Returns the written lanes, lowest
  // first, as literals when every value read was one.
  Components Emit(Opcode opcode, uint8_t mask, const std::vector<Components> &sources,
                  uint8_t modifiers = 0, uint8_t controls = 0);

  // mov of `value` (by lane) into the lanes of `mask` of an output register.
  void Output(RegisterType type, uint32_t number, uint8_t mask, const Components &value);
  // texkill on a register holding `value` in its first three lanes.
  void Kill(const Components &value);

  // Whether these components (lanes 0, 1, ...) are read as one source without moves.
  bool FormsOperand(const Components &value) const;

  std::vector<Instruction> &Code() { return code; }
  const ConstantPool &Pool() const { return pool; }
  ConstantPool &Pool() { return pool; }

private:
  using Positions = std::array<std::optional<Component>, 4>;

  SourceParameter Operand(Positions read, bool identity);
  Positions Materialize(const Positions &read);
  Positions PlaceLiterals(Positions read);
  std::optional<SourceParameter> Direct(const Positions &read, bool identity) const;
  uint32_t NewTemp() { return ++temps; }
  void Append(Instruction in);
  uint8_t DependentLevel(const SourceParameter &s) const;

  const ShaderProfile &profile;
  Diagnostics &diagnostics;
  SourceLocation location;
  std::vector<Instruction> code;
  ConstantPool pool;
  uint32_t temps = 0;
  std::map<uint32_t, uint8_t> textureLevel; // temporaries that depend on texture reads
  // Components already moved together, and where: temporaries are written once, so a
  // gathering stays valid for the whole shader.
  std::map<std::vector<uint64_t>, uint32_t> gathered;
  // Instructions already emitted, by what they compute: the same computation is not repeated.
  std::map<std::vector<uint64_t>, uint32_t> computed;
};

} // namespace zrq::d3dx9
