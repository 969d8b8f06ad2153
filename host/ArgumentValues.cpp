#include "host/ArgumentValues.h"

#include "host/MessageText.h"

#include <charconv>
#include <cmath>
#include <string>

namespace {

std::string Prefix(std::string_view flag) { return std::string(flag) + ": "; }

// Whole-text integer read; false for anything else, including overflow.
bool ReadInteger(std::string_view text, int64_t &value) {
  if (text.empty()) return false;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

// Whole-text read of a finite real number; the error names the flag and the text.
Result<double> ReadReal(std::string_view flag, std::string_view text) {
  double value = 0.0;
  // from_chars reads in the C locale whatever the process locale is, and takes no leading
  // blanks or '+', so "50" means the same everywhere.
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error == std::errc::invalid_argument || end != text.data() + text.size())
    return Error{Prefix(flag) + Quoted(text) + " is not a number"};
  if (error == std::errc::result_out_of_range) {
    // A wider type tells a number too small to hold (1e-400) from one too large (1e400).
    long double wide = 0.0L;
    const std::from_chars_result widened =
        std::from_chars(text.data(), text.data() + text.size(), wide);
    const size_t exponent = text.find_first_of("eE");
    const bool tiny = widened.ec == std::errc()
                          ? std::fabs(wide) < 1.0L
                          : exponent != std::string_view::npos &&
                                text.find('-', exponent) != std::string_view::npos;
    if (tiny)
      return Error{Prefix(flag) + Quoted(text) +
                   " is too close to 0 to be held as a number; write 0"};
    return Error{Prefix(flag) + Quoted(text) + " is too large to be held as a number"};
  }
  if (!std::isfinite(value)) return Error{Prefix(flag) + Quoted(text) + " is not a finite number"};
  return value == 0.0 ? 0.0 : value; // no -0 in file names or messages
}

} // namespace

Result<double> ParsePercent(std::string_view flag, std::string_view text) {
  Result<double> value = ReadReal(flag, text);
  if (value.ok() && (value.value() < 0.0 || value.value() > 100.0))
    return Error{Prefix(flag) + Quoted(text) + " is outside 0..100 (percent)"};
  return value;
}

Result<double> ParseTime(std::string_view flag, std::string_view text) {
  Result<double> time = ReadReal(flag, text);
  if (time.ok() && (time.value() < 0.0 || time.value() > 1.0))
    return Error{Prefix(flag) + Quoted(text) +
                 " is outside 0..1 (0 is the start of the clip, 1 its end)"};
  return time;
}

Result<KeyFrameArgument> ParseKeyFrame(std::string_view flag, std::string_view text) {
  size_t equals = text.find('=');
  if (equals == std::string_view::npos)
    return Error{Prefix(flag) + Quoted(text) + " is not a key frame T=V such as 0.5=80"};
  Result<double> time = ParseTime(flag, text.substr(0, equals));
  ZRQ_RETURN_IF_FAILED(time);
  Result<double> percent = ParsePercent(flag, text.substr(equals + 1));
  ZRQ_RETURN_IF_FAILED(percent);
  return KeyFrameArgument{time.value(), percent.value()};
}

// A whole number from least to most, or the one-line reason it is not one.
Result<int64_t> ParseCount(std::string_view flag, std::string_view text, int64_t least,
                           int64_t most) {
  int64_t count = 0;
  if (!ReadInteger(text, count))
    return Error{Prefix(flag) + Quoted(text) + " is not a whole number"};
  if (count < least || count > most)
    return Error{Prefix(flag) + Quoted(text) + " is outside " + std::to_string(least) + ".." +
                 std::to_string(most)};
  return count;
}

Result<int> ParseSampleCount(std::string_view flag, std::string_view text) {
  Result<int64_t> count = ParseCount(flag, text, 2, kMaxCurveSamples);
  ZRQ_RETURN_IF_FAILED(count);
  return int(count.value());
}

Result<int64_t> ParseFrameCount(std::string_view flag, std::string_view text) {
  return ParseCount(flag, text, 1, kMaxFrameCount);
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

Result<std::string> ParseFileName(std::string_view flag, std::string_view text) {
  if (text.empty()) return Error{std::string(flag) + " needs a file name"};
  return std::string(text);
}
