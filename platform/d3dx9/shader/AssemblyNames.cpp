#include "platform/d3dx9/shader/AssemblyNames.h"

#include <cctype>
#include <charconv>
#include <iterator>

namespace zrq::d3dx9 {
namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

bool StartsIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

std::optional<uint32_t> Number(std::string_view digits) {
  if (digits.empty() || digits.size() > 5) return std::nullopt;
  uint32_t n = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
  if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return n;
}

// Registers named by a prefix and a number, in the order the prefixes must be tried (longer
// prefixes first where one starts another).
struct NumberedRegister {
  const char *prefix;
  RegisterType type;
  int pixel; // 1 pixel shaders only, 0 vertex shaders only, -1 both
};

constexpr NumberedRegister kNumbered[] = {
    {"oD", RegisterType::AttrOut, 0},   {"oT", RegisterType::TexCrdOut, 0},
    {"oC", RegisterType::ColorOut, 1},  {"o", RegisterType::TexCrdOut, 0},
    {"r", RegisterType::Temp, -1},      {"v", RegisterType::Input, -1},
    {"c", RegisterType::Const, -1},     {"a", kAddrRegister, 0},
    {"t", RegisterType::Texture, 1},    {"i", RegisterType::ConstInt, -1},
    {"b", RegisterType::ConstBool, -1}, {"s", RegisterType::Sampler, -1},
    {"p", RegisterType::Predicate, -1}, {"l", RegisterType::Label, -1},
};

struct NamedRegister {
  const char *name;
  RegisterType type;
  uint32_t number;
};

constexpr NamedRegister kNamed[] = {
    {"oPos", RegisterType::RastOut, 0},   {"oFog", RegisterType::RastOut, 1},
    {"oPts", RegisterType::RastOut, 2},   {"oDepth", RegisterType::DepthOut, 0},
    {"aL", RegisterType::Loop, 0},        {"vPos", RegisterType::MiscType, 0},
    {"vFace", RegisterType::MiscType, 1},
};

constexpr const char *kUsages[] = {
    "position", "blendweight", "blendindices", "normal", "psize", "texcoord", "tangent",
    "binormal", "tessfactor",  "positiont",    "color",  "fog",   "depth",    "sample"};

constexpr const char *kComparisons[] = {"", "gt", "eq", "ge", "lt", "ne", "le"};

constexpr char kLanes[] = "xyzw";

} // namespace

std::string RegisterName(RegisterType type, uint32_t number, ShaderKind kind) {
  for (const NamedRegister &r : kNamed)
    if (r.type == type && r.number == number) return r.name;
  const auto numbered = [&](const char *prefix) { return prefix + std::to_string(number); };
  switch (type) {
  case RegisterType::Temp:
    return numbered("r");
  case RegisterType::Input:
    return numbered("v");
  case RegisterType::Const:
    return numbered("c");
  case RegisterType::Const2:
    return "c" + std::to_string(number + 2048);
  case RegisterType::Const3:
    return "c" + std::to_string(number + 4096);
  case RegisterType::Const4:
    return "c" + std::to_string(number + 6144);
  case RegisterType::Texture:
    return numbered(kind.pixel ? "t" : "a");
  case RegisterType::AttrOut:
    return numbered("oD");
  case RegisterType::TexCrdOut:
    return numbered(kind.major >= 3 ? "o" : "oT");
  case RegisterType::ConstInt:
    return numbered("i");
  case RegisterType::ColorOut:
    return numbered("oC");
  case RegisterType::Sampler:
    return numbered("s");
  case RegisterType::ConstBool:
    return numbered("b");
  case RegisterType::Predicate:
    return numbered("p");
  case RegisterType::Label:
    return numbered("l");
  case RegisterType::TempFloat16:
    return numbered("h");
  case RegisterType::RastOut:
  case RegisterType::DepthOut:
  case RegisterType::Loop:
  case RegisterType::MiscType:
    break;
  }
  return "?" + std::to_string(static_cast<int>(type)) + "_" + std::to_string(number);
}

std::optional<std::pair<RegisterType, uint32_t>> ParseRegisterName(std::string_view name,
                                                                   ShaderKind kind) {
  for (const NamedRegister &r : kNamed)
    if (EqualsIgnoringCase(name, r.name)) return std::make_pair(r.type, r.number);
  for (const NumberedRegister &r : kNumbered) {
    if (!StartsIgnoringCase(name, r.prefix)) continue;
    const std::optional<uint32_t> n = Number(name.substr(std::char_traits<char>::length(r.prefix)));
    if (!n) continue;
    if (r.pixel == 1 && !kind.pixel) continue;
    if (r.pixel == 0 && kind.pixel) continue;
    if (r.type == RegisterType::TexCrdOut && (r.prefix[1] == 'T') != (kind.major < 3)) continue;
    // Constants above 2047 live in the three further constant types, 2048 to each.
    if (r.type == RegisterType::Const && *n >= 2048 && *n < 8192) {
      static constexpr RegisterType kBanks[] = {RegisterType::Const2, RegisterType::Const3,
                                                RegisterType::Const4};
      return std::make_pair(kBanks[*n / 2048 - 1], *n % 2048);
    }
    if (*n > token::kRegNumberMask) return std::nullopt;
    return std::make_pair(r.type, *n);
  }
  return std::nullopt;
}

const char *UsageName(uint32_t usage) {
  return usage < std::size(kUsages) ? kUsages[usage] : nullptr;
}

std::optional<uint32_t> ParseUsageName(std::string_view name) {
  for (uint32_t i = 0; i < std::size(kUsages); ++i)
    if (EqualsIgnoringCase(name, kUsages[i])) return i;
  return std::nullopt;
}

const char *SamplerTypeName(SamplerType type) {
  switch (type) {
  case SamplerType::Tex1D:
    return "1d";
  case SamplerType::Tex2D:
    return "2d";
  case SamplerType::Cube:
    return "cube";
  case SamplerType::Volume:
    return "volume";
  case SamplerType::Unknown:
    break;
  }
  return nullptr;
}

std::optional<SamplerType> ParseSamplerTypeName(std::string_view name) {
  for (SamplerType t :
       {SamplerType::Tex1D, SamplerType::Tex2D, SamplerType::Cube, SamplerType::Volume})
    if (EqualsIgnoringCase(name, SamplerTypeName(t))) return t;
  return std::nullopt;
}

const char *ComparisonName(Comparison comparison) {
  const auto i = static_cast<size_t>(comparison);
  return i < std::size(kComparisons) ? kComparisons[i] : "";
}

std::optional<Comparison> ParseComparisonName(std::string_view name) {
  for (size_t i = 1; i < std::size(kComparisons); ++i)
    if (EqualsIgnoringCase(name, kComparisons[i])) return static_cast<Comparison>(i);
  return std::nullopt;
}

std::string WriteMaskText(uint8_t mask) {
  if ((mask & 0xF) == 0xF) return {};
  std::string text = ".";
  for (int lane = 0; lane < 4; ++lane)
    if (mask & (1 << lane)) text += kLanes[lane];
  return text;
}

std::string SwizzleText(uint8_t swizzle) {
  if (swizzle == kIdentitySwizzle) return {};
  int length = 4;
  while (length > 1 && SwizzleLane(swizzle, length - 1) == SwizzleLane(swizzle, length - 2))
    --length;
  std::string text = ".";
  for (int i = 0; i < length; ++i) text += kLanes[SwizzleLane(swizzle, i)];
  return text;
}

} // namespace zrq::d3dx9
