#include "host/zrq-studio/ClipSource.h"

#include "host/PngFile.h"
#include "host/TestCard.h"
#include "host/zrq-studio/PictureSource.h"
#include "host/zrq-studio/VideoSource.h"

#include <algorithm>
#include <cctype>

namespace {

bool EndsWithPng(const std::string &path) {
  if (path.size() < 4) return false;
  std::string end = path.substr(path.size() - 4);
  std::transform(end.begin(), end.end(), end.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  return end == ".png";
}

} // namespace

Result<std::unique_ptr<ClipSource>> OpenClipSource(const std::string &path, FrameSize cardSize) {
  if (path.empty()) {
    Result<Frame> card = MakeTestCard(cardSize);
    if (!card.ok()) return Error{card.message()};
    return std::unique_ptr<ClipSource>(
        std::make_unique<PictureSource>("", std::move(card.value())));
  }
  if (EndsWithPng(path)) {
    Result<PngPicture> picture = ReadPngFile(path);
    if (!picture.ok()) return Error{picture.message()};
    return std::unique_ptr<ClipSource>(
        std::make_unique<PictureSource>(path, std::move(picture.value().frame)));
  }
  return VideoSource::Open(path);
}
