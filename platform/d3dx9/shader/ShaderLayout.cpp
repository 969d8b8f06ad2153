#include "platform/d3dx9/shader/ShaderLayout.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

#include "platform/d3dx9/shader/CodeOptimizer.h"
#include "platform/d3dx9/shader/ConstantTableWriter.h"
#include "platform/d3dx9/shader/ErrorCodes.h"
#include "platform/d3dx9/shader/OpcodeTable.h"
#include "platform/d3dx9/shader/VirtualRegisters.h"

namespace zrq::d3dx9 {

const char kCompilerName[] = "ZRQ HLSL compiler 1.0";

namespace {

uint32_t Bits(float v) {
  uint32_t bits;
  std::memcpy(&bits, &v, 4);
  return bits;
}

SamplerType SamplerTypeOf(SamplerDimension d) {
  switch (d) {
  case SamplerDimension::Tex1D:
    return SamplerType::Tex1D;
  case SamplerDimension::Tex3D:
    return SamplerType::Volume;
  case SamplerDimension::Cube:
    return SamplerType::Cube;
  case SamplerDimension::Tex2D:
  case SamplerDimension::Any:
    break;
  }
  return SamplerType::Tex2D;
}

ConstantType TableType(const UniformInfo &u) {
  ConstantType t;
  const HlslType &h = u.type;
  t.elements = static_cast<uint16_t>(h.IsArray() ? h.arraySize : 1);
  if (u.sampler) {
    t.parameterClass = D3DXPC_OBJECT;
    switch (h.sampler) {
    case SamplerDimension::Tex1D:
      t.parameterType = D3DXPT_SAMPLER1D;
      break;
    case SamplerDimension::Tex2D:
      t.parameterType = D3DXPT_SAMPLER2D;
      break;
    case SamplerDimension::Tex3D:
      t.parameterType = D3DXPT_SAMPLER3D;
      break;
    case SamplerDimension::Cube:
      t.parameterType = D3DXPT_SAMPLERCUBE;
      break;
    case SamplerDimension::Any:
      t.parameterType = D3DXPT_SAMPLER;
      break;
    }
    return t;
  }
  t.parameterType = h.base == BaseType::Bool  ? D3DXPT_BOOL
                    : h.base == BaseType::Int ? D3DXPT_INT
                                              : D3DXPT_FLOAT;
  switch (h.shape) {
  case Shape::Scalar:
    t.parameterClass = D3DXPC_SCALAR;
    break;
  case Shape::Vector:
    t.parameterClass = D3DXPC_VECTOR;
    t.columns = h.columns;
    break;
  case Shape::Matrix:
    t.parameterClass = u.rowMajor ? D3DXPC_MATRIX_ROWS : D3DXPC_MATRIX_COLUMNS;
    t.rows = h.rows;
    t.columns = h.columns;
    break;
  }
  return t;
}

// The initializer's components in register order: four lanes a register, zero where unused.
std::vector<float> RegisterDefaults(const UniformInfo &u) {
  if (u.defaults.empty()) return {};
  std::vector<float> out(static_cast<size_t>(u.Registers()) * 4, 0.0f);
  const HlslType &t = u.type;
  const uint32_t elements = t.IsArray() ? t.arraySize : 1, per = u.RegistersPerElement();
  size_t i = 0;
  for (uint32_t e = 0; e < elements; ++e)
    for (int r = 0; r < t.rows; ++r)
      for (int c = 0; c < t.columns; ++c, ++i) {
        const bool byRow = t.shape != Shape::Matrix || u.rowMajor;
        const uint32_t reg = e * per + static_cast<uint32_t>(byRow ? r : c);
        out[reg * 4 + static_cast<uint32_t>(byRow ? c : r)] = u.defaults[i];
      }
  return out;
}

class Layout {
public:
  Layout(const ShaderInterface &io, const ConstantPool &pool, const ShaderProfile &profile,
         Diagnostics &diagnostics, const SourceLocation &where)
      : io(io), pool(pool), profile(profile), diagnostics(diagnostics), where(where) {}

  LaidOutShader Run(std::vector<Instruction> code, DWORD flags) {
    Collect(code);
    Constants();
    Samplers();
    Inputs();
    for (Instruction &in : code) {
      if (in.hasDestination) Resolve(in.dst.type, in.dst.number);
      for (int s = 0; s < in.sourceCount; ++s) Resolve(in.src[s].type, in.src[s].number);
    }
    CheckSlots(code);

    LaidOutShader out;
    out.table = Table(flags);
    Instruction comment;
    comment.opcode = Opcode::Comment;
    comment.comment = ConstantTableComment(out.table);
    out.instructions.push_back(std::move(comment));
    for (const auto &[reg, constant] : literalRegister) {
      Instruction def;
      def.opcode = Opcode::Def;
      def.hasDestination = true;
      def.dst = {RegisterType::Const, constant, 0xF, 0, 0};
      // Lanes no instruction reads (their readers were dropped as dead code) hold zero.
      const ConstantPool::Register &values = pool.Registers()[reg];
      for (int lane = 0; lane < 4; ++lane)
        def.values[lane] = Bits((literalLanes[reg] & (1u << lane)) ? values.values[lane] : 0.0f);
      out.instructions.push_back(def);
    }
    for (const auto &[index, reg] : inputRegister) {
      const InputInfo &input = io.inputs[index];
      Instruction dcl;
      dcl.opcode = Opcode::Dcl;
      dcl.hasDestination = true;
      if (input.file == InputFile::Vertex) {
        dcl.declaration = input.usage | (input.usageIndex << token::kUsageIndexShift);
        dcl.dst = {RegisterType::Input, reg, 0xF, 0, 0};
      } else {
        const auto type =
            input.file == InputFile::Texture ? RegisterType::Texture : RegisterType::Input;
        dcl.dst = {type, reg, static_cast<uint8_t>((1u << input.components) - 1), 0, 0};
      }
      out.instructions.push_back(dcl);
    }
    for (const auto &[index, reg] : samplerRegister) {
      Instruction dcl;
      dcl.opcode = Opcode::Dcl;
      dcl.hasDestination = true;
      dcl.declaration = static_cast<uint32_t>(SamplerTypeOf(io.uniforms[index].dimension))
                        << token::kSamplerTypeShift;
      dcl.dst = {RegisterType::Sampler, reg, 0xF, 0, 0};
      out.instructions.push_back(dcl);
    }
    for (Instruction &in : code) out.instructions.push_back(std::move(in));
    return out;
  }

private:
  void Use(RegisterType type, uint32_t number) {
    if (type == vreg::Uniform) usedUniforms.insert(number >> vreg::kUniformShift);
    if (type == vreg::Sampler) usedSamplers.insert(number);
    if (type == vreg::Literal) literalRegister[number] = 0;
    if (type == vreg::InputV || type == vreg::InputT) inputRegister[number] = 0;
  }

  void Collect(const std::vector<Instruction> &code) {
    for (const Instruction &in : code) {
      if (in.hasDestination) Use(in.dst.type, in.dst.number);
      for (int s = 0; s < in.sourceCount; ++s) {
        Use(in.src[s].type, in.src[s].number);
        if (in.src[s].type == vreg::Literal) literalLanes[in.src[s].number] |= LanesRead(in, s);
      }
    }
  }

  // Finds `count` free registers from the lowest up; -1 when they would pass `limit`.
  static int64_t FirstFree(const std::vector<bool> &taken, uint32_t count, uint32_t limit) {
    for (uint32_t start = 0; start + count <= limit; ++start) {
      bool free = true;
      for (uint32_t r = start; r < start + count && free; ++r)
        free = r >= taken.size() || !taken[r];
      if (free) return start;
    }
    return -1;
  }

  void Constants() {
    std::vector<bool> taken(profile.constants, false);
    const auto take = [&](uint32_t start, uint32_t count) {
      for (uint32_t r = start; r < start + count; ++r) taken[r] = true;
    };
    // Bound uniforms keep their registers; the others follow in the order of declaration.
    for (uint32_t u : usedUniforms) {
      const UniformInfo &info = io.uniforms[u];
      if (!info.fixedRegister) continue;
      const uint32_t start = *info.fixedRegister, count = info.Registers();
      if (start + count > profile.constants)
        diagnostics.Error(info.location, error::kRegisterOutOfRange,
                          "'" + info.name + "' is bound to c" + std::to_string(start) +
                              ", beyond the " + std::to_string(profile.constants) +
                              " constant registers of " + profile.name);
      for (uint32_t r = start; r < start + count; ++r)
        if (taken[r])
          diagnostics.Error(info.location, error::kRegisterOutOfRange,
                            "'" + info.name + "' is bound to c" + std::to_string(r) +
                                ", which another uniform has");
      take(start, count);
      uniformBase[u] = start;
    }
    const auto tooMany = [&]() {
      diagnostics.Error(where, error::kTooManyConstants,
                        "the shader needs more than the " + std::to_string(profile.constants) +
                            " constant registers of " + profile.name);
    };
    for (uint32_t u : usedUniforms) {
      const UniformInfo &info = io.uniforms[u];
      if (info.fixedRegister) continue;
      const int64_t start = FirstFree(taken, info.Registers(), profile.constants);
      if (start < 0) tooMany();
      take(static_cast<uint32_t>(start), info.Registers());
      uniformBase[u] = static_cast<uint32_t>(start);
    }
    for (auto &[reg, constant] : literalRegister) {
      const int64_t start = FirstFree(taken, 1, profile.constants);
      if (start < 0) tooMany();
      take(static_cast<uint32_t>(start), 1);
      constant = static_cast<uint32_t>(start);
    }
  }

  void Samplers() {
    std::vector<bool> taken(profile.samplers, false);
    for (uint32_t u : usedSamplers) {
      const UniformInfo &info = io.uniforms[u];
      if (!info.fixedRegister) continue;
      if (*info.fixedRegister >= profile.samplers || taken[*info.fixedRegister])
        diagnostics.Error(info.location, error::kRegisterOutOfRange,
                          "'" + info.name + "' cannot be bound to s" +
                              std::to_string(*info.fixedRegister));
      taken[*info.fixedRegister] = true;
      samplerRegister[u] = *info.fixedRegister;
    }
    for (uint32_t u : usedSamplers) {
      if (io.uniforms[u].fixedRegister) continue;
      const int64_t s = FirstFree(taken, 1, profile.samplers);
      if (s < 0)
        diagnostics.Error(where, error::kRegisterOutOfRange,
                          "the shader uses more than the " + std::to_string(profile.samplers) +
                              " samplers of " + profile.name);
      taken[static_cast<size_t>(s)] = true;
      samplerRegister[u] = static_cast<uint32_t>(s);
    }
  }

  void Inputs() {
    uint32_t next = 0;
    for (auto &[index, reg] : inputRegister) {
      const InputInfo &input = io.inputs[index];
      if (input.file == InputFile::Vertex) {
        if (next >= profile.inputs)
          diagnostics.Error(where, error::kTooManyInputs,
                            "the shader reads more than the " + std::to_string(profile.inputs) +
                                " inputs of " + profile.name);
        reg = next++;
      } else {
        reg = input.usageIndex;
      }
    }
  }

  void Resolve(RegisterType &type, uint32_t &number) {
    if (type == vreg::Uniform) {
      number =
          uniformBase[number >> vreg::kUniformShift] + (number & ((1u << vreg::kUniformShift) - 1));
      type = RegisterType::Const;
    } else if (type == vreg::Literal) {
      number = literalRegister[number];
      type = RegisterType::Const;
    } else if (type == vreg::InputV || type == vreg::InputT) {
      type = type == vreg::InputT ? RegisterType::Texture : RegisterType::Input;
      number = inputRegister[number];
    } else if (type == vreg::Sampler) {
      number = samplerRegister[number];
      type = RegisterType::Sampler;
    }
  }

  void CheckSlots(const std::vector<Instruction> &code) {
    uint32_t arithmetic = 0, texture = 0;
    for (const Instruction &in : code) {
      const OpcodeInfo *info = FindOpcode(in.opcode);
      if (!info) continue;
      if (profile.pixel) {
        (in.opcode == Opcode::Tex || in.opcode == Opcode::TexKill ? texture : arithmetic) +=
            info->pixelSlots;
      } else {
        arithmetic += in.opcode == Opcode::Frc && profile.major >= 2 ? 1 : info->vertexSlots;
      }
    }
    if (arithmetic > profile.slots)
      diagnostics.Error(where, error::kTooManyInstructions,
                        "the shader needs " + std::to_string(arithmetic) +
                            (profile.pixel ? " arithmetic" : "") + " instruction slots; " +
                            profile.name + " has " + std::to_string(profile.slots));
    if (texture > profile.textureSlots)
      diagnostics.Error(where, error::kTooManyTextureInstructions,
                        "the shader needs " + std::to_string(texture) + " texture instructions; " +
                            profile.name + " has " + std::to_string(profile.textureSlots));
  }

  ConstantTableModel Table(DWORD flags) const {
    ConstantTableModel table;
    table.creator = kCompilerName;
    table.target = profile.name;
    table.version = profile.Version();
    table.flags = flags;
    std::vector<uint32_t> used(usedUniforms.begin(), usedUniforms.end());
    used.insert(used.end(), usedSamplers.begin(), usedSamplers.end());
    std::sort(used.begin(), used.end(),
              [&](uint32_t a, uint32_t b) { return io.uniforms[a].name < io.uniforms[b].name; });
    for (uint32_t u : used) {
      const UniformInfo &info = io.uniforms[u];
      ConstantEntry c;
      c.name = info.name;
      c.registerSet = static_cast<uint16_t>(info.sampler ? D3DXRS_SAMPLER : D3DXRS_FLOAT4);
      c.registerIndex =
          static_cast<uint16_t>(info.sampler ? samplerRegister.at(u) : uniformBase.at(u));
      c.registerCount = static_cast<uint16_t>(info.Registers());
      c.type = TableType(info);
      c.defaultValue = RegisterDefaults(info);
      table.constants.push_back(std::move(c));
    }
    return table;
  }

  const ShaderInterface &io;
  const ConstantPool &pool;
  const ShaderProfile &profile;
  Diagnostics &diagnostics;
  SourceLocation where;
  std::set<uint32_t> usedUniforms, usedSamplers;
  std::map<uint32_t, uint32_t> uniformBase, samplerRegister, literalRegister, inputRegister;
  std::map<uint32_t, uint8_t> literalLanes;
};

} // namespace

LaidOutShader LayOutShader(std::vector<Instruction> code, const ShaderInterface &io,
                           const ConstantPool &pool, const ShaderProfile &profile, DWORD flags,
                           Diagnostics &diagnostics, const SourceLocation &where) {
  return Layout(io, pool, profile, diagnostics, where).Run(std::move(code), flags);
}

} // namespace zrq::d3dx9
