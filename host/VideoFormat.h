// Which files zrq-render treats as video, and how it encodes a video it writes: the
// container's usual codec unless the command line chooses one.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Names whose extension is a container zrq-render writes: .mp4, .mkv, .mov, .avi (any case).
bool IsVideoOutputName(std::string_view path);
// Names whose extension is a common video container (those above, .webm, .ts, .m4v, ...).
bool IsVideoInputName(std::string_view path);

// The extensions IsVideoOutputName takes, for messages.
std::string_view VideoOutputExtensions();

struct VideoEncoding {
  std::string encoder;    // the library's encoder name
  std::optional<int> crf; // the encoder's constant-quality setting, when it is set
  bool bgra = false;      // frames go in as the effect's own BGRA, with no colour conversion
  std::vector<std::pair<std::string, std::string>> settings; // the encoder's own options
};

// --lossless: FFV1 in BGRA, so frames come back exactly. Otherwise `codec` when given, else
// by extension: .mp4 and .mkv H.264 (libx264) at CRF 18, which few can tell from the source;
// .mov ProRes 422 HQ; .avi FFV1 in BGRA. FFV1 is written with per-slice checksums, so
// damage is found when the file is read. `crf` replaces the default quality.
VideoEncoding ChooseVideoEncoding(std::string_view outputPath, const std::string &codec,
                                  std::optional<int> crf, bool lossless);
