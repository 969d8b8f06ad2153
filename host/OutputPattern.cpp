#include "host/OutputPattern.h"

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
    if (zero)
      ++i;
    int width = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && width < 100)
      width = width * 10 + (text[i++] - '0');
    if (i >= text.size() || text[i] != 'd' || width > 18)
      return Error{"'" + std::string(text.substr(start, i + 1 - start)) +
                   "' in the file name is not a frame number such as %04d (write %% for a "
                   "percent sign)"};
    if (pattern.hasNumber)
      return Error{"the file name has more than one frame number (%d)"};
    pattern.hasNumber = true;
    pattern.zeroPadded = zero;
    pattern.width = width;
  }
  return pattern;
}

std::string OutputPattern::Name(int64_t index) const {
  if (!hasNumber)
    return prefix;
  std::string number = std::to_string(index);
  if (number.size() < size_t(width))
    number.insert(0, size_t(width) - number.size(), zeroPadded ? '0' : ' ');
  return prefix + number + suffix;
}
