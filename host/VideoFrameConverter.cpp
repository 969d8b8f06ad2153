#include "host/VideoFrameConverter.h"

#include "host/MessageText.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace {

// The flags the ffmpeg tool converts with by default, so that a clip read here gives the
// frames `ffmpeg -i clip -f rawvideo -pix_fmt bgra` gives the raw stream job.
constexpr int kScalerFlags = SWS_BICUBIC;

bool IsRgb(AVPixelFormat format) {
  const AVPixFmtDescriptor *descriptor = av_pix_fmt_desc_get(format);
  return descriptor && (descriptor->flags & AV_PIX_FMT_FLAG_RGB);
}

// The video's matrix and range on its YUV side of `scaler`; what it does not say stays as the
// library guessed from the pixel format.
enum class VideoSide { Source, Destination };

void UseVideoColours(SwsContext *scaler, const VideoPictureFormat &video, VideoSide side) {
  if (IsRgb(video.pixelFormat)) return;
  const bool videoIsSource = side == VideoSide::Source;
  int *inverseTable = nullptr, *table = nullptr;
  int sourceRange = 0, destinationRange = 0, brightness = 0, contrast = 0, saturation = 0;
  if (sws_getColorspaceDetails(scaler, &inverseTable, &sourceRange, &table, &destinationRange,
                               &brightness, &contrast, &saturation) < 0)
    return;
  const int *coefficients = video.colorSpace == AVCOL_SPC_UNSPECIFIED
                                ? (videoIsSource ? inverseTable : table)
                                : sws_getCoefficients(video.colorSpace);
  int &range = videoIsSource ? sourceRange : destinationRange;
  if (video.colorRange != AVCOL_RANGE_UNSPECIFIED)
    range = video.colorRange == AVCOL_RANGE_JPEG ? 1 : 0;
  sws_setColorspaceDetails(scaler, videoIsSource ? coefficients : inverseTable, sourceRange,
                           videoIsSource ? table : coefficients, destinationRange, brightness,
                           contrast, saturation);
}

ScalerHandle MakeScaler(int width, int height, AVPixelFormat from, AVPixelFormat to) {
  return ScalerHandle(sws_getContext(width, height, from, width, height, to, kScalerFlags, nullptr,
                                     nullptr, nullptr));
}

std::string FormatName(AVPixelFormat format) {
  const char *name = av_get_pix_fmt_name(format);
  return name ? name : "unknown";
}

} // namespace

Result<std::unique_ptr<VideoFrameConverter>>
VideoFrameConverter::Create(const VideoPictureFormat &decoded, const VideoPictureFormat &encoded) {
  ScalerHandle toFrame =
      MakeScaler(decoded.width, decoded.height, decoded.pixelFormat, AV_PIX_FMT_BGRA);
  if (!toFrame)
    return Error{"pictures in " + FormatName(decoded.pixelFormat) + " cannot be converted to BGRA"};
  UseVideoColours(toFrame.get(), decoded, VideoSide::Source);
  ScalerHandle fromFrame =
      MakeScaler(encoded.width, encoded.height, AV_PIX_FMT_BGRA, encoded.pixelFormat);
  if (!fromFrame)
    return Error{"BGRA pictures cannot be converted to " + FormatName(encoded.pixelFormat)};
  UseVideoColours(fromFrame.get(), encoded, VideoSide::Destination);
  return std::unique_ptr<VideoFrameConverter>(
      new VideoFrameConverter(decoded, encoded, std::move(toFrame), std::move(fromFrame)));
}

Status VideoFrameConverter::ToFrame(const AVFrame &picture, Frame &frame) {
  if (picture.width != decoded.width || picture.height != decoded.height ||
      picture.format != decoded.pixelFormat)
    return Status::Fail("the video's pictures change from " + std::to_string(decoded.width) + "x" +
                        std::to_string(decoded.height) + " " + FormatName(decoded.pixelFormat) +
                        " to " + std::to_string(picture.width) + "x" +
                        std::to_string(picture.height) + " " +
                        FormatName(static_cast<AVPixelFormat>(picture.format)) +
                        ", which this job does not follow");
  if (frame.Width() != decoded.width || frame.Height() != decoded.height)
    return Status::Fail("the frame differs in size from the video's pictures");
  uint8_t *rows[4] = {frame.ViewRow(0), nullptr, nullptr, nullptr};
  int strides[4] = {-static_cast<int>(frame.Stride()), 0, 0, 0};
  if (int done = sws_scale(toFrame.get(), picture.data, picture.linesize, 0, picture.height, rows,
                           strides);
      done < 0)
    return Status::Fail("a picture cannot be converted to BGRA: " + LibavErrorText(done));
  return Status::Ok();
}

Status VideoFrameConverter::FromFrame(const Frame &frame, AVFrame &picture) {
  if (frame.Width() != encoded.width || frame.Height() != encoded.height)
    return Status::Fail("the frame differs in size from the video's pictures");
  int error = 0;
  if (picture.buf[0]) {
    // The encoder may still hold the last picture's buffers; this gives us our own if so.
    error = av_frame_make_writable(&picture);
  } else {
    picture.format = encoded.pixelFormat;
    picture.width = encoded.width;
    picture.height = encoded.height;
    error = av_frame_get_buffer(&picture, 0);
  }
  if (error < 0) return Status::Fail("no memory for a picture to encode: " + LibavErrorText(error));
  const uint8_t *rows[4] = {frame.ViewRow(0), nullptr, nullptr, nullptr};
  int strides[4] = {-static_cast<int>(frame.Stride()), 0, 0, 0};
  if (int done = sws_scale(fromFrame.get(), rows, strides, 0, frame.Height(), picture.data,
                           picture.linesize);
      done < 0)
    return Status::Fail("a picture cannot be converted from BGRA: " + LibavErrorText(done));
  return Status::Ok();
}
