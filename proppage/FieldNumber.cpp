#include "proppage/FieldNumber.h"

#include <cstdint>

namespace {

// The white space "%d" skips.
bool IsSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

} // namespace

std::optional<LONG> ReadFieldNumber(std::u16string_view text) noexcept {
  size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  if (i == text.size() || !IsDigit(text[i])) return std::nullopt;
  // Accumulated as a magnitude one past INT32_MAX at most, so "-2147483648" still reads.
  constexpr int64_t kLimit = int64_t{INT32_MAX} + 1;
  int64_t magnitude = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    magnitude = magnitude * 10 + (text[i] - u'0');
    if (magnitude > kLimit) return std::nullopt;
  }
  if (!negative && magnitude == kLimit) return std::nullopt;
  return static_cast<LONG>(negative ? -magnitude : magnitude);
}

std::u16string FieldNumberText(LONG value, bool signedText) {
  const std::string digits =
      signedText ? std::to_string(value) : std::to_string(static_cast<uint32_t>(value));
  return std::u16string(digits.begin(), digits.end());
}
