#include "platform/d3dx9/shader/Assembler.h"

#include <cctype>
#include <charconv>
#include <cstring>

#include "platform/d3dx9/shader/AssemblyNames.h"
#include "platform/d3dx9/shader/ErrorCodes.h"
#include "platform/d3dx9/shader/FloatText.h"
#include "platform/d3dx9/shader/OpcodeTable.h"

namespace zrq::d3dx9 {
namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char &c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::vector<std::string> SplitUnderscores(const std::string &text) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find('_', start);
    parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

int LaneOf(char c) {
  switch (std::tolower(static_cast<unsigned char>(c))) {
  case 'x':
  case 'r':
    return 0;
  case 'y':
  case 'g':
    return 1;
  case 'z':
  case 'b':
    return 2;
  case 'w':
  case 'a':
    return 3;
  default:
    return -1;
  }
}

} // namespace

// The tokens of one line and the reading position in them.
class Assembler::Line {
public:
  Line(std::vector<Token> tokens, Diagnostics &diagnostics, ShaderKind kind)
      : tokens(std::move(tokens)), diagnostics(diagnostics), kind(kind) {}

  bool AtEnd() const { return position >= tokens.size(); }
  const Token *Peek() const { return AtEnd() ? nullptr : &tokens[position]; }
  bool Accept(const char *spelling) {
    if (AtEnd() || !tokens[position].Is(spelling)) return false;
    ++position;
    return true;
  }
  const Token &Take(const char *what) {
    if (AtEnd()) Fail(tokens.back(), std::string(what) + " expected at the end of the line");
    return tokens[position++];
  }
  void Expect(const char *spelling) {
    if (AtEnd())
      Fail(tokens.back(), std::string("'") + spelling + "' expected at the end of the line");
    const Token &t = Take(spelling);
    if (!t.Is(spelling)) Fail(t, std::string("'") + spelling + "' expected, not '" + t.text + "'");
  }
  [[noreturn]] void Fail(const Token &at, const std::string &message) {
    diagnostics.Error(at.location, error::kBadOperand, message);
  }

  DestinationParameter Destination() {
    DestinationParameter d;
    const Token &t = Take("a destination register");
    const auto reg = ParseRegisterName(t.text, kind);
    if (!reg) Fail(t, "'" + t.text + "' is not a register");
    d.type = reg->first;
    d.number = reg->second;
    if (Accept(".")) d.writeMask = Mask(Take("a write mask"));
    return d;
  }

  SourceParameter Source() {
    SourceParameter s;
    bool negate = false;
    std::string suffix;
    if (Accept("-")) negate = true;
    if (Accept("!")) s.modifier = SourceModifier::Not;
    if (const Token *one = Peek(); one && one->kind == TokenKind::Number && one->text == "1" &&
                                   position + 1 < tokens.size() && tokens[position + 1].Is("-")) {
      position += 2;
      s.modifier = SourceModifier::Comp;
    }
    const Token &t = Take("a source register");
    std::string name = t.text;
    if (const size_t underscore = name.find('_');
        underscore != std::string::npos && t.kind == TokenKind::Identifier) {
      suffix = name.substr(underscore + 1);
      name.resize(underscore);
    }
    if (Lower(name) == "c" && Peek() && Peek()->Is("[")) {
      s.type = RegisterType::Const; // c[a0.x + n]
    } else {
      const auto reg = ParseRegisterName(name, kind);
      if (!reg) Fail(t, "'" + t.text + "' is not a register");
      s.type = reg->first;
      s.number = reg->second;
    }
    if (Accept("[")) {
      s.relative = true;
      const Token &a = Take("an address register");
      const auto address = ParseRegisterName(a.text, kind);
      if (!address) Fail(a, "'" + a.text + "' is not an address register");
      s.address.type = address->first;
      s.address.number = address->second;
      if (Accept(".")) s.address.lane = SwizzleLane(Swizzle(Take("a lane")), 0);
      if (Accept("+")) {
        const Token &n = Take("an offset");
        uint32_t offset = 0;
        const auto [end, ec] =
            std::from_chars(n.text.data(), n.text.data() + n.text.size(), offset);
        if (ec != std::errc() || end != n.text.data() + n.text.size())
          Fail(n, "'" + n.text + "' is not an offset");
        s.number += offset;
      }
      Expect("]");
    }
    if (Accept(".")) {
      const Token &sw = Take("a swizzle");
      std::string lanes = sw.text;
      if (const size_t underscore = lanes.find('_'); underscore != std::string::npos) {
        suffix = lanes.substr(underscore + 1);
        lanes.resize(underscore);
      }
      Token bare = sw;
      bare.text = lanes;
      s.swizzle = Swizzle(bare);
    }
    if (!suffix.empty())
      s.modifier = Suffixed(t, Lower(suffix), negate);
    else if (negate)
      s.modifier = s.modifier == SourceModifier::None ? SourceModifier::Neg : Bad(t);
    return s;
  }

  uint32_t Float() {
    const bool negative = Accept("-");
    if (!negative) Accept("+");
    const Token &t = Take("a number");
    if (t.text.size() > 2 && t.text[0] == '0' && (t.text[1] == 'x' || t.text[1] == 'X')) {
      uint32_t bits = 0;
      const auto [end, ec] =
          std::from_chars(t.text.data() + 2, t.text.data() + t.text.size(), bits, 16);
      if (ec != std::errc() || end != t.text.data() + t.text.size())
        Fail(t, "'" + t.text + "' is not a number");
      return negative ? bits ^ 0x80000000u : bits;
    }
    std::string digits = t.text;
    if (!digits.empty() && (digits.back() == 'f' || digits.back() == 'F')) digits.pop_back();
    float value = 0;
    if (!ParseFloat(digits, value)) Fail(t, "'" + t.text + "' is not a number");
    if (negative) value = -value;
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return bits;
  }

  uint32_t Integer() {
    const bool negative = Accept("-");
    const Token &t = Take("an integer");
    int32_t value = 0;
    const auto [end, ec] = std::from_chars(t.text.data(), t.text.data() + t.text.size(), value);
    if (ec != std::errc() || end != t.text.data() + t.text.size())
      Fail(t, "'" + t.text + "' is not an integer");
    return static_cast<uint32_t>(negative ? -static_cast<int64_t>(value) : value);
  }

  uint32_t Boolean() {
    const Token &t = Take("true or false");
    const std::string word = Lower(t.text);
    if (word != "true" && word != "false") Fail(t, "true or false expected, not '" + t.text + "'");
    return word == "true" ? 1 : 0;
  }

  const Token &First() const { return tokens.front(); }

private:
  SourceModifier Bad(const Token &at) { Fail(at, "modifiers that cannot be combined"); }

  SourceModifier Suffixed(const Token &at, const std::string &suffix, bool negate) {
    struct Pair {
      const char *suffix;
      SourceModifier plain, negated;
    };
    static constexpr Pair kSuffixes[] = {{"bias", SourceModifier::Bias, SourceModifier::BiasNeg},
                                         {"bx2", SourceModifier::Sign, SourceModifier::SignNeg},
                                         {"x2", SourceModifier::X2, SourceModifier::X2Neg},
                                         {"abs", SourceModifier::Abs, SourceModifier::AbsNeg},
                                         {"dz", SourceModifier::Dz, SourceModifier::Dz},
                                         {"dw", SourceModifier::Dw, SourceModifier::Dw}};
    for (const Pair &p : kSuffixes)
      if (suffix == p.suffix) {
        if (negate && p.plain == p.negated) return Bad(at);
        return negate ? p.negated : p.plain;
      }
    Fail(at, "unknown source modifier '_" + suffix + "'");
  }

  uint8_t Mask(const Token &t) {
    uint8_t mask = 0;
    int last = -1;
    for (char c : t.text) {
      const int lane = LaneOf(c);
      if (lane <= last) Fail(t, "'" + t.text + "' is not a write mask");
      mask = static_cast<uint8_t>(mask | (1 << lane));
      last = lane;
    }
    if (!mask) Fail(t, "'" + t.text + "' is not a write mask");
    return mask;
  }

  uint8_t Swizzle(const Token &t) {
    if (t.text.empty() || t.text.size() > 4) Fail(t, "'" + t.text + "' is not a swizzle");
    uint8_t lanes[4];
    for (size_t i = 0; i < 4; ++i) {
      const int lane = LaneOf(t.text[std::min(i, t.text.size() - 1)]);
      if (lane < 0) Fail(t, "'" + t.text + "' is not a swizzle");
      lanes[i] = static_cast<uint8_t>(lane);
    }
    return MakeSwizzle(lanes[0], lanes[1], lanes[2], lanes[3]);
  }

  std::vector<Token> tokens;
  Diagnostics &diagnostics;
  ShaderKind kind;
  size_t position = 0;
};

DecodedShader Assembler::Assemble(const std::vector<Token> &tokens) {
  DecodedShader shader;
  size_t i = 0;
  bool haveVersion = false;
  while (i < tokens.size()) {
    std::vector<Token> line{tokens[i++]};
    while (i < tokens.size() && !tokens[i].atLineStart) line.push_back(tokens[i++]);
    if (!haveVersion) {
      shader.version = Version(line);
      haveVersion = true;
      continue;
    }
    Line reader(std::move(line), diagnostics, ShaderKind{pixel, major});
    shader.instructions.push_back(ParseInstruction(reader));
  }
  if (!haveVersion)
    diagnostics.Error(error::kNoVersion, "shader version expected (vs_1_1, vs_2_0, ps_2_0...)");
  return shader;
}

uint32_t Assembler::Version(const std::vector<Token> &line) {
  const Token &t = line.front();
  const std::string text = Lower(t.text);
  const std::vector<std::string> parts = SplitUnderscores(text);
  if (line.size() != 1 || parts.size() != 3 || (parts[0] != "vs" && parts[0] != "ps") ||
      parts[1].size() != 1 || parts[1][0] < '1' || parts[1][0] > '3')
    diagnostics.Error(t.location, error::kNoVersion,
                      "shader version expected (vs_1_1, vs_2_0, ps_2_0...), not '" + t.text + "'");
  pixel = parts[0] == "ps";
  major = static_cast<uint32_t>(parts[1][0] - '0');
  uint32_t minor;
  if (parts[2] == "x")
    minor = 1;
  else if (parts[2] == "sw")
    minor = 0xFF;
  else if (parts[2].size() == 1 && std::isdigit(static_cast<unsigned char>(parts[2][0])))
    minor = static_cast<uint32_t>(parts[2][0] - '0');
  else
    diagnostics.Error(t.location, error::kNoVersion, "'" + t.text + "' is not a shader version");
  if (pixel && major < 2)
    diagnostics.Error(t.location, error::kNoVersion, "pixel shaders before 2.0 are not supported");
  if (!pixel && major == 1 && minor != 1)
    diagnostics.Error(t.location, error::kNoVersion,
                      "vertex shader 1.x is supported as vs_1_1 only");
  return token::Version(pixel, major, minor);
}

Instruction Assembler::ParseInstruction(Line &line) {
  Instruction in;
  if (line.Accept("+")) in.coissue = true;
  if (line.Accept("(")) {
    in.predicated = true;
    in.predicate = line.Source();
    line.Expect(")");
  }
  const Token &mnemonic = line.Take("an instruction");
  if (mnemonic.kind != TokenKind::Identifier)
    diagnostics.Error(mnemonic.location, error::kUnknownInstruction,
                      "instruction expected, not '" + mnemonic.text + "'");
  const std::vector<std::string> parts = SplitUnderscores(Lower(mnemonic.text));
  const auto unknown = [&]() {
    diagnostics.Error(mnemonic.location, error::kUnknownInstruction,
                      "unknown instruction '" + mnemonic.text + "'");
  };
  size_t part = 1;
  const std::string &base = parts[0];
  if (base == "texldp" || base == "texldb") {
    in.opcode = Opcode::Tex;
    in.controls = base == "texldp" ? kTexLdProject : kTexLdBias;
  } else if (const OpcodeInfo *info = FindOpcode(base);
             info && base != "comment" && base != "end") {
    in.opcode = info->opcode;
  } else {
    unknown();
  }
  if (in.opcode == Opcode::If || in.opcode == Opcode::Break || in.opcode == Opcode::Setp) {
    if (part < parts.size())
      if (const auto comparison = ParseComparisonName(parts[part])) {
        in.opcode = in.opcode == Opcode::If      ? Opcode::Ifc
                    : in.opcode == Opcode::Break ? Opcode::Breakc
                                                 : Opcode::Setp;
        in.controls = static_cast<uint8_t>(*comparison);
        ++part;
      }
    if (in.opcode == Opcode::Setp && in.controls == 0) unknown();
  }
  bool samplerTypeGiven = false, usageGiven = false;
  if (in.opcode == Opcode::Dcl && part < parts.size()) {
    if (const auto sampler = ParseSamplerTypeName(parts[part])) {
      in.declaration = static_cast<uint32_t>(*sampler) << token::kSamplerTypeShift;
      samplerTypeGiven = true;
      ++part;
    } else {
      std::string usage = parts[part];
      size_t digits = usage.size();
      while (digits > 0 && std::isdigit(static_cast<unsigned char>(usage[digits - 1]))) --digits;
      const auto found = ParseUsageName(usage.substr(0, digits));
      if (found && usage.size() - digits <= 2) {
        const uint32_t index =
            digits < usage.size() ? static_cast<uint32_t>(std::stoul(usage.substr(digits))) : 0;
        if (index > 15) unknown();
        in.declaration = *found | (index << token::kUsageIndexShift);
        usageGiven = true;
        ++part;
      }
    }
  }
  uint8_t modifiers = 0;
  int8_t shift = 0;
  for (; part < parts.size(); ++part) {
    const std::string &p = parts[part];
    if (p == "sat")
      modifiers |= kResultSaturate;
    else if (p == "pp")
      modifiers |= kResultPartialPrecision;
    else if (p == "centroid")
      modifiers |= kResultCentroid;
    else if (p == "x2")
      shift = 1;
    else if (p == "x4")
      shift = 2;
    else if (p == "x8")
      shift = 3;
    else if (p == "d2")
      shift = -1;
    else if (p == "d4")
      shift = -2;
    else if (p == "d8")
      shift = -3;
    else
      unknown();
  }

  const OpcodeInfo &info = *FindOpcode(in.opcode);
  in.hasDestination = info.destinations != 0;
  if (in.hasDestination) {
    in.dst = line.Destination();
    in.dst.modifiers = modifiers;
    in.dst.shift = shift;
  } else if (modifiers || shift) {
    unknown();
  }
  // Samplers are declared by texture type, other registers by usage, and pixel shader inputs
  // before 3.0 by register alone.
  if (in.opcode == Opcode::Dcl) {
    const bool sampler = in.dst.type == RegisterType::Sampler;
    if ((sampler && usageGiven) || (!sampler && samplerTypeGiven) ||
        (usageGiven && pixel && major < 3))
      diagnostics.Error(mnemonic.location, error::kBadOperand,
                        "'" + mnemonic.text + "' cannot declare " +
                            RegisterName(in.dst.type, in.dst.number, ShaderKind{pixel, major}));
  }
  if (in.opcode == Opcode::Def || in.opcode == Opcode::DefI || in.opcode == Opcode::DefB) {
    for (int i = 0; i < (in.opcode == Opcode::DefB ? 1 : 4); ++i) {
      line.Expect(",");
      in.values[i] = in.opcode == Opcode::Def    ? line.Float()
                     : in.opcode == Opcode::DefI ? line.Integer()
                                                 : line.Boolean();
    }
  } else if (in.opcode != Opcode::Dcl) {
    in.sourceCount = SourceCount(info, major);
    for (uint8_t i = 0; i < in.sourceCount; ++i) {
      if (i > 0 || in.hasDestination) line.Expect(",");
      in.src[i] = line.Source();
    }
  }
  if (!line.AtEnd())
    diagnostics.Error(line.Peek()->location, error::kAssemblerSyntax,
                      "unexpected '" + line.Peek()->text + "'");
  return in;
}

} // namespace zrq::d3dx9
