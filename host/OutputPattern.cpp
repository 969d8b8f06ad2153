#include "host/OutputPattern.h"

#include "host/MessageText.h"

#include <algorithm>
#include <charconv>

Result<OutputPattern> OutputPattern::Parse(std::string_view text) {
  OutputPattern pattern;
  for (size_t i = 0; i < text.size(); ++i) {
    std::string &literal = pattern.hasNumber ? pattern.suffix : pattern.prefix;
    if (text[i] != '%') {
      literal += text[i];
      continue;
    }
    size_t start = i++;
    if (i < text.size() && text[i] == '%') {
      literal += '%';
      continue;
    }
    bool zero = i < text.size() && text[i] == '0';
    if (zero) ++i;
    int width = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && width < 100)
      width = width * 10 + (text[i++] - '0');
    if (i >= text.size() || text[i] != 'd' || width > 18)
      return Error{Quoted(text.substr(start, i + 1 - start)) +
                   " in the file name is not a frame number such as %04d (write %% for a "
                   "percent sign)"};
    if (pattern.hasNumber) return Error{"the file name has more than one frame number (%d)"};
    pattern.hasNumber = true;
    pattern.zeroPadded = zero;
    pattern.width = width;
  }
  return pattern;
}

std::string OutputPattern::Name(int64_t index) const {
  if (!hasNumber) return prefix;
  std::string number = std::to_string(index);
  if (number.size() < size_t(width))
    number.insert(0, size_t(width) - number.size(), zeroPadded ? '0' : ' ');
  return prefix + number + suffix;
}

std::optional<int64_t> OutputPattern::IndexOf(std::string_view name) const {
  if (!hasNumber) return name == prefix ? std::optional<int64_t>(0) : std::nullopt;
  if (name.size() <= prefix.size() + suffix.size() || !name.starts_with(prefix) ||
      !name.ends_with(suffix))
    return std::nullopt;
  std::string_view number = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
  number.remove_prefix(
      std::min(number.find_first_not_of(zeroPadded ? '0' : ' '), number.size() - 1));
  int64_t index = 0;
  auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), index);
  if (error != std::errc() || end != number.data() + number.size() || index < 0 ||
      Name(index) != name)
    return std::nullopt;
  return index;
}
