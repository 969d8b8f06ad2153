// The spellings of the assembly language that the disassembler writes and the assembler reads:
// register names, declaration usages, sampler types, comparisons and modifiers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/d3dx9/shader/TokenFormat.h"

namespace zrq::d3dx9 {

struct ShaderKind {
  bool pixel = false;
  uint32_t major = 1;
};

// "r0", "v3", "oPos", "oT1", "s0"...
std::string RegisterName(RegisterType type, uint32_t number, ShaderKind kind);
// The register a name spells (case does not matter), or nothing.
std::optional<std::pair<RegisterType, uint32_t>> ParseRegisterName(std::string_view name,
                                                                   ShaderKind kind);

// Declaration usages (D3DDECLUSAGE): "position", "texcoord"...
const char *UsageName(uint32_t usage);
std::optional<uint32_t> ParseUsageName(std::string_view name);

// Sampler declarations: "2d", "cube", "volume", "1d"; Unknown has no name.
const char *SamplerTypeName(SamplerType type);
std::optional<SamplerType> ParseSamplerTypeName(std::string_view name);

// "gt", "eq", "ge", "lt", "ne", "le".
const char *ComparisonName(Comparison comparison);
std::optional<Comparison> ParseComparisonName(std::string_view name);

// Lane letters of write masks and swizzles: ".xyz", ".wzyx"; empty for the full mask and the
// identity swizzle. Swizzles drop trailing repeats, as the assembler fills them back in.
std::string WriteMaskText(uint8_t mask);
std::string SwizzleText(uint8_t swizzle);

} // namespace zrq::d3dx9
