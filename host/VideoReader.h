// A video file read for the video job: its best video stream decoded into frames, every other
// stream's packets handed out as they are for copying. Frames and packets come in file order.
#pragma once

#include "host/LibavHandles.h"
#include "host/Status.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class VideoReader {
public:
  // Opens `path`, finds its streams and opens the decoder of its best video stream. Fails with
  // the reason when the file cannot be read, holds no video or its codec cannot be decoded.
  [[nodiscard]] static Result<std::unique_ptr<VideoReader>> Open(const std::string &path);

  enum class Item {
    Frame,  // Frame() holds the next decoded picture of the video stream
    Packet, // Packet() holds a packet of another stream
    End,    // the file and the decoder are drained
  };
  // The next frame or packet. Damage the decoder notices, a read error, and data the file
  // cannot hold are failures, with the time in the clip where they were met.
  Result<Item> Next();

  // Moves to the last key frame at or before `seconds` into the clip (0 is its first frame's
  // time); frames before it still come and are the caller's to skip.
  void SeekNear(double seconds);

  AVFrame *Frame() { return frame.get(); }
  AVPacket *Packet() { return packet.get(); }
  AVFormatContext *Format() { return format.get(); }
  AVStream *VideoStream() const { return format->streams[videoIndex]; }
  const AVCodecContext *Decoder() const { return decoder.get(); }

  // The video stream's first time stamp, in its time base (0 when it does not say).
  int64_t StartTimestamp() const { return startTimestamp; }
  // The video's length in seconds: the stream's own, else what its container says of the
  // stream, else the container's; nothing when no one says.
  std::optional<double> LengthSeconds() const { return lengthSeconds; }
  // A frame's presentation time stamp in the stream's time base (its best guess when it has
  // none of its own).
  int64_t TimestampOf(const AVFrame *picture) const;
  // Seconds from the clip's start to time stamp `timestamp` of the video stream.
  double SecondsOf(int64_t timestamp) const;
  // How long a frame lasts in seconds: its own duration, else one frame at the stream's rate.
  double DurationOf(const AVFrame *picture) const;

  const std::string &Path() const { return path; }

private:
  VideoReader(std::string path, InputFormatHandle format, int videoIndex,
              CodecContextHandle decoder, PacketHandle packet, FrameHandle frame);
  Error Failure(const std::string &what, int error) const;

  std::string path;
  InputFormatHandle format;
  int videoIndex;
  CodecContextHandle decoder;
  PacketHandle packet;
  FrameHandle frame;
  int64_t startTimestamp = 0;
  std::optional<double> lengthSeconds;
  double lastSeconds = 0; // where the reading has got to, for messages
  bool draining = false;
};
