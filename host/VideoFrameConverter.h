// Pictures between the codecs' pixel formats and the effect's frames (B, G, R, A bytes, held
// bottom-up): the rows are walked from the last with a negative stride, so the flip costs
// nothing beyond the conversion itself. The YUV matrix and range are the video's own, both
// ways, so its colour metadata stays true of the frames written.
#pragma once

#include "host/Frame.h"
#include "host/LibavHandles.h"
#include "host/Status.h"

#include <memory>

struct VideoPictureFormat {
  int width;
  int height;
  AVPixelFormat pixelFormat;
  AVColorSpace colorSpace;
  AVColorRange colorRange;
};

class VideoFrameConverter {
public:
  // Converts decoded pictures of format `decoded` into effect frames of the same size, and
  // effect frames into pictures of format `encoded` for the encoder.
  [[nodiscard]] static Result<std::unique_ptr<VideoFrameConverter>>
  Create(const VideoPictureFormat &video, const VideoPictureFormat &encoded);

  // A decoded picture into `frame`. Fails when the picture is not of the format made for.
  Status ToFrame(const AVFrame &picture, Frame &frame);
  // `frame` into `picture`, which gets the encoded format and its own buffers.
  Status FromFrame(const Frame &frame, AVFrame &picture);

private:
  VideoFrameConverter(const VideoPictureFormat &decoded, const VideoPictureFormat &encoded,
                      ScalerHandle toFrame, ScalerHandle fromFrame)
      : decoded(decoded), encoded(encoded), toFrame(std::move(toFrame)),
        fromFrame(std::move(fromFrame)) {}

  VideoPictureFormat decoded;
  VideoPictureFormat encoded;
  ScalerHandle toFrame;
  ScalerHandle fromFrame;
};
