// A video clip as the preview reads it: the frame shown at a normalised time, decoded on
// demand. Going forward it decodes on from where it is; going back, or far ahead, it seeks to
// the key frame before the time first.
#pragma once

#include "host/VideoFrameConverter.h"
#include "host/VideoReader.h"
#include "host/zrq-studio/ClipSource.h"

class VideoSource final : public ClipSource {
public:
  [[nodiscard]] static Result<std::unique_ptr<ClipSource>> Open(const std::string &path);

  const std::string &Path() const override { return reader->Path(); }
  FrameSize Size() const override { return picture.Size(); }
  int FrameCount() const override { return frameCount; }
  bool IsVideo() const override { return true; }
  double PlaySeconds() const override { return length; }
  Result<const Frame *> FrameAt(double time) override;

private:
  VideoSource(std::unique_ptr<VideoReader> reader, std::unique_ptr<VideoFrameConverter> converter,
              Frame picture, double length, int frameCount)
      : reader(std::move(reader)), converter(std::move(converter)), picture(std::move(picture)),
        length(length), frameCount(frameCount) {}

  std::unique_ptr<VideoReader> reader;
  std::unique_ptr<VideoFrameConverter> converter;
  Frame picture;
  double length;
  int frameCount;
  // The span of clip seconds the picture shows; empty before the first frame.
  double shownFrom = -1.0;
  double shownTo = -1.0;
};
