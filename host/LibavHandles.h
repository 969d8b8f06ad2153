// Owners for FFmpeg's objects, each freed with the library's own function, and the text of the
// library's error codes. The video job holds everything of FFmpeg's through these.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <memory>
#include <string>

struct AVInputDeleter {
  void operator()(AVFormatContext *context) const { avformat_close_input(&context); }
};
struct AVOutputDeleter {
  void operator()(AVFormatContext *context) const { avformat_free_context(context); }
};
struct AVCodecContextDeleter {
  void operator()(AVCodecContext *context) const { avcodec_free_context(&context); }
};
struct AVFrameDeleter {
  void operator()(AVFrame *frame) const { av_frame_free(&frame); }
};
struct AVPacketDeleter {
  void operator()(AVPacket *packet) const { av_packet_free(&packet); }
};
struct SwsContextDeleter {
  void operator()(SwsContext *context) const { sws_freeContext(context); }
};
// The I/O context of an output written through our own callbacks: its buffer is the library's.
struct AVIOContextDeleter {
  void operator()(AVIOContext *context) const {
    av_freep(&context->buffer);
    avio_context_free(&context);
  }
};

using InputFormatHandle = std::unique_ptr<AVFormatContext, AVInputDeleter>;
using OutputFormatHandle = std::unique_ptr<AVFormatContext, AVOutputDeleter>;
using CodecContextHandle = std::unique_ptr<AVCodecContext, AVCodecContextDeleter>;
using FrameHandle = std::unique_ptr<AVFrame, AVFrameDeleter>;
using PacketHandle = std::unique_ptr<AVPacket, AVPacketDeleter>;
using ScalerHandle = std::unique_ptr<SwsContext, SwsContextDeleter>;
using IOContextHandle = std::unique_ptr<AVIOContext, AVIOContextDeleter>;

// The library's words for an error code ("Invalid data found when processing input").
std::string LibavErrorText(int error);

// Keeps the library's messages off the terminal (on it with `verbose`, from warnings up) and
// remembers the last error it reported, which often says more than the code it returns.
void CaptureLibavMessages(bool verbose);
// The last error message the library reported since the last call, without its newline;
// empty when there was none.
std::string TakeLibavMessage();
// The last error a decoder reported since the last call (empty: none). Some decoders find
// damage, say so and hand out a patched picture all the same; this is how a job learns of it.
std::string TakeDecoderError();
