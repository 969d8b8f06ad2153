// "frame 120, 31.2 fps, 0:04 left" on standard error for a video job, rewritten in place, only
// when standard error is a terminal, and at most a few times a second. The time left comes
// from how far through the clip the frames have got, so it holds for any frame rate.
#pragma once

#include <chrono>
#include <cstdint>

class VideoProgressLine {
public:
  explicit VideoProgressLine(bool wanted);
  ~VideoProgressLine();

  // `frames` done, the last at `fraction` (0..1) of the part being rendered.
  void Done(int64_t frames, double fraction);
  void Finish();

private:
  void Show(std::chrono::steady_clock::time_point now);

  bool enabled;
  bool shown = false;
  int64_t frames = 0;
  double fraction = 0;
  std::chrono::steady_clock::time_point started;
  std::chrono::steady_clock::time_point lastShown;
};
