// A video file written by the video job: the effect's frames encoded into a new video stream,
// the source's audio and subtitle streams copied packet for packet. Size, aspect, frame rate
// and colour metadata are the source's. The file is written through AtomicOutputFile, so it
// appears under its name only when Finish succeeds.
#pragma once

#include "host/AtomicOutputFile.h"
#include "host/LibavHandles.h"
#include "host/Status.h"
#include "host/VideoFormat.h"
#include "host/VideoFrameConverter.h"
#include "host/VideoReader.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class VideoWriter {
public:
  // Sets up `path` (its container from its extension) for `source`'s streams. Every time
  // stamp written is moved `shiftSeconds` earlier, so that a part cut from the middle of a
  // clip starts at its beginning.
  [[nodiscard]] static Result<std::unique_ptr<VideoWriter>> Create(const std::string &path,
                                                                   VideoReader &source,
                                                                   const VideoEncoding &encoding,
                                                                   double shiftSeconds);
  ~VideoWriter() = default;

  // The pictures the encoder takes.
  const VideoPictureFormat &PictureFormat() const { return pictureFormat; }
  // Where the next picture to encode goes (see VideoFrameConverter::FromFrame).
  AVFrame &Picture() { return *picture; }

  // Encodes Picture() as the frame at `timestamp` of the source's video stream.
  Status WriteVideo(int64_t timestamp);
  // Writes a packet of the source's stream packet->stream_index when that stream is copied.
  Status CopyPacket(AVPacket &packet);
  // Drains the encoder, ends the file and puts it in place.
  Status Finish();

private:
  VideoWriter() = default;
  Status Drain();
  Status Failed(int error) const;
  static int WriteBytes(void *opaque, uint8_t *bytes, int size);
  static int64_t Seek(void *opaque, int64_t offset, int whence);

  std::unique_ptr<AtomicOutputFile> file;
  IOContextHandle io;
  OutputFormatHandle format;
  CodecContextHandle encoder;
  FrameHandle picture;
  PacketHandle packet;
  VideoPictureFormat pictureFormat{};
  AVRational sourceVideoTimeBase{};
  int videoOutput = 0;
  std::vector<int> outputOf;              // per source stream: its copy's index, or -1
  std::vector<AVRational> sourceTimeBase; // per source stream
  int64_t shiftMicroseconds = 0;
  int writeError = 0; // errno of the last failed write of the file
};
