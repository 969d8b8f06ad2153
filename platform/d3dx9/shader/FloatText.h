// Decimal spellings of floats, read and written the same way by the parser, the assembler and
// the disassembler, independent of the C locale.
#pragma once

#include <string>
#include <string_view>

namespace zrq::d3dx9 {

// The float nearest to the decimal number `text` (infinite beyond the float range); false
// when `text` is not entirely a number.
bool ParseFloat(std::string_view text, float &value);

// The shortest spelling that reads back as the same float.
std::string FloatText(float value);

} // namespace zrq::d3dx9
