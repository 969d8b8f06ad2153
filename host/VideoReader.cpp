#include "host/VideoReader.h"

#include "host/MessageText.h"

extern "C" {
#include <libavutil/avutil.h>
#include <libavutil/dict.h>
}

#include <algorithm>
#include <cstdio>

namespace {

// Seconds from a "DURATION" tag as the Matroska muxer writes it per stream ("00:00:02.000000000").
std::optional<double> TaggedSeconds(const AVDictionary *metadata) {
  const AVDictionaryEntry *entry = av_dict_get(metadata, "DURATION", nullptr, 0);
  if (!entry) return std::nullopt;
  unsigned hours = 0, minutes = 0;
  double seconds = 0;
  if (std::sscanf(entry->value, "%u:%u:%lf", &hours, &minutes, &seconds) != 3) return std::nullopt;
  return hours * 3600.0 + minutes * 60.0 + seconds;
}

} // namespace

VideoReader::VideoReader(std::string path, InputFormatHandle format, int videoIndex,
                         CodecContextHandle decoder, PacketHandle packet, FrameHandle frame)
    : path(std::move(path)), format(std::move(format)), videoIndex(videoIndex),
      decoder(std::move(decoder)), packet(std::move(packet)), frame(std::move(frame)) {
  AVStream *stream = VideoStream();
  if (stream->start_time != AV_NOPTS_VALUE) startTimestamp = stream->start_time;
  std::optional<double> tagged = TaggedSeconds(stream->metadata);
  if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
    lengthSeconds = double(stream->duration) * av_q2d(stream->time_base);
  else if (tagged && *tagged > 0)
    lengthSeconds = *tagged;
  else if (this->format->duration != AV_NOPTS_VALUE && this->format->duration > 0)
    lengthSeconds = double(this->format->duration) / AV_TIME_BASE;
}

Error VideoReader::Failure(const std::string &what, int error) const {
  std::string said = TakeLibavMessage();
  return Error{Quoted(path) + ": " + what + " at " + NumberText(lastSeconds) +
               " s: " + LibavErrorText(error) + (said.empty() ? "" : " (" + said + ")")};
}

Result<std::unique_ptr<VideoReader>> VideoReader::Open(const std::string &path) {
  AVFormatContext *opened = nullptr;
  if (int error = avformat_open_input(&opened, path.c_str(), nullptr, nullptr); error < 0)
    return Error{"cannot open " + Quoted(path) + ": " + LibavErrorText(error)};
  InputFormatHandle format(opened);
  if (int error = avformat_find_stream_info(format.get(), nullptr); error < 0)
    return Error{Quoted(path) + " cannot be read as a video: " + LibavErrorText(error)};
  const AVCodec *codec = nullptr;
  int videoIndex = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
  if (videoIndex == AVERROR_STREAM_NOT_FOUND) return Error{Quoted(path) + " holds no video stream"};
  if (videoIndex < 0 || !codec)
    return Error{Quoted(path) + ": its video's codec cannot be decoded here (" +
                 std::string(avcodec_get_name(
                     format->streams[std::max(videoIndex, 0)]->codecpar->codec_id)) +
                 ")"};
  AVStream *stream = format->streams[videoIndex];
  CodecContextHandle decoder(avcodec_alloc_context3(codec));
  PacketHandle packet(av_packet_alloc());
  FrameHandle frame(av_frame_alloc());
  if (!decoder || !packet || !frame) return Error{"out of memory"};
  if (int error = avcodec_parameters_to_context(decoder.get(), stream->codecpar); error < 0)
    return Error{Quoted(path) + ": " + LibavErrorText(error)};
  decoder->pkt_timebase = stream->time_base;
  decoder->thread_count = 0; // as many as the machine has
  // Damage is a failure, not a picture with holes: a job must not write a broken clip as done.
  decoder->err_recognition |= AV_EF_EXPLODE | AV_EF_CRCCHECK;
  if (int error = avcodec_open2(decoder.get(), codec, nullptr); error < 0)
    return Error{Quoted(path) + ": the " + std::string(codec->name) +
                 " decoder cannot be opened: " + LibavErrorText(error)};
  if (decoder->width <= 0 || decoder->height <= 0 || decoder->pix_fmt == AV_PIX_FMT_NONE)
    return Error{Quoted(path) + ": the video's picture size or pixel format is unknown"};
  return std::unique_ptr<VideoReader>(new VideoReader(path, std::move(format), videoIndex,
                                                      std::move(decoder), std::move(packet),
                                                      std::move(frame)));
}

void VideoReader::SeekNear(double seconds) {
  AVStream *stream = VideoStream();
  int64_t target = startTimestamp +
                   av_rescale_q(int64_t(seconds * AV_TIME_BASE), AV_TIME_BASE_Q, stream->time_base);
  // A file that cannot seek is read from its start; the frames before are skipped all the same.
  if (av_seek_frame(format.get(), videoIndex, target, AVSEEK_FLAG_BACKWARD) >= 0)
    avcodec_flush_buffers(decoder.get());
}

Result<VideoReader::Item> VideoReader::Next() {
  for (;;) {
    av_frame_unref(frame.get());
    int received = avcodec_receive_frame(decoder.get(), frame.get());
    if (received == 0) {
      lastSeconds = SecondsOf(TimestampOf(frame.get()));
      std::string damage = TakeDecoderError();
      if (!damage.empty() || frame->decode_error_flags != 0 ||
          (frame->flags & AV_FRAME_FLAG_CORRUPT))
        return Error{Quoted(path) + ": the video is damaged near " + NumberText(lastSeconds) +
                     " s" + (damage.empty() ? "" : " (" + damage + ")")};
      return Item::Frame;
    }
    if (received == AVERROR_EOF) return Item::End;
    if (received != AVERROR(EAGAIN)) return Failure("the video cannot be decoded", received);
    if (draining) return Item::End;

    av_packet_unref(packet.get());
    int read = av_read_frame(format.get(), packet.get());
    if (read == AVERROR_EOF) {
      if (format->pb && format->pb->error < 0)
        return Failure("cannot read the file", format->pb->error);
      draining = true;
      if (int error = avcodec_send_packet(decoder.get(), nullptr); error < 0)
        return Failure("the video cannot be decoded", error);
      continue;
    }
    if (read < 0) return Failure("cannot read the file", read);
    if (packet->stream_index != videoIndex) return Item::Packet;
    if (packet->pts != AV_NOPTS_VALUE) lastSeconds = SecondsOf(packet->pts);
    if (int error = avcodec_send_packet(decoder.get(), packet.get()); error < 0)
      return Failure("the video cannot be decoded", error);
  }
}

int64_t VideoReader::TimestampOf(const AVFrame *picture) const {
  if (picture->best_effort_timestamp != AV_NOPTS_VALUE) return picture->best_effort_timestamp;
  return picture->pts;
}

double VideoReader::SecondsOf(int64_t timestamp) const {
  return double(timestamp - startTimestamp) * av_q2d(VideoStream()->time_base);
}

double VideoReader::DurationOf(const AVFrame *picture) const {
  AVStream *stream = format->streams[videoIndex];
  if (picture->pkt_duration > 0) return double(picture->pkt_duration) * av_q2d(stream->time_base);
  AVRational rate = stream->avg_frame_rate.num > 0 ? stream->avg_frame_rate : stream->r_frame_rate;
  return rate.num > 0 ? av_q2d(av_inv_q(rate)) : 0.0;
}
