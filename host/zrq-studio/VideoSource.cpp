#include "host/zrq-studio/VideoSource.h"

#include "host/MessageText.h"

#include <algorithm>
#include <cmath>

namespace {

// Further ahead than this, a seek is quicker than decoding every frame on the way.
constexpr double kDecodeAheadSeconds = 2.0;

} // namespace

Result<std::unique_ptr<ClipSource>> VideoSource::Open(const std::string &path) {
  Result<std::unique_ptr<VideoReader>> opened = VideoReader::Open(path);
  if (!opened.ok()) return Error{opened.message()};
  std::unique_ptr<VideoReader> &reader = opened.value();
  std::optional<double> length = reader->LengthSeconds();
  if (!length || !(*length > 0)) return Error{Quoted(path) + " does not say how long it is"};
  const AVCodecContext &decoder = *reader->Decoder();
  const FrameSize size{decoder.width, decoder.height};
  if (Status fits = CheckFrameSize(size); !fits.ok()) return Error{fits.message()};
  const VideoPictureFormat decoded{decoder.width, decoder.height, decoder.pix_fmt,
                                   decoder.colorspace, decoder.color_range};
  Result<std::unique_ptr<VideoFrameConverter>> converter =
      VideoFrameConverter::Create(decoded, decoded);
  if (!converter.ok()) return Error{converter.message()};
  Result<Frame> picture = Frame::Allocate(size);
  if (!picture.ok()) return Error{picture.message()};
  AVRational rate = reader->VideoStream()->avg_frame_rate;
  const double fps = rate.num > 0 && rate.den > 0 ? av_q2d(rate) : 25.0;
  const int frames = std::max(2, int(std::lround(*length * fps)));
  return std::unique_ptr<ClipSource>(new VideoSource(std::move(reader),
                                                     std::move(converter.value()),
                                                     std::move(picture.value()), *length, frames));
}

Result<const Frame *> VideoSource::FrameAt(double time) {
  // The last frame starts one frame before the clip's end.
  const double wanted = std::clamp(time, 0.0, 1.0) * length * (1.0 - 1.0 / frameCount);
  if (wanted >= shownFrom && wanted < shownTo) return &picture;
  if (wanted < shownFrom || wanted > shownTo + kDecodeAheadSeconds || shownTo < 0) {
    reader->SeekNear(wanted);
    shownFrom = shownTo = -1.0;
  }
  bool decoded = false;
  for (;;) {
    Result<VideoReader::Item> item = reader->Next();
    if (!item.ok()) return Error{item.message()};
    if (item.value() == VideoReader::Item::End) break;
    if (item.value() != VideoReader::Item::Frame) continue;
    const AVFrame *frame = reader->Frame();
    const double seconds = reader->SecondsOf(reader->TimestampOf(frame));
    if (Status converted = converter->ToFrame(*frame, picture); !converted.ok())
      return Error{converted.message()};
    decoded = true;
    shownFrom = seconds;
    shownTo = seconds + reader->DurationOf(frame);
    if (wanted < shownTo) break;
  }
  // Past the last frame, the last one decoded stays.
  if (!decoded && shownTo < 0) return Error{Quoted(reader->Path()) + " has no frame at that time"};
  return &picture;
}
