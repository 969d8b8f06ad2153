// Checking and translating shader tokens: vs_1_1, vs_2_0 and ps_2_0 without flow control.
#include "platform/d3d9/ShaderProgram.h"

#include <cstring>

namespace zrq::d3d9 {
namespace {

enum Profile : uint8_t {
  kVs11 = 1,
  kVs20 = 2,
  kPs20 = 4,
  kVs = kVs11 | kVs20,
  kAll = kVs | kPs20,
  kTwo = kVs20 | kPs20
};

struct OpcodeRule {
  DWORD opcode;
  ShaderOp op;
  uint8_t sources;
  uint8_t profiles;
};

// What each opcode the device runs takes, and in which versions it exists.
constexpr OpcodeRule kRules[] = {
    {D3DSIO_MOV, ShaderOp::Mov, 1, kAll},          {D3DSIO_ADD, ShaderOp::Add, 2, kAll},
    {D3DSIO_SUB, ShaderOp::Sub, 2, kAll},          {D3DSIO_MAD, ShaderOp::Mad, 3, kAll},
    {D3DSIO_MUL, ShaderOp::Mul, 2, kAll},          {D3DSIO_RCP, ShaderOp::Rcp, 1, kAll},
    {D3DSIO_RSQ, ShaderOp::Rsq, 1, kAll},          {D3DSIO_DP3, ShaderOp::Dp3, 2, kAll},
    {D3DSIO_DP4, ShaderOp::Dp4, 2, kAll},          {D3DSIO_MIN, ShaderOp::Min, 2, kAll},
    {D3DSIO_MAX, ShaderOp::Max, 2, kAll},          {D3DSIO_SLT, ShaderOp::Slt, 2, kVs},
    {D3DSIO_SGE, ShaderOp::Sge, 2, kVs},           {D3DSIO_EXP, ShaderOp::Exp, 1, kAll},
    {D3DSIO_LOG, ShaderOp::Log, 1, kAll},          {D3DSIO_EXPP, ShaderOp::ExpP11, 1, kVs},
    {D3DSIO_LOGP, ShaderOp::LogP11, 1, kVs},       {D3DSIO_LIT, ShaderOp::Lit, 1, kVs},
    {D3DSIO_DST, ShaderOp::Dst, 2, kVs},           {D3DSIO_LRP, ShaderOp::Lrp, 3, kTwo},
    {D3DSIO_FRC, ShaderOp::Frc, 1, kAll},          {D3DSIO_M4x4, ShaderOp::Dp4, 2, kAll},
    {D3DSIO_M4x3, ShaderOp::Dp4, 2, kAll},         {D3DSIO_M3x4, ShaderOp::Dp3, 2, kAll},
    {D3DSIO_M3x3, ShaderOp::Dp3, 2, kAll},         {D3DSIO_M3x2, ShaderOp::Dp3, 2, kAll},
    {D3DSIO_POW, ShaderOp::Pow, 2, kTwo},          {D3DSIO_CRS, ShaderOp::Crs, 2, kTwo},
    {D3DSIO_SGN, ShaderOp::Sgn, 3, kVs20},         {D3DSIO_ABS, ShaderOp::Abs, 1, kTwo},
    {D3DSIO_NRM, ShaderOp::Nrm, 1, kTwo},          {D3DSIO_SINCOS, ShaderOp::SinCos, 3, kTwo},
    {D3DSIO_MOVA, ShaderOp::MovA, 1, kVs20},       {D3DSIO_CMP, ShaderOp::Cmp, 3, kPs20},
    {D3DSIO_DP2ADD, ShaderOp::Dp2Add, 3, kPs20},   {D3DSIO_TEX, ShaderOp::Tex, 2, kPs20},
    {D3DSIO_TEXKILL, ShaderOp::TexKill, 0, kPs20},
};

const OpcodeRule *FindRule(DWORD opcode) {
  for (const OpcodeRule &r : kRules)
    if (r.opcode == opcode) return &r;
  return nullptr;
}

// Rows of a matrix instruction; 0 for the others.
int MatrixRows(DWORD opcode) {
  switch (opcode) {
  case D3DSIO_M4x4:
  case D3DSIO_M3x4:
    return 4;
  case D3DSIO_M4x3:
  case D3DSIO_M3x3:
    return 3;
  case D3DSIO_M3x2:
    return 2;
  default:
    return 0;
  }
}

DWORD RegisterType(DWORD token) {
  return ((token & D3DSP_REGTYPE_MASK) >> D3DSP_REGTYPE_SHIFT) |
         ((token & D3DSP_REGTYPE_MASK2) >> D3DSP_REGTYPE_SHIFT2);
}

// Reads tokens one by one, never past the end token.
class TokenCursor {
public:
  explicit TokenCursor(const std::vector<DWORD> &t) : t_(t) {}
  bool Next(DWORD *out) {
    if (i_ + 1 >= t_.size()) return false; // the last token is the end token
    *out = t_[i_++];
    return true;
  }
  bool Skip(size_t n) {
    if (n > t_.size() - 1 - i_) return false;
    i_ += n;
    return true;
  }
  bool AtEnd() const { return i_ + 1 >= t_.size(); }
  size_t Position() const { return i_; }

private:
  const std::vector<DWORD> &t_;
  size_t i_ = 1;
};

class Translator {
public:
  explicit Translator(ShaderProgram *p) : p_(p) {
    profile_ = p->pixel ? kPs20 : (D3DSHADER_VERSION_MAJOR(p->version) >= 2 ? kVs20 : kVs11);
  }

  bool Run(const std::vector<DWORD> &tokens) {
    TokenCursor cursor(tokens);
    DWORD token;
    while (cursor.Next(&token)) {
      const DWORD opcode = token & D3DSI_OPCODE_MASK;
      if (opcode == D3DSIO_COMMENT) {
        if (!cursor.Skip((token & D3DSI_COMMENTSIZE_MASK) >> D3DSI_COMMENTSIZE_SHIFT)) return false;
        continue;
      }
      if (opcode == D3DSIO_END) return false; // an end token before the last
      if (token & (D3DSHADER_INSTRUCTION_PREDICATED | D3DSI_COISSUE | 0x80000000u)) return false;
      const size_t start = cursor.Position();
      if (!Instruction(opcode, token, cursor)) return false;
      // From 2.0 on every instruction states its length; it must be the one it has.
      if (profile_ != kVs11 &&
          cursor.Position() - start != ((token & D3DSI_INSTLENGTH_MASK) >> D3DSI_INSTLENGTH_SHIFT))
        return false;
    }
    return cursor.AtEnd();
  }

private:
  bool Instruction(DWORD opcode, DWORD token, TokenCursor &c) {
    DWORD params[5];
    switch (opcode) {
    case D3DSIO_NOP:
      return true;
    case D3DSIO_DCL:
      return c.Next(&params[0]) && c.Next(&params[1]) && Declaration(params[0], params[1]);
    case D3DSIO_DEF: {
      for (DWORD &t : params)
        if (!c.Next(&t)) return false;
      if (RegisterType(params[0]) != D3DSPR_CONST ||
          (params[0] & D3DSP_REGNUM_MASK) >= ConstantCount())
        return false;
      ShaderProgram::Definition d{static_cast<uint16_t>(params[0] & D3DSP_REGNUM_MASK), {}};
      std::memcpy(d.value, &params[1], sizeof d.value);
      p_->definitions.push_back(d);
      return true;
    }
    // Integer and boolean constants steer flow control, which the device does not run:
    // they are accepted and have no effect.
    case D3DSIO_DEFI:
      return profile_ == kVs20 && c.Skip(5);
    case D3DSIO_DEFB:
      return profile_ == kVs20 && c.Skip(2);
    default:
      break;
    }
    const OpcodeRule *rule = FindRule(opcode);
    if (!rule || !(rule->profiles & profile_)) return false;
    ShaderInstruction in;
    in.op = rule->op;
    if (opcode == D3DSIO_TEX)
      in.op = (token & D3DSI_TEXLD_PROJECT) ? ShaderOp::TexProj : ShaderOp::Tex;
    DWORD dst;
    if (!c.Next(&dst) || !Destination(dst, in)) return false;
    // sincos reads only its first source before 3.0; the other two are fixed constants.
    const uint8_t read = rule->op == ShaderOp::SinCos ? 1 : rule->sources;
    const uint8_t sources = rule->op == ShaderOp::SinCos && profile_ == kPs20 ? 3 : rule->sources;
    in.sourceCount = read;
    for (uint8_t i = 0; i < sources; ++i) {
      ShaderSource s;
      if (!Source(c, in, i, &s)) return false;
      if (i < read) in.src[i] = s;
    }
    if (in.op == ShaderOp::TexKill) {
      p_->discards = true;
      in.src[0] = ShaderSource{};
      in.src[0].index = in.dst;
      in.src[0].positions = 0x7;
      in.sourceCount = 1;
    }
    if (in.op == ShaderOp::Tex || in.op == ShaderOp::TexProj) {
      if (in.src[1].sampler < 0) return false;
      in.sampler = static_cast<uint8_t>(in.src[1].sampler);
      p_->samplersUsed |= static_cast<uint16_t>(1u << in.sampler);
      in.sourceCount = 1;
    }
    if (in.op == ShaderOp::Mov && in.dst == reg::kAddress && !p_->pixel)
      in.op = ShaderOp::MovAFloor;
    if ((in.dst == reg::kAddress && !p_->pixel) !=
        (in.op == ShaderOp::MovA || in.op == ShaderOp::MovAFloor))
      return false;
    return Emit(opcode, in);
  }

  // Notes reads of temporaries before their writes, then the instruction's own write.
  void Track(const ShaderInstruction &in) {
    for (int k = 0; k < in.sourceCount; ++k) {
      const ShaderSource &s = in.src[k];
      if (s.constant || s.index >= reg::kInput) continue;
      for (int i = 0; i < 4; ++i)
        if ((s.positions & (1u << i)) && !(written_[s.index] & (1u << s.swizzle[i])))
          p_->readsUnwritten = true;
    }
    if (in.op != ShaderOp::TexKill) written_[in.dst] |= in.mask;
  }

  // Adds the instruction, splitting a matrix instruction into one dot product per row.
  bool Emit(DWORD opcode, ShaderInstruction in) {
    const int rows = MatrixRows(opcode);
    if (!rows) {
      Track(in);
      p_->code.push_back(in);
      return true;
    }
    // A row written before the last is read would change the product.
    if (!in.src[0].constant && in.src[0].index == in.dst) return false;
    const uint16_t limit = in.src[1].constant ? ConstantCount() : reg::kCount;
    if (in.src[1].index + rows > limit) return false;
    for (int k = 0; k < rows; ++k) {
      if (!(in.mask & (1u << k))) continue;
      ShaderInstruction row = in;
      row.mask = static_cast<uint8_t>(1u << k);
      row.src[1].index = static_cast<uint16_t>(in.src[1].index + k);
      Track(row);
      p_->code.push_back(row);
    }
    return true;
  }

  uint16_t ConstantCount() const { return p_->pixel ? 32 : reg::kConstants; }

  bool Declaration(DWORD decl, DWORD dst) {
    if (!(decl & 0x80000000u) || !(dst & 0x80000000u)) return false;
    const DWORD type = RegisterType(dst), n = dst & D3DSP_REGNUM_MASK;
    if (p_->pixel) {
      if (type == D3DSPR_SAMPLER) return n < 16 && (decl & D3DSP_TEXTURETYPE_MASK) == D3DSTT_2D;
      if (type == D3DSPR_TEXTURE && n < 8) {
        // What the declaration leaves out is never interpolated (and reads as 0).
        p_->texCoordComponents[n] = static_cast<uint8_t>((dst & D3DSP_WRITEMASK_ALL) >> 16);
        return true;
      }
      if (type == D3DSPR_TEXTURE) return false;
      if (type == D3DSPR_INPUT) return n < 2;
      return false;
    }
    if (type != D3DSPR_INPUT || n >= 16) return false;
    p_->inputs.push_back(
        {static_cast<uint8_t>(n), static_cast<BYTE>(decl & D3DSP_DCL_USAGE_MASK),
         static_cast<BYTE>((decl & D3DSP_DCL_USAGEINDEX_MASK) >> D3DSP_DCL_USAGEINDEX_SHIFT)});
    return true;
  }

  bool Destination(DWORD t, ShaderInstruction &in) {
    if (!(t & 0x80000000u) || (t & D3DSP_DSTSHIFT_MASK) || (t & D3DSHADER_ADDRMODE_RELATIVE))
      return false;
    const DWORD type = RegisterType(t), n = t & D3DSP_REGNUM_MASK;
    in.mask = static_cast<uint8_t>((t & D3DSP_WRITEMASK_ALL) >> 16);
    in.saturate = (t & D3DSPDM_SATURATE) != 0;
    if (in.mask == 0) return false;
    int index = -1;
    if (type == D3DSPR_TEMP && n < 12) index = reg::kTemp + static_cast<int>(n);
    if (p_->pixel) {
      if (type == D3DSPR_COLOROUT && n < 4) index = reg::kPixelColor + static_cast<int>(n);
      if (type == D3DSPR_DEPTHOUT && n == 0) index = reg::kDepth, p_->writesDepth = true;
      // texkill names the register it tests as its destination.
      if (in.op == ShaderOp::TexKill && type == D3DSPR_TEXTURE && n < 8) {
        index = reg::kTexture + static_cast<int>(n);
        p_->texCoordsRead |= static_cast<uint8_t>(1u << n);
      }
    } else {
      if (type == D3DSPR_RASTOUT && n < 3) index = reg::kPosition + static_cast<int>(n);
      if (type == D3DSPR_ATTROUT && n < 2) {
        index = reg::kColorOut + static_cast<int>(n);
        p_->colorsWritten |= static_cast<uint8_t>(1u << n);
      }
      if (type == D3DSPR_TEXCRDOUT && n < 8) {
        index = reg::kTexCoordOut + static_cast<int>(n);
        p_->texCoordsWritten |= static_cast<uint8_t>(1u << n);
      }
      if (type == D3DSPR_ADDR && n == 0) index = reg::kAddress;
    }
    if (index < 0) return false;
    in.dst = static_cast<uint16_t>(index);
    return true;
  }

  bool Source(TokenCursor &c, const ShaderInstruction &in, uint8_t position, ShaderSource *s) {
    DWORD t;
    if (!c.Next(&t) || !(t & 0x80000000u)) return false;
    const DWORD type = RegisterType(t), n = t & D3DSP_REGNUM_MASK;
    const DWORD swizzle = (t & D3DSP_SWIZZLE_MASK) >> D3DSP_SWIZZLE_SHIFT;
    for (int i = 0; i < 4; ++i) s->swizzle[i] = static_cast<uint8_t>((swizzle >> (2 * i)) & 3);
    switch (t & D3DSP_SRCMOD_MASK) {
    case D3DSPSM_NONE:
      break;
    case D3DSPSM_NEG:
      s->negate = true;
      break;
    case D3DSPSM_ABS:
      s->absolute = true;
      break;
    case D3DSPSM_ABSNEG:
      s->negate = s->absolute = true;
      break;
    default:
      return false;
    }
    if (t & D3DSHADER_ADDRMODE_RELATIVE) {
      if (p_->pixel || type != D3DSPR_CONST) return false;
      s->relative = true;
      if (profile_ == kVs20) {
        DWORD address;
        if (!c.Next(&address) || !(address & 0x80000000u) || RegisterType(address) != D3DSPR_ADDR ||
            (address & D3DSP_REGNUM_MASK) != 0)
          return false;
        s->relativeLane =
            static_cast<uint8_t>(((address & D3DSP_SWIZZLE_MASK) >> D3DSP_SWIZZLE_SHIFT) & 3);
      }
    }
    s->positions = Positions(in, position);
    const bool isTex = in.op == ShaderOp::Tex || in.op == ShaderOp::TexProj;
    if (isTex && position == 1) {
      if (type != D3DSPR_SAMPLER || n >= 16) return false;
      s->sampler = static_cast<int>(n);
      return true;
    }
    int index = -1;
    if (type == D3DSPR_TEMP && n < 12) index = reg::kTemp + static_cast<int>(n);
    if (type == D3DSPR_CONST && n < ConstantCount()) {
      s->constant = true;
      index = static_cast<int>(n);
    }
    if (p_->pixel) {
      if (type == D3DSPR_TEXTURE && n < 8) {
        index = reg::kTexture + static_cast<int>(n);
        p_->texCoordsRead |= static_cast<uint8_t>(1u << n);
      }
      if (type == D3DSPR_INPUT && n < 2) {
        index = reg::kInput + static_cast<int>(n);
        p_->colorsRead |= static_cast<uint8_t>(1u << n);
      }
    } else if (type == D3DSPR_INPUT && n < 16) {
      index = reg::kInput + static_cast<int>(n);
    }
    if (index < 0) return false;
    s->index = static_cast<uint16_t>(index);
    return true;
  }

  // The positions of source `i` the operation reads, before the swizzle.
  static uint8_t Positions(const ShaderInstruction &in, int i) {
    switch (in.op) {
    case ShaderOp::Dp3:
    case ShaderOp::Crs:
    case ShaderOp::Nrm:
      return 0x7;
    case ShaderOp::Dp4:
    case ShaderOp::Lit:
      return 0xF;
    // A 2D texture read takes u and v; texldp divides them by w.
    case ShaderOp::Tex:
      return 0x3;
    case ShaderOp::TexProj:
      return 0xB;
    case ShaderOp::Dp2Add:
      return i < 2 ? 0x3 : 0x1;
    case ShaderOp::Rcp:
    case ShaderOp::Rsq:
    case ShaderOp::Exp:
    case ShaderOp::Log:
    case ShaderOp::ExpP11:
    case ShaderOp::LogP11:
    case ShaderOp::Pow:
    case ShaderOp::SinCos:
    case ShaderOp::MovA:
    case ShaderOp::MovAFloor:
      return 0x1;
    case ShaderOp::Dst:
      return i == 0 ? 0x6 : 0xA;
    default:
      return in.mask;
    }
  }

  ShaderProgram *p_;
  uint8_t profile_;
  uint8_t written_[reg::kCount] = {}; // components written so far, per register

public:
  // A pixel shader's colour is read whole when the pixel is written.
  void Finish() {
    if (p_->pixel && (written_[reg::kPixelColor] & 0xF) != 0xF) p_->readsUnwritten = true;
  }
};

} // namespace

void KeepWhatIsRead(std::vector<ShaderInstruction> *code, bool colourRead) {
  uint8_t live[reg::kCount] = {};
  for (int r = reg::kPosition; r < reg::kCount; ++r) live[r] = 0xF; // every output
  if (!colourRead) live[reg::kPixelColor] = 0;
  std::vector<ShaderInstruction> kept;
  for (auto in = code->rbegin(); in != code->rend(); ++in) {
    ShaderInstruction i = *in;
    if (i.op != ShaderOp::TexKill) {
      const uint8_t used = static_cast<uint8_t>(i.mask & live[i.dst]);
      if (!used && i.wordRow < 0) continue;
      // Component-wise operations read the positions they write; the others read fixed ones.
      const bool componentWise =
          i.op == ShaderOp::Mov || i.op == ShaderOp::Add || i.op == ShaderOp::Sub ||
          i.op == ShaderOp::Mad || i.op == ShaderOp::Mul || i.op == ShaderOp::Min ||
          i.op == ShaderOp::Max || i.op == ShaderOp::Slt || i.op == ShaderOp::Sge ||
          i.op == ShaderOp::Lrp || i.op == ShaderOp::Frc || i.op == ShaderOp::Abs ||
          i.op == ShaderOp::Sgn || i.op == ShaderOp::Cmp || i.op == ShaderOp::MovA ||
          i.op == ShaderOp::MovAFloor;
      if (componentWise)
        for (int k = 0; k < i.sourceCount; ++k) i.src[k].positions = used;
      i.mask = used;
      live[i.dst] = static_cast<uint8_t>(live[i.dst] & ~i.mask);
    }
    for (int k = 0; k < i.sourceCount; ++k) {
      const ShaderSource &s = i.src[k];
      if (s.relative) live[reg::kAddress] |= static_cast<uint8_t>(1u << s.relativeLane);
      if (s.constant) continue;
      for (int c = 0; c < 4; ++c)
        if (s.positions & (1u << c)) live[s.index] |= static_cast<uint8_t>(1u << s.swizzle[c]);
    }
    kept.push_back(i);
  }
  code->assign(kept.rbegin(), kept.rend());
}

bool TranslateShader(const std::vector<DWORD> &tokens, ShaderProgram *program) {
  if (tokens.size() < 2) return false;
  const DWORD version = tokens[0];
  if (version != D3DVS_VERSION(1, 1) && version != D3DVS_VERSION(2, 0) &&
      version != D3DPS_VERSION(2, 0))
    return false;
  *program = ShaderProgram{};
  program->pixel = (version & 0xFFFF0000u) == D3DPS_VERSION(0, 0);
  program->version = version;
  Translator translator(program);
  if (!translator.Run(tokens)) return false;
  translator.Finish();
  KeepWhatIsRead(&program->code);
  return true;
}

} // namespace zrq::d3d9
