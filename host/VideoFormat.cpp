#include "host/VideoFormat.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace {

constexpr int kDefaultCrf = 18;

std::string LowerExtension(std::string_view path) {
  size_t dot = path.rfind('.');
  size_t slash = path.rfind('/');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  std::string extension(path.substr(dot + 1));
  for (char &c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

constexpr std::array<std::string_view, 4> kOutputExtensions = {"mp4", "mkv", "mov", "avi"};
constexpr std::array<std::string_view, 14> kInputExtensions = {"mp4", "mkv", "mov",  "avi", "webm",
                                                               "m4v", "mpg", "mpeg", "ts",  "mts",
                                                               "mxf", "flv", "nut",  "y4m"};

template <size_t N> bool Holds(const std::array<std::string_view, N> &list, std::string_view path) {
  std::string extension = LowerExtension(path);
  return std::find(list.begin(), list.end(), extension) != list.end();
}

// Version 3 keeps a checksum per slice and codes slices in parallel.
VideoEncoding Ffv1(std::optional<int> crf) {
  return {"ffv1", crf, true, {{"level", "3"}, {"slicecrc", "1"}}};
}

} // namespace

bool IsVideoOutputName(std::string_view path) { return Holds(kOutputExtensions, path); }

bool IsVideoInputName(std::string_view path) { return Holds(kInputExtensions, path); }

std::string_view VideoOutputExtensions() { return ".mp4, .mkv, .mov or .avi"; }

VideoEncoding ChooseVideoEncoding(std::string_view outputPath, const std::string &codec,
                                  std::optional<int> crf, bool lossless) {
  if (lossless) return Ffv1(std::nullopt);
  if (!codec.empty()) return {codec, crf, false, {}};
  std::string extension = LowerExtension(outputPath);
  if (extension == "mov") return {"prores_ks", crf, false, {{"profile", "hq"}}};
  if (extension == "avi") return Ffv1(crf);
  return {"libx264", crf.value_or(kDefaultCrf), false, {}};
}
