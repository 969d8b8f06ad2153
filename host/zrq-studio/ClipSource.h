// What the studio previews: the test card, a PNG picture or a video clip, as the picture at a
// normalised time of the clip. Pictures are the same at every time. Not thread-safe: the
// render worker owns it once the studio has opened it.
#pragma once

#include "host/Frame.h"
#include "host/Status.h"

#include <memory>
#include <string>

class ClipSource {
public:
  virtual ~ClipSource() = default;

  // The file it was opened from; empty for the test card.
  virtual const std::string &Path() const = 0;
  virtual FrameSize Size() const = 0;
  // The frames the arrow keys step through: a clip's own, or the hundredths of a picture's
  // time line that the page's time cursor shows.
  virtual int FrameCount() const = 0;
  virtual bool IsVideo() const = 0;
  // How long playing the clip through takes, in seconds.
  virtual double PlaySeconds() const = 0;
  // The picture at `time` (0..1), valid until the next call.
  virtual Result<const Frame *> FrameAt(double time) = 0;
};

// The test card at `size` for an empty path, a PNG for a name ending in .png (any case), and
// a video clip for anything else. The message says why a file cannot be opened.
[[nodiscard]] Result<std::unique_ptr<ClipSource>> OpenClipSource(const std::string &path,
                                                                 FrameSize cardSize);
