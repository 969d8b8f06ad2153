#include "host/MessageText.h"
#include "host/RenderJobs.h"
#include "host/VideoFormat.h"
#include "host/VideoFrameConverter.h"
#include "host/ProgressLine.h"
#include "host/VideoReader.h"
#include "host/VideoWriter.h"

#include <algorithm>
#include <limits>

namespace {

// Where the time stamps of a clip's frames may fall short of its stated length before the
// file counts as cut short: a container's length is often rounded, or a frame or two longer.
double TruncationTolerance(double frameSeconds) { return std::max(0.5, 5 * frameSeconds); }

// Time stamps compared at a precision finer than any time base in use.
constexpr double kEpsilon = 1e-9;

// A packet's time in seconds from the video's start, the measure --start and --duration use.
std::optional<double> PacketSeconds(VideoReader &reader, const AVPacket &packet) {
  int64_t timestamp = packet.pts != AV_NOPTS_VALUE ? packet.pts : packet.dts;
  if (timestamp == AV_NOPTS_VALUE) return std::nullopt;
  AVRational base = reader.Format()->streams[packet.stream_index]->time_base;
  return double(timestamp) * av_q2d(base) -
         double(reader.StartTimestamp()) * av_q2d(reader.VideoStream()->time_base);
}

} // namespace

Status RunVideoJob(const RenderOptions &options, const RenderPlan &plan) {
  CaptureLibavMessages(options.verbose);
  Result<std::unique_ptr<VideoReader>> opened = VideoReader::Open(options.input);
  ZRQ_RETURN_IF_FAILED(opened);
  VideoReader &reader = *opened.value();

  // The part rendered: from `start` for `length` seconds; its frames' times run from 0 at
  // `start` to 1 at its end, so the key frames span the part whatever its frame rate.
  const double start = options.startSeconds.value_or(0.0);
  std::optional<double> clipLength = reader.LengthSeconds();
  if (clipLength && start >= *clipLength)
    return Status::Fail("--start " + NumberText(start) + " lies past the end of " +
                        Quoted(options.input) + ", which lasts " + NumberText(*clipLength) + " s");
  std::optional<double> length;
  if (clipLength) length = *clipLength - start;
  if (options.durationSeconds)
    length = length ? std::min(*length, *options.durationSeconds) : *options.durationSeconds;
  if (!length)
    return Status::Fail("the length of " + Quoted(options.input) +
                        " is unknown, and the frames' times in the clip with it; give --duration");
  // Only --duration cuts the end: without it every frame is kept, whatever the container says.
  const double end =
      options.durationSeconds ? start + *length : std::numeric_limits<double>::infinity();
  // Without --start nothing is cut at the front: sound that starts before the first frame
  // (an encoder's priming samples, say) is copied as it stands.
  const bool cutsStart = start > 0;
  if (cutsStart) reader.SeekNear(start);

  VideoEncoding encoding =
      ChooseVideoEncoding(options.output, options.videoCodec, options.crf, options.lossless);
  Result<std::unique_ptr<VideoWriter>> made =
      VideoWriter::Create(options.output, reader, encoding, start);
  ZRQ_RETURN_IF_FAILED(made);
  VideoWriter &writer = *made.value();
  const AVCodecContext &decoder = *reader.Decoder();
  VideoPictureFormat decoded{decoder.width, decoder.height, decoder.pix_fmt, decoder.colorspace,
                             decoder.color_range};
  Result<std::unique_ptr<VideoFrameConverter>> converter =
      VideoFrameConverter::Create(decoded, writer.PictureFormat());
  ZRQ_RETURN_IF_FAILED(converter);
  const FrameSize size{decoder.width, decoder.height};
  ZRQ_RETURN_IF_FAILED(CheckFrameSize(size));
  Result<Frame> source = Frame::Allocate(size);
  ZRQ_RETURN_IF_FAILED(source);
  Result<Frame> destination = Frame::Allocate(size);
  ZRQ_RETURN_IF_FAILED(destination);
  Result<std::unique_ptr<FrameRenderer>> renderer =
      MakeFrameRenderer(options.path, plan.project.Interface(), size, options.caps);
  ZRQ_RETURN_IF_FAILED(renderer);

  ProgressLine progress(!options.quiet);
  int64_t done = 0;
  double reached = 0;      // the end of the last frame read, in seconds from the clip's start
  double frameSeconds = 0; // the last frame's duration
  bool videoEnded = false;
  for (;;) {
    Result<VideoReader::Item> item = reader.Next();
    ZRQ_RETURN_IF_FAILED(item);
    if (item.value() == VideoReader::Item::End) break;
    if (item.value() == VideoReader::Item::Packet) {
      std::optional<double> at = PacketSeconds(reader, *reader.Packet());
      if (cutsStart && at && *at < start - kEpsilon) continue;
      if (at && *at >= end - kEpsilon) {
        // The other streams' packets lag the video's by up to about a second in a file.
        if (videoEnded && *at >= end + 1.0) break;
        continue;
      }
      ZRQ_RETURN_IF_FAILED(writer.CopyPacket(*reader.Packet()));
      continue;
    }
    const AVFrame &picture = *reader.Frame();
    int64_t timestamp = reader.TimestampOf(&picture);
    if (timestamp == AV_NOPTS_VALUE)
      return Status::Fail(Quoted(options.input) + ": frame " + std::to_string(done + 1) +
                          " of the video has no time stamp");
    double seconds = reader.SecondsOf(timestamp);
    frameSeconds = reader.DurationOf(&picture);
    reached = std::max(reached, seconds + frameSeconds);
    if (cutsStart && seconds < start - kEpsilon) continue;
    if (seconds >= end - kEpsilon) {
      videoEnded = true;
      continue;
    }
    double time = std::clamp((seconds - start) / *length, 0.0, 1.0);
    if (Status converted = converter.value()->ToFrame(picture, source.value()); !converted.ok())
      return Status::Fail(Quoted(options.input) + " at " + NumberText(seconds) +
                          " s: " + converted.message());
    ZRQ_RETURN_IF_FAILED(renderer.value()->Render(source.value(), destination.value(), time));
    ZRQ_RETURN_IF_FAILED(converter.value()->FromFrame(destination.value(), writer.Picture()));
    ZRQ_RETURN_IF_FAILED(writer.WriteVideo(timestamp));
    progress.Done(++done, time);
    if (options.progress) options.progress(time);
  }
  if (done == 0)
    return Status::Fail(Quoted(options.input) + " has no video frame in the part asked for");
  // A file cut short ends cleanly for the demuxer, but short of the length its header gives.
  if (clipLength && reached < std::min(end, *clipLength) - TruncationTolerance(frameSeconds))
    return Status::Fail(Quoted(options.input) + " ends at " + NumberText(reached) +
                        " s, short of the " + NumberText(*clipLength) +
                        " s its header gives: the file is cut short or damaged");
  ZRQ_RETURN_IF_FAILED(writer.Finish());
  progress.Finish();
  return Status::Ok();
}
