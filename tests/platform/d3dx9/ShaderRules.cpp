#include "platform/d3dx9/ShaderRules.h"

#include <map>
#include <set>

#include "platform/d3dx9/shader/AssemblyNames.h"
#include "platform/d3dx9/shader/CodeOptimizer.h"
#include "platform/d3dx9/shader/Disassembler.h"
#include "platform/d3dx9/shader/ShaderProfile.h"
#include "platform/d3dx9/shader/TokenReader.h"

namespace zrq::test {

using namespace zrq::d3dx9;

namespace {

bool IsReplicate(uint8_t swizzle) {
  for (uint8_t lane = 0; lane < 4; ++lane)
    if (swizzle == ReplicateSwizzle(lane)) return true;
  return false;
}

uint32_t Limit(const ShaderProfile &p, RegisterType type) {
  if (type == RegisterType::Temp) return p.temps;
  if (type == RegisterType::Const) return p.constants;
  if (type == RegisterType::Input) return p.pixel ? p.colorInputs : p.inputs;
  if (type == RegisterType::Texture) return p.pixel ? p.textureInputs : 1; // a0 in vertex shaders
  if (type == RegisterType::Sampler) return p.pixel ? p.samplers : 0;
  if (type == RegisterType::RastOut) return p.pixel ? 0 : 3;
  if (type == RegisterType::AttrOut) return p.pixel ? 0 : 2;
  if (type == RegisterType::TexCrdOut) return p.pixel ? 0 : 8;
  if (type == RegisterType::ColorOut) return p.pixel ? p.colorOutputs : 0;
  if (type == RegisterType::DepthOut) return p.pixel ? 1 : 0;
  return 0;
}

} // namespace

std::vector<std::string> BrokenRules(const std::vector<DWORD> &tokens,
                                     const std::string &profileName) {
  std::vector<std::string> broken;
  const std::optional<ShaderProfile> found = ShaderProfile::Find(profileName);
  if (!found) return {"unknown profile " + profileName};
  const ShaderProfile &p = *found;
  const std::vector<uint32_t> words(tokens.begin(), tokens.end());
  DecodedShader shader;
  std::string error;
  if (!DecodeShader(words.data(), words.size(), shader, error))
    return {"tokens do not decode: " + error};
  if (shader.version != p.Version()) broken.push_back("version token is not " + profileName);
  const ShaderKind kind{p.pixel, p.major};

  std::set<std::pair<int, uint32_t>> declared;
  std::map<uint32_t, uint8_t> samplerLanes; // coordinates each sampler's texture type reads
  std::map<uint32_t, uint8_t> written;      // temporaries: lanes written so far
  std::map<std::pair<int, uint32_t>, uint8_t> outputs;
  for (const Instruction &in : shader.instructions) {
    if (in.opcode == Opcode::Comment) continue;
    const std::string text = InstructionText(in, kind);
    const auto fail = [&](const std::string &why) { broken.push_back(text + ": " + why); };
    const auto inRange = [&](RegisterType type, uint32_t number) {
      if (number >= Limit(p, type))
        fail(RegisterName(type, number, kind) + " is beyond the profile's registers");
    };
    if (in.opcode == Opcode::Dcl) {
      inRange(in.dst.type, in.dst.number);
      declared.insert({static_cast<int>(in.dst.type), in.dst.number});
      if (in.dst.type == RegisterType::Sampler) {
        const auto type = static_cast<SamplerType>((in.declaration & token::kSamplerTypeMask) >>
                                                   token::kSamplerTypeShift);
        samplerLanes[in.dst.number] = type == SamplerType::Tex1D   ? 0x1
                                      : type == SamplerType::Tex2D ? 0x3
                                                                   : 0x7;
      }
      continue;
    }
    if (in.opcode == Opcode::Def) {
      inRange(in.dst.type, in.dst.number);
      continue;
    }
    if (!p.Has(in.opcode)) fail("not an instruction of " + profileName);
    if (!p.pixel && in.hasDestination && (in.dst.modifiers & kResultSaturate))
      fail("vertex shaders cannot saturate");

    std::set<uint32_t> constants, colours;
    int constantSources = 0, textureSources = 0;
    for (int s = 0; s < in.sourceCount; ++s) {
      const SourceParameter &src = in.src[s];
      inRange(src.type, src.number);
      const bool sincosConstant = in.opcode == Opcode::SinCos && s > 0;
      if (src.type == RegisterType::Const && !sincosConstant) {
        constants.insert(src.number);
        ++constantSources;
      }
      if (src.type == RegisterType::Input) colours.insert(src.number);
      if (src.type == RegisterType::Texture && p.pixel) ++textureSources;
      if ((src.type == RegisterType::Input || src.type == RegisterType::Texture ||
           src.type == RegisterType::Sampler) &&
          !declared.count({static_cast<int>(src.type), src.number}))
        fail(RegisterName(src.type, src.number, kind) + " is read but not declared");
      if (p.pixel && !p.SwizzleAllowed(src.swizzle)) fail("swizzle not allowed in " + profileName);
      if (src.modifier != SourceModifier::None && src.modifier != SourceModifier::Neg)
        fail("source modifier");
      if (src.type == RegisterType::Temp) {
        // A texture read takes the coordinates its sampler's type needs (and w to project or
        // bias); everything else reads what its swizzle names.
        uint8_t lanes = LanesRead(in, s);
        if (in.opcode == Opcode::Tex && s == 0)
          lanes = static_cast<uint8_t>(samplerLanes[in.src[1].number] | (in.controls ? 0x8 : 0));
        if ((written[src.number] & lanes) != lanes)
          fail(RegisterName(src.type, src.number, kind) + " is read before it is written");
      }
    }
    if (constants.size() > 1) fail("more than one constant register");
    if (p.constantReads && constantSources > static_cast<int>(p.constantReads))
      fail("too many constant sources");
    if (colours.size() > 1) fail("more than one input register");
    if (p.textureReads && textureSources > static_cast<int>(p.textureReads))
      fail("too many texture coordinate sources");

    const Opcode op = in.opcode;
    if ((op == Opcode::Rcp || op == Opcode::Rsq || op == Opcode::Exp || op == Opcode::Log ||
         op == Opcode::Pow) &&
        !IsReplicate(in.src[0].swizzle))
      fail("scalar source without a replicate swizzle");
    if (op == Opcode::Frc && p.FracNeedsY() && in.dst.writeMask != 0x2 && in.dst.writeMask != 0x3)
      fail("vs_1_1 frc writes .y or .xy only");
    if (op == Opcode::SinCos) {
      if (in.dst.type != RegisterType::Temp ||
          (in.dst.writeMask != 1 && in.dst.writeMask != 2 && in.dst.writeMask != 3))
        fail("sincos writes .x, .y or .xy of a temporary");
      if (!IsReplicate(in.src[0].swizzle)) fail("sincos reads one lane");
      if (in.src[0].type == RegisterType::Temp && in.src[0].number == in.dst.number)
        fail("sincos writes its source");
      if (in.src[1].type != RegisterType::Const || in.src[2].type != RegisterType::Const)
        fail("sincos needs its constants");
    }
    if (op == Opcode::Tex) {
      if (in.dst.type != RegisterType::Temp || in.dst.writeMask != 0xF)
        fail("texld writes a whole temporary");
      if ((in.src[0].type != RegisterType::Temp && in.src[0].type != RegisterType::Texture) ||
          in.src[0].swizzle != kIdentitySwizzle || in.src[0].modifier != SourceModifier::None)
        fail("texld reads its coordinates whole from r# or t#");
      if (in.src[1].type != RegisterType::Sampler) fail("texld reads a sampler");
    }
    if (!in.hasDestination || op == Opcode::TexKill) continue;
    inRange(in.dst.type, in.dst.number);
    if (in.dst.type == RegisterType::Temp) {
      written[in.dst.number] |= in.dst.writeMask;
    } else {
      outputs[{static_cast<int>(in.dst.type), in.dst.number}] |= in.dst.writeMask;
      if (in.dst.type == RegisterType::ColorOut && (op != Opcode::Mov || in.dst.writeMask != 0xF))
        fail("colour outputs are written whole by mov");
    }
  }
  if (!p.pixel && outputs[{static_cast<int>(RegisterType::RastOut), 0}] != 0xF)
    broken.push_back("oPos is not written whole");
  return broken;
}

} // namespace zrq::test
