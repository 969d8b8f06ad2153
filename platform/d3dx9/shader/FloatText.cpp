#include "platform/d3dx9/shader/FloatText.h"

#include <charconv>
#include <limits>

namespace zrq::d3dx9 {

bool ParseFloat(std::string_view text, float &value) {
  double parsed = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (end != text.data() + text.size() ||
      (ec != std::errc() && ec != std::errc::result_out_of_range) || text.empty())
    return false;
  if (ec == std::errc::result_out_of_range) {
    // Too small for a double is zero; too large, infinite.
    const bool tiny = text.find_first_of("eE") != std::string_view::npos &&
                      text.find('-', text.find_first_of("eE")) != std::string_view::npos;
    value = tiny ? 0.0f : std::numeric_limits<float>::infinity();
    if (!text.empty() && text[0] == '-') value = -value;
    return true;
  }
  // Halfway between the largest float and the next power of two rounds up to infinity.
  constexpr double kOverflow = 3.4028235677973366e38;
  const double magnitude = parsed < 0 ? -parsed : parsed;
  const float f = magnitude >= kOverflow ? std::numeric_limits<float>::infinity()
                  : magnitude > std::numeric_limits<float>::max()
                      ? std::numeric_limits<float>::max()
                      : static_cast<float>(magnitude);
  value = parsed < 0 ? -f : f;
  return true;
}

std::string FloatText(float value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

} // namespace zrq::d3dx9
