// A still picture as a clip: the same frame at every time.
#pragma once

#include "host/zrq-studio/ClipSource.h"

class PictureSource final : public ClipSource {
public:
  PictureSource(std::string path, Frame picture)
      : path(std::move(path)), picture(std::move(picture)) {}

  const std::string &Path() const override { return path; }
  FrameSize Size() const override { return picture.Size(); }
  int FrameCount() const override { return 101; }
  bool IsVideo() const override { return false; }
  // A still picture plays its time line through in a few seconds, to watch the key frames.
  double PlaySeconds() const override { return 4.0; }
  Result<const Frame *> FrameAt(double) override { return &picture; }

private:
  std::string path;
  Frame picture;
};
