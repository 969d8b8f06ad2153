#include "host/ArgumentValues.h"

#include <charconv>
#include <cmath>
#include <string>

namespace {

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

std::string Prefix(std::string_view flag) { return std::string(flag) + ": "; }

// Whole-text integer read; false for anything else, including overflow.
bool ReadInteger(std::string_view text, int64_t &value) {
  if (text.empty())
    return false;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

} // namespace

Result<double> ParsePercent(std::string_view flag, std::string_view text) {
  double value = 0.0;
  // from_chars reads in the C locale whatever the process locale is, and takes no leading
  // blanks or '+', so "50" means the same everywhere.
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error == std::errc::invalid_argument || end != text.data() + text.size())
    return Error{Prefix(flag) + Quoted(text) + " is not a number"};
  if (error == std::errc::result_out_of_range || !std::isfinite(value))
    return Error{Prefix(flag) + Quoted(text) + " is not a finite number"};
  if (value < 0.0 || value > 100.0)
    return Error{Prefix(flag) + Quoted(text) + " is outside 0..100 (percent)"};
  return value == 0.0 ? 0.0 : value; // no -0 in file names or messages
}

Result<int64_t> ParseFrameCount(std::string_view flag, std::string_view text) {
  int64_t count = 0;
  if (!ReadInteger(text, count))
    return Error{Prefix(flag) + Quoted(text) + " is not a whole number"};
  if (count < 1 || count > kMaxFrameCount)
    return Error{Prefix(flag) + Quoted(text) + " is outside 1.." + std::to_string(kMaxFrameCount)};
  return count;
}

Result<FrameSize> ParseFrameSize(std::string_view flag, std::string_view text) {
  size_t cross = text.find_first_of("xX");
  int64_t width = 0;
  int64_t height = 0;
  if (cross == std::string_view::npos || !ReadInteger(text.substr(0, cross), width) ||
      !ReadInteger(text.substr(cross + 1), height))
    return Error{Prefix(flag) + Quoted(text) + " is not a size WxH such as 1280x720"};
  if (width < 1 || height < 1 || width > kMaxFrameSide || height > kMaxFrameSide)
    return Error{Prefix(flag) + Quoted(text) + ": each side must be from 1 to " +
                 std::to_string(kMaxFrameSide)};
  return FrameSize{int(width), int(height)};
}
