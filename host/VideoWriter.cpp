#include "host/VideoWriter.h"

#include "host/MessageText.h"

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

namespace {

constexpr int kIoBufferBytes = 1 << 16;

// Tags that describe the source file rather than the stream, which the muxer writes anew.
void CopyMetadata(AVDictionary **to, const AVDictionary *from) {
  av_dict_copy(to, from, 0);
  for (const char *stale : {"DURATION", "ENCODER", "encoder"}) av_dict_set(to, stale, nullptr, 0);
}

bool IsCopied(AVMediaType type) {
  return type == AVMEDIA_TYPE_AUDIO || type == AVMEDIA_TYPE_SUBTITLE;
}

Error CannotHold(const std::string &path, const AVFormatContext &format, const char *what,
                 AVCodecID codec) {
  return Error{Quoted(path) + ": the " + std::string(format.oformat->name) +
               " container cannot hold " + what + " in " + avcodec_get_name(codec) +
               "; choose another extension (.mkv takes almost anything)"};
}

bool IsRgb(AVPixelFormat format) {
  const AVPixFmtDescriptor *descriptor = av_pix_fmt_desc_get(format);
  return descriptor && (descriptor->flags & AV_PIX_FMT_FLAG_RGB);
}

// The pixel format the encoder takes that loses least of the source's. A lossy codec gets
// 4:2:0 YUV for an RGB source, as players expect, rather than the rare RGB forms some offer.
AVPixelFormat ChoosePixelFormat(const AVCodec &codec, const VideoEncoding &encoding,
                                AVPixelFormat source) {
  if (encoding.bgra) return AV_PIX_FMT_BGRA;
  if (!codec.pix_fmts) return source;
  const AVCodecDescriptor *descriptor = avcodec_descriptor_get(codec.id);
  if (IsRgb(source) && descriptor && (descriptor->props & AV_CODEC_PROP_LOSSY))
    source = AV_PIX_FMT_YUV420P;
  return avcodec_find_best_pix_fmt_of_list(codec.pix_fmts, source, 0, nullptr);
}

} // namespace

int VideoWriter::WriteBytes(void *opaque, uint8_t *bytes, int size) {
  auto *writer = static_cast<VideoWriter *>(opaque);
  int descriptor = writer->file->Descriptor();
  for (int done = 0; done < size;) {
    ssize_t written = write(descriptor, bytes + done, size_t(size - done));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      writer->writeError = written < 0 ? errno : ENOSPC;
      return AVERROR(writer->writeError);
    }
    done += int(written);
  }
  return size;
}

int64_t VideoWriter::Seek(void *opaque, int64_t offset, int whence) {
  int descriptor = static_cast<VideoWriter *>(opaque)->file->Descriptor();
  if (whence & AVSEEK_SIZE) {
    struct stat info {};
    return fstat(descriptor, &info) == 0 ? int64_t(info.st_size) : AVERROR(errno);
  }
  off_t at = lseek(descriptor, off_t(offset), whence & ~AVSEEK_FORCE);
  return at < 0 ? AVERROR(errno) : int64_t(at);
}

Status VideoWriter::Failed(int error) const {
  if (writeError != 0) return Status::Fail(file->WriteFailure(writeError));
  std::string said = TakeLibavMessage();
  return Status::Fail("cannot write " + Quoted(file->Path()) + ": " +
                      (said.empty() ? LibavErrorText(error) : said));
}

Result<std::unique_ptr<VideoWriter>> VideoWriter::Create(const std::string &path,
                                                         VideoReader &source,
                                                         const VideoEncoding &encoding,
                                                         double shiftSeconds) {
  const AVCodec *codec = avcodec_find_encoder_by_name(encoding.encoder.c_str());
  if (!codec || codec->type != AVMEDIA_TYPE_VIDEO)
    return Error{"--codec: " + Quoted(encoding.encoder) +
                 " is not a video encoder here ('ffmpeg -encoders' lists them)"};
  std::unique_ptr<VideoWriter> writer(new VideoWriter());
  AVFormatContext *made = nullptr;
  if (int error = avformat_alloc_output_context2(&made, nullptr, nullptr, path.c_str());
      error < 0 || !made)
    return Error{Quoted(path) + ": no container is known for this name; use " +
                 std::string(VideoOutputExtensions())};
  writer->format.reset(made);
  AVFormatContext &format = *writer->format;
  // Copied streams are the user's as they stand; a container that holds one only in a newer
  // form of its standard (FLAC in MP4, say) still takes it.
  format.strict_std_compliance = FF_COMPLIANCE_EXPERIMENTAL;
  if (avformat_query_codec(format.oformat, codec->id, FF_COMPLIANCE_NORMAL) == 0)
    return CannotHold(path, format, "video", codec->id);

  const AVCodecContext &decoder = *source.Decoder();
  AVStream &input = *source.VideoStream();
  writer->encoder.reset(avcodec_alloc_context3(codec));
  writer->picture.reset(av_frame_alloc());
  writer->packet.reset(av_packet_alloc());
  if (!writer->encoder || !writer->picture || !writer->packet) return Error{"out of memory"};
  AVCodecContext &encoder = *writer->encoder;
  AVPixelFormat pixelFormat = ChoosePixelFormat(*codec, encoding, decoder.pix_fmt);
  AVColorSpace colorSpace = decoder.colorspace;
  AVColorRange colorRange = decoder.color_range;
  if (IsRgb(decoder.pix_fmt) && !IsRgb(pixelFormat)) {
    // RGB turned into YUV: the matrix is ours to choose, and the file must say which.
    colorSpace = decoder.height >= 720 ? AVCOL_SPC_BT709 : AVCOL_SPC_SMPTE170M;
    colorRange = AVCOL_RANGE_MPEG;
  } else if (!IsRgb(decoder.pix_fmt) && IsRgb(pixelFormat)) {
    colorSpace = AVCOL_SPC_RGB;
    colorRange = AVCOL_RANGE_JPEG;
  }
  writer->pictureFormat = {decoder.width, decoder.height, pixelFormat, colorSpace, colorRange};
  encoder.width = decoder.width;
  encoder.height = decoder.height;
  encoder.pix_fmt = pixelFormat;
  encoder.sample_aspect_ratio = av_guess_sample_aspect_ratio(source.Format(), &input, nullptr);
  encoder.framerate = av_guess_frame_rate(source.Format(), &input, nullptr);
  // Frames keep their own times, except in AVI, which counts frames at one fixed rate.
  encoder.time_base = std::string_view(format.oformat->name) == "avi" && encoder.framerate.num > 0
                          ? av_inv_q(encoder.framerate)
                          : input.time_base;
  encoder.color_range = colorRange;
  encoder.color_primaries = decoder.color_primaries;
  encoder.color_trc = decoder.color_trc;
  encoder.colorspace = colorSpace;
  encoder.chroma_sample_location = decoder.chroma_sample_location;
  encoder.field_order = decoder.field_order;
  encoder.thread_count = 0;
  if (format.oformat->flags & AVFMT_GLOBALHEADER) encoder.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

  AVDictionary *settings = nullptr;
  for (const auto &[name, value] : encoding.settings)
    av_dict_set(&settings, name.c_str(), value.c_str(), 0);
  if (encoding.crf) {
    if (!encoder.priv_data || !av_opt_find(encoder.priv_data, "crf", nullptr, 0, 0)) {
      av_dict_free(&settings);
      return Error{"--crf: the " + std::string(codec->name) +
                   " encoder has no constant-quality setting"};
    }
    av_dict_set_int(&settings, "crf", *encoding.crf, 0);
  }
  int opened = avcodec_open2(&encoder, codec, &settings);
  av_dict_free(&settings);
  if (opened < 0)
    return Error{"the " + std::string(codec->name) + " encoder cannot take " +
                 std::to_string(encoder.width) + "x" + std::to_string(encoder.height) + " " +
                 (av_get_pix_fmt_name(pixelFormat) ? av_get_pix_fmt_name(pixelFormat) : "?") +
                 " pictures: " + LibavErrorText(opened)};

  AVStream *video = avformat_new_stream(&format, nullptr);
  if (!video || avcodec_parameters_from_context(video->codecpar, &encoder) < 0)
    return Error{"out of memory"};
  video->time_base = encoder.time_base;
  video->avg_frame_rate = input.avg_frame_rate;
  video->r_frame_rate = input.r_frame_rate;
  video->sample_aspect_ratio = encoder.sample_aspect_ratio;
  video->disposition = input.disposition;
  CopyMetadata(&video->metadata, input.metadata);
  writer->videoOutput = video->index;
  writer->sourceVideoTimeBase = input.time_base;

  AVFormatContext &from = *source.Format();
  for (unsigned i = 0; i < from.nb_streams; ++i) {
    const AVStream &stream = *from.streams[i];
    writer->sourceTimeBase.push_back(stream.time_base);
    writer->outputOf.push_back(-1);
    if (&stream == &input || !IsCopied(stream.codecpar->codec_type)) continue;
    if (avformat_query_codec(format.oformat, stream.codecpar->codec_id, FF_COMPLIANCE_NORMAL) == 0)
      return CannotHold(path, format,
                        stream.codecpar->codec_type == AVMEDIA_TYPE_AUDIO ? "audio" : "subtitles",
                        stream.codecpar->codec_id);
    AVStream *copy = avformat_new_stream(&format, nullptr);
    if (!copy || avcodec_parameters_copy(copy->codecpar, stream.codecpar) < 0)
      return Error{"out of memory"};
    copy->codecpar->codec_tag = 0; // the new container's own tag for the codec
    copy->time_base = stream.time_base;
    copy->disposition = stream.disposition;
    CopyMetadata(&copy->metadata, stream.metadata);
    writer->outputOf.back() = copy->index;
  }
  CopyMetadata(&format.metadata, from.metadata);

  Result<std::unique_ptr<AtomicOutputFile>> file = AtomicOutputFile::Create(path);
  ZRQ_RETURN_IF_FAILED(file);
  writer->file = std::move(file.value());
  auto *buffer = static_cast<unsigned char *>(av_malloc(kIoBufferBytes));
  if (!buffer) return Error{"out of memory"};
  writer->io.reset(avio_alloc_context(buffer, kIoBufferBytes, 1, writer.get(), nullptr,
                                      &VideoWriter::WriteBytes, &VideoWriter::Seek));
  if (!writer->io) {
    av_free(buffer);
    return Error{"out of memory"};
  }
  // A pipe or a device is written straight through; the container then does without seeking.
  if (lseek(writer->file->Descriptor(), 0, SEEK_CUR) < 0) writer->io->seekable = 0;
  format.pb = writer->io.get();
  format.flags |= AVFMT_FLAG_CUSTOM_IO;
  writer->shiftMicroseconds = int64_t(shiftSeconds * AV_TIME_BASE);
  if (int error = avformat_write_header(&format, nullptr); error < 0)
    return Error{writer->Failed(error).message()};
  return writer;
}

Status VideoWriter::Drain() {
  for (;;) {
    int received = avcodec_receive_packet(encoder.get(), packet.get());
    if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return Status::Ok();
    if (received < 0)
      return Status::Fail("the " + std::string(encoder->codec->name) +
                          " encoder failed: " + LibavErrorText(received));
    av_packet_rescale_ts(packet.get(), encoder->time_base, format->streams[videoOutput]->time_base);
    packet->stream_index = videoOutput;
    if (int error = av_interleaved_write_frame(format.get(), packet.get()); error < 0)
      return Failed(error);
  }
}

Status VideoWriter::WriteVideo(int64_t timestamp) {
  picture->pts =
      av_rescale_q(timestamp - av_rescale_q(shiftMicroseconds, AV_TIME_BASE_Q, sourceVideoTimeBase),
                   sourceVideoTimeBase, encoder->time_base);
  picture->pict_type = AV_PICTURE_TYPE_NONE;
  if (int error = avcodec_send_frame(encoder.get(), picture.get()); error < 0)
    return Status::Fail("the " + std::string(encoder->codec->name) +
                        " encoder refused a frame: " + LibavErrorText(error));
  return Drain();
}

Status VideoWriter::CopyPacket(AVPacket &copied) {
  if (copied.stream_index < 0 || size_t(copied.stream_index) >= outputOf.size() ||
      outputOf[size_t(copied.stream_index)] < 0)
    return Status::Ok();
  AVRational from = sourceTimeBase[size_t(copied.stream_index)];
  int64_t shift = av_rescale_q(shiftMicroseconds, AV_TIME_BASE_Q, from);
  if (copied.pts != AV_NOPTS_VALUE) copied.pts -= shift;
  if (copied.dts != AV_NOPTS_VALUE) copied.dts -= shift;
  int to = outputOf[size_t(copied.stream_index)];
  av_packet_rescale_ts(&copied, from, format->streams[to]->time_base);
  copied.stream_index = to;
  copied.pos = -1;
  if (int error = av_interleaved_write_frame(format.get(), &copied); error < 0)
    return Failed(error);
  return Status::Ok();
}

Status VideoWriter::Finish() {
  if (int error = avcodec_send_frame(encoder.get(), nullptr); error < 0 && error != AVERROR_EOF)
    return Status::Fail("the " + std::string(encoder->codec->name) +
                        " encoder failed: " + LibavErrorText(error));
  ZRQ_RETURN_IF_FAILED(Drain());
  if (int error = av_write_trailer(format.get()); error < 0) return Failed(error);
  avio_flush(io.get());
  if (io->error < 0) return Failed(io->error);
  return file->Commit();
}
