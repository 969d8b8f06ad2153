// The steps of a pixel shader prepared for one draw (ShaderStep.h), on blocks of N lanes. The
// common operations get a function of their own that loops over resolved rows; the rest run
// through the interpreter's code for one instruction. Every step computes each lane exactly as
// the interpreter does, in the same order of operations, so the bits do not change.
#pragma once

#include "platform/d3d9/ShaderLanes.h"
#include "platform/d3d9/ShaderStep.h"
#include "platform/d3d9/ShaderTexelWalk.h"

namespace zrq::d3d9 {
// Each file that runs shaders gets its own copy, built for its own instruction set.
namespace {

// Programs longer than this are interpreted: they are rare, and their rows would be many.
inline constexpr size_t kMaxSteppedInstructions = 512;

// What the steps of one block share.
template <int N> struct StepRun {
  const ShaderEnvironment *env;
  LaneFile<N> *f;
  uint64_t killed; // a bit for every lane texkill discarded
};

inline float Saturate(float x) { return x > 0.0f ? (x < 1.0f ? x : 1.0f) : 0.0f; }

template <int N> void InterpretStep(const ShaderStep &st, void *run) {
  auto &r = *static_cast<StepRun<N> *>(run);
  RunInstruction<N>(*st.in, *r.env, *r.f, &r.killed);
}

// The component-wise operations, as RunInstruction computes them.
template <ShaderOp Op> [[gnu::always_inline]] inline float Component(float a, float b, float c) {
  if constexpr (Op == ShaderOp::Mov) return a;
  if constexpr (Op == ShaderOp::Add) return a + b;
  if constexpr (Op == ShaderOp::Sub) return a - b;
  if constexpr (Op == ShaderOp::Mul) return a * b;
  if constexpr (Op == ShaderOp::Mad) {
    const float t = a * b;
    return t + c;
  }
  if constexpr (Op == ShaderOp::Min) return a < b ? a : b;
  if constexpr (Op == ShaderOp::Max) return a >= b ? a : b;
  if constexpr (Op == ShaderOp::Cmp) return a >= 0.0f ? b : c;
  if constexpr (Op == ShaderOp::Lrp) {
    const float d = b - c;
    const float s = a * d;
    return s + c;
  }
  if constexpr (Op == ShaderOp::Frc) return a - Floor(a);
  if constexpr (Op == ShaderOp::Abs) return Abs(a);
}

// Staged: every component into a block of its own first, then written, for when a component
// reads a row an earlier one writes (mov r0.xy, r0.yx). Else each row is written as it is
// computed; a row written is then read, if at all, only by its own component, lane for lane.
template <int N, ShaderOp Op, bool Sat, bool Staged>
void ComponentStep(const ShaderStep &st, void *) {
  alignas(32) float o[4][N];
  for (int k = 0; k < st.count; ++k) {
    const float *a = st.src[0][k], *b = st.src[1][k], *c = st.src[2][k];
    float *d = Staged ? o[k] : st.dst[k];
#pragma GCC ivdep
    for (int l = 0; l < N; ++l) {
      const float x = Component<Op>(a[l], b[l], c[l]);
      d[l] = Sat && !Staged ? Saturate(x) : x;
    }
  }
  if (Staged)
    for (int k = 0; k < st.count; ++k) {
      float *d = st.dst[k];
      for (int l = 0; l < N; ++l) d[l] = Sat ? Saturate(o[k][l]) : o[k][l];
    }
}

// The operations with one result for every component written; src holds the rows by position.
template <int N, ShaderOp Op, bool Sat> void ScalarStep(const ShaderStep &st, void *) {
  const float *a0 = st.src[0][0], *a1 = st.src[0][1], *a2 = st.src[0][2], *a3 = st.src[0][3];
  const float *b0 = st.src[1][0], *b1 = st.src[1][1], *b2 = st.src[1][2], *b3 = st.src[1][3];
  const float *c0 = st.src[2][0];
  alignas(32) float x[N];
  for (int l = 0; l < N; ++l) {
    if constexpr (Op == ShaderOp::Dp3)
      x[l] = a0[l] * b0[l] + a1[l] * b1[l] + a2[l] * b2[l];
    else if constexpr (Op == ShaderOp::Dp4)
      x[l] = a0[l] * b0[l] + a1[l] * b1[l] + a2[l] * b2[l] + a3[l] * b3[l];
    else if constexpr (Op == ShaderOp::Dp2Add)
      x[l] = a0[l] * b0[l] + a1[l] * b1[l] + c0[l];
    else if constexpr (Op == ShaderOp::Rcp)
      x[l] = 1.0f / a0[l];
    else if constexpr (Op == ShaderOp::Rsq)
      x[l] = 1.0f / __builtin_sqrtf(Abs(a0[l]));
    if constexpr (Sat) x[l] = Saturate(x[l]);
  }
  for (int k = 0; k < st.count; ++k) std::copy(x, x + N, st.dst[k]);
}

// texld: src[0][0] and src[0][1] are u and v; dst[0] is the first row of the register written.
template <int N> void TexStep(const ShaderStep &st, void *run) {
  const auto &r = *static_cast<StepRun<N> *>(run);
  SampleLanes<N>(r.env->samplers[st.in->sampler], r.env->magnified, st.src[0][0], st.src[0][1],
                 st.in->mask, reinterpret_cast<float(*)[N]>(st.dst[0]), st.words);
}

// A source register's rows with its modifier applied, into rows of the step's own.
template <int N, bool Absolute, bool Negate> void ModifyStep(const ShaderStep &st, void *) {
  for (int k = 0; k < st.count; ++k) {
    const float *from = st.src[0][k];
    float *to = st.dst[k];
    for (int l = 0; l < N; ++l) {
      float x = from[l];
      if (Absolute) x = Abs(x);
      if (Negate) x = -x;
      to[l] = x;
    }
  }
}

using StepFunction = void (*)(const ShaderStep &, void *);

template <int N, bool Sat, bool Staged = true> StepFunction ComponentFunction(ShaderOp op) {
  switch (op) {
  case ShaderOp::Mov:
    return &ComponentStep<N, ShaderOp::Mov, Sat, Staged>;
  case ShaderOp::Add:
    return &ComponentStep<N, ShaderOp::Add, Sat, Staged>;
  case ShaderOp::Sub:
    return &ComponentStep<N, ShaderOp::Sub, Sat, Staged>;
  case ShaderOp::Mul:
    return &ComponentStep<N, ShaderOp::Mul, Sat, Staged>;
  case ShaderOp::Mad:
    return &ComponentStep<N, ShaderOp::Mad, Sat, Staged>;
  case ShaderOp::Min:
    return &ComponentStep<N, ShaderOp::Min, Sat, Staged>;
  case ShaderOp::Max:
    return &ComponentStep<N, ShaderOp::Max, Sat, Staged>;
  case ShaderOp::Cmp:
    return &ComponentStep<N, ShaderOp::Cmp, Sat, Staged>;
  case ShaderOp::Lrp:
    return &ComponentStep<N, ShaderOp::Lrp, Sat, Staged>;
  case ShaderOp::Frc:
    return &ComponentStep<N, ShaderOp::Frc, Sat, Staged>;
  case ShaderOp::Abs:
    return &ComponentStep<N, ShaderOp::Abs, Sat, Staged>;
  case ShaderOp::Rcp:
  case ShaderOp::Rsq:
  case ShaderOp::Dp3:
  case ShaderOp::Dp4:
  case ShaderOp::Slt:
  case ShaderOp::Sge:
  case ShaderOp::Exp:
  case ShaderOp::Log:
  case ShaderOp::ExpP11:
  case ShaderOp::LogP11:
  case ShaderOp::Lit:
  case ShaderOp::Dst:
  case ShaderOp::Pow:
  case ShaderOp::Crs:
  case ShaderOp::Sgn:
  case ShaderOp::Nrm:
  case ShaderOp::SinCos:
  case ShaderOp::MovA:
  case ShaderOp::MovAFloor:
  case ShaderOp::Dp2Add:
  case ShaderOp::Tex:
  case ShaderOp::TexProj:
  case ShaderOp::TexKill:
    break;
  }
  return nullptr;
}

template <int N, bool Sat> StepFunction ScalarFunction(ShaderOp op) {
  if (op == ShaderOp::Dp3) return &ScalarStep<N, ShaderOp::Dp3, Sat>;
  if (op == ShaderOp::Dp4) return &ScalarStep<N, ShaderOp::Dp4, Sat>;
  if (op == ShaderOp::Dp2Add) return &ScalarStep<N, ShaderOp::Dp2Add, Sat>;
  if (op == ShaderOp::Rcp) return &ScalarStep<N, ShaderOp::Rcp, Sat>;
  if (op == ShaderOp::Rsq) return &ScalarStep<N, ShaderOp::Rsq, Sat>;
  return nullptr;
}

// Works out once what the program computes the same for every pixel of the draw (from
// constants alone) into out->code and out->constants: such instructions are dropped, their
// results read as constants; a cmp whose condition is such a result becomes the mov it picks;
// then what no output reads is dropped. The values are those one lane computes, which every
// lane computes.
inline void FoldUniforms(const ShaderProgram &p, const float (*deviceConstants)[4],
                         ShaderSteps *out) {
  std::vector<float> &k = out->constants;
  k.assign(&deviceConstants[0][0], &deviceConstants[0][0] + 32 * 4);
  std::vector<ShaderInstruction> &code = out->code;
  code.clear();
  LaneFile<1> uf{};                  // the values of the components marked in `uniform`
  uint8_t uniform[reg::kCount] = {}; // components known the same in every lane
  auto newConstant = [&](const float *value) {
    const auto index = static_cast<uint16_t>(k.size() / 4);
    k.insert(k.end(), value, value + 4);
    return index;
  };
  // The components a source reads.
  auto reads = [](const ShaderSource &s) {
    uint8_t m = 0;
    for (int i = 0; i < 4; ++i)
      if (s.positions & (1u << i)) m |= static_cast<uint8_t>(1u << s.swizzle[i]);
    return m;
  };
  // A register's uniform components as a constant of their own.
  auto constantOf = [&](int r) {
    float value[4];
    for (int c = 0; c < 4; ++c) value[c] = uf.r[r][c][0];
    return newConstant(value);
  };
  // Writes the uniform components `m` of register r into it, for the instructions that
  // read them with others.
  auto materialise = [&](int r, uint8_t m) {
    ShaderInstruction mov;
    mov.op = ShaderOp::Mov;
    mov.dst = static_cast<uint16_t>(r);
    mov.mask = m;
    mov.sourceCount = 1;
    mov.src[0].index = constantOf(r);
    mov.src[0].constant = true;
    mov.src[0].positions = m;
    code.push_back(mov);
    uniform[r] = static_cast<uint8_t>(uniform[r] & ~m);
  };
  for (ShaderInstruction in : p.code) {
    bool allUniform = true;
    for (int j = 0; j < in.sourceCount; ++j) {
      ShaderSource &s = in.src[j];
      if (s.constant) continue;
      const uint8_t m = reads(s), known = uniform[s.index] & m;
      if (known && known != m) materialise(s.index, known);
      if (known != m) {
        allUniform = false;
        continue;
      }
      s.index = constantOf(s.index);
      s.constant = true;
    }
    const bool texture =
        in.op == ShaderOp::Tex || in.op == ShaderOp::TexProj || in.op == ShaderOp::TexKill;
    if (allUniform && !texture) {
      const float(*constants)[4] = reinterpret_cast<const float(*)[4]>(k.data());
      const ShaderEnvironment env{constants, static_cast<int>(k.size() / 4), nullptr, false};
      uint64_t killed = 0;
      RunInstruction<1>(in, env, uf, &killed);
      uniform[in.dst] |= in.mask;
      continue;
    }
    if (in.op == ShaderOp::Cmp && in.src[0].constant) {
      // The condition is the same everywhere: each component copies the source it picks.
      uint8_t pickB = 0;
      for (int i = 0; i < 4; ++i) {
        if (!(in.mask & (1u << i))) continue;
        float a = k[4 * in.src[0].index + in.src[0].swizzle[i]];
        if (in.src[0].absolute) a = Abs(a);
        if (in.src[0].negate) a = -a;
        if (a >= 0.0f) pickB |= static_cast<uint8_t>(1u << i);
      }
      const uint8_t pickC = static_cast<uint8_t>(in.mask & ~pickB);
      // Two moves may not read what the first writes.
      const bool apart = (in.src[1].constant || in.src[1].index != in.dst) &&
                         (in.src[2].constant || in.src[2].index != in.dst);
      if (!pickB || !pickC || apart) {
        for (int j = 1; j < 3; ++j) {
          const uint8_t m = j == 1 ? pickB : pickC;
          if (!m) continue;
          ShaderInstruction mov = in;
          mov.op = ShaderOp::Mov;
          mov.mask = m;
          mov.sourceCount = 1;
          mov.src[0] = in.src[j];
          mov.src[0].positions = m;
          code.push_back(mov);
        }
        uniform[in.dst] = static_cast<uint8_t>(uniform[in.dst] & ~in.mask);
        continue;
      }
    }
    code.push_back(in);
    if (in.op != ShaderOp::TexKill)
      uniform[in.dst] = static_cast<uint8_t>(uniform[in.dst] & ~in.mask);
  }
  // The outputs are read from the registers.
  for (int r = reg::kPosition; r < reg::kCount; ++r)
    if (uniform[r]) materialise(r, uniform[r]);
  KeepWhatIsRead(&code);
}

// Where each component of oC0 comes from at the end of the code, when every one is a channel
// of a texture read moved on unchanged: those reads are marked with a row for their texel
// words, which the colour is then packed from, and what only fed oC0 is dropped.
inline void PackTexelsWhereTheColourIsThem(ShaderSteps *out, int n) {
  struct Origin {
    int read = -1; // index into the code of the texture read
    int channel = 0;
  };
  std::vector<ShaderInstruction> &code = out->code;
  Origin origin[reg::kCount][4];
  for (size_t k = 0; k < code.size(); ++k) {
    const ShaderInstruction &in = code[k];
    if (in.op == ShaderOp::TexKill) continue;
    Origin now[4];
    const ShaderSource &s = in.src[0];
    // Only reads that take TexStep, which keeps the words.
    const bool texture = in.op == ShaderOp::Tex && !in.saturate;
    const bool plainMove =
        in.op == ShaderOp::Mov && !s.constant && !s.negate && !s.absolute && !in.saturate;
    for (int i = 0; i < 4; ++i) {
      if (texture) now[i] = {static_cast<int>(k), i};
      if (plainMove) now[i] = origin[s.index][s.swizzle[i]];
    }
    for (int i = 0; i < 4; ++i)
      if (in.mask & (1u << i)) origin[in.dst][i] = now[i];
  }
  out->packsTexels = false;
  const Origin *colour = origin[reg::kPixelColor];
  for (int i = 0; i < 4; ++i)
    if (colour[i].read < 0) return;
  static constexpr int kShift[4] = {16, 8, 0, 24};
  int rows = 0;
  for (int i = 0; i < 4; ++i) {
    ShaderInstruction &read = code[static_cast<size_t>(colour[i].read)];
    if (read.wordRow < 0) read.wordRow = static_cast<int16_t>(rows++);
    out->shift[i] = kShift[colour[i].channel];
  }
  out->words.assign(static_cast<size_t>(rows) * static_cast<size_t>(n), 0u);
  for (int i = 0; i < 4; ++i)
    out->row[i] =
        out->words.data() + static_cast<size_t>(code[static_cast<size_t>(colour[i].read)].wordRow) *
                                static_cast<size_t>(n);
  out->packsTexels = true;
  KeepWhatIsRead(&code, false);
}

// Turns the draw's pixel shader into steps on the registers at setup.shaderRegisters; false
// (nothing made) for a program the interpreter keeps.
template <int N> bool PrepareSteps(const PixelSetup &setup, ShaderSteps *out) {
  const ShaderProgram &program = *setup.pixelShader;
  if (program.code.size() > kMaxSteppedInstructions) return false;
  for (const ShaderInstruction &in : program.code)
    for (int j = 0; j < in.sourceCount; ++j)
      if (in.src[j].relative) return false;
  FoldUniforms(program, setup.psConstants, out);
  PackTexelsWhereTheColourIsThem(out, N);
  const std::vector<ShaderInstruction> &code = out->code;
  const float *constants = out->constants.data();
  size_t constantRows = 0;
  for (const ShaderInstruction &in : code)
    for (int j = 0; j < in.sourceCount; ++j)
      if (in.src[j].constant) constantRows += 4;
  // A row of zeros for the positions an operation does not read, the rows of the modified
  // sources of one instruction, then the constants.
  constexpr size_t kModifierRows = 3 * 4;
  out->rows.assign((1 + kModifierRows + constantRows) * N, 0.0f);
  out->steps.clear();
  out->steps.reserve(4 * code.size());
  LaneFile<N> &f = *reinterpret_cast<LaneFile<N> *>(setup.shaderRegisters);
  // Components of t# the program reads but the declaration leaves out read 0; nothing writes
  // t#, so they are zeroed once here rather than for every block.
  for (int t = 0; t < 8; ++t)
    for (int i = 0; i < 4; ++i)
      if (!(program.texCoordComponents[t] & (1u << i)))
        std::fill(f.r[reg::kTexture + t][i], f.r[reg::kTexture + t][i] + N, 0.0f);
  const float *zero = out->rows.data();
  float *modified = out->rows.data() + N;
  float *nextConstant = modified + kModifierRows * N;

  for (const ShaderInstruction &in : code) {
    const bool component = ComponentFunction<N, false>(in.op) != nullptr;
    const bool scalar = ScalarFunction<N, false>(in.op) != nullptr;
    const bool tex = in.op == ShaderOp::Tex && !in.saturate;
    if (!component && !scalar && !tex) {
      ShaderStep st;
      st.run = &InterpretStep<N>;
      st.in = &in;
      out->steps.push_back(st);
      continue;
    }
    ShaderStep modify[3];
    // The row source j reads at `position`, as FetchSource reads it.
    auto row = [&](int j, int position) -> const float * {
      const ShaderSource &s = in.src[j];
      const int c = s.swizzle[position];
      if (s.constant) {
        float k = constants[4 * s.index + c];
        if (s.absolute) k = Abs(k);
        if (s.negate) k = -k;
        float *r = nextConstant;
        nextConstant += N;
        std::fill(r, r + N, k);
        return r;
      }
      if (!s.absolute && !s.negate) return f.r[s.index][c];
      float *r = modified + (4 * j + position) * N;
      ShaderStep &m = modify[j];
      m.src[0][m.count] = f.r[s.index][c];
      m.dst[m.count++] = r;
      return r;
    };
    ShaderStep st;
    st.in = &in;
    for (auto &positions : st.src)
      for (const float *&r : positions) r = zero;
    if (tex) {
      st.run = &TexStep<N>;
      st.src[0][0] = row(0, 0);
      st.src[0][1] = row(0, 1);
      st.dst[0] = f.r[in.dst][0];
      if (in.wordRow >= 0)
        st.words = out->words.data() + static_cast<size_t>(in.wordRow) * static_cast<size_t>(N);
    } else if (component) {
      bool staged = false;
      for (int i = 0; i < 4; ++i) {
        if (!(in.mask & (1u << i))) continue;
        for (int j = 0; j < in.sourceCount; ++j) {
          st.src[j][st.count] = row(j, i);
          for (int k = 0; k < st.count; ++k) staged = staged || st.src[j][st.count] == st.dst[k];
        }
        st.dst[st.count++] = f.r[in.dst][i];
      }
      st.run = staged ? (in.saturate ? ComponentFunction<N, true>(in.op)
                                     : ComponentFunction<N, false>(in.op))
                      : (in.saturate ? ComponentFunction<N, true, false>(in.op)
                                     : ComponentFunction<N, false, false>(in.op));
    } else {
      st.run = in.saturate ? ScalarFunction<N, true>(in.op) : ScalarFunction<N, false>(in.op);
      for (int j = 0; j < in.sourceCount; ++j)
        for (int i = 0; i < 4; ++i)
          if (in.src[j].positions & (1u << i)) st.src[j][i] = row(j, i);
      for (int i = 0; i < 4; ++i)
        if (in.mask & (1u << i)) st.dst[st.count++] = f.r[in.dst][i];
    }
    for (int j = 0; j < 3; ++j) {
      if (!modify[j].count) continue;
      const ShaderSource &s = in.src[j];
      modify[j].run = s.absolute
                          ? (s.negate ? &ModifyStep<N, true, true> : &ModifyStep<N, true, false>)
                          : &ModifyStep<N, false, true>;
      out->steps.push_back(modify[j]);
    }
    out->steps.push_back(st);
  }
  PlanTexelWalks(program, out, N);
  return true;
}

// Runs the prepared steps on the block's registers; returns the lanes texkill discarded.
template <int N>
uint64_t RunSteps(const ShaderSteps &steps, const ShaderEnvironment &env, LaneFile<N> &f) {
  StepRun<N> run{&env, &f, 0};
  for (const ShaderStep &st : steps.steps) st.run(st, &run);
  return run.killed;
}

} // namespace
} // namespace zrq::d3d9
