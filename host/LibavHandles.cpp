#include "host/LibavHandles.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <utility>

namespace {

// Codec threads report too, so the messages are kept under a lock.
std::mutex lastMessageLock;
std::string pending; // a message given in pieces, until its newline
std::string lastMessage;
std::string lastDecoderError;
bool verboseMessages = false;

bool IsDecoder(void *context) {
  if (!context || *static_cast<const AVClass **>(context) != avcodec_get_class()) return false;
  const AVCodec *codec = static_cast<AVCodecContext *>(context)->codec;
  return codec && av_codec_is_decoder(codec);
}

void Capture(void *context, int level, const char *format, va_list arguments) {
  if (verboseMessages && level <= AV_LOG_WARNING) {
    va_list copy;
    va_copy(copy, arguments);
    av_log_default_callback(context, level, format, copy);
    va_end(copy);
  }
  if (level > AV_LOG_ERROR) return;
  char text[512];
  std::vsnprintf(text, sizeof text, format, arguments);
  std::lock_guard<std::mutex> hold(lastMessageLock);
  if (!pending.empty() && pending.back() != ' ') pending += ' ';
  pending += text;
  if (pending.empty() || pending.back() != '\n') return;
  while (!pending.empty() &&
         (pending.back() == '\n' || pending.back() == ' ' || pending.back() == '.'))
    pending.pop_back();
  if (IsDecoder(context)) lastDecoderError = pending;
  lastMessage = std::exchange(pending, std::string());
}

} // namespace

std::string LibavErrorText(int error) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(error, text, sizeof text);
  return text;
}

void CaptureLibavMessages(bool verbose) {
  verboseMessages = verbose;
  av_log_set_callback(&Capture);
}

std::string TakeDecoderError() {
  std::lock_guard<std::mutex> hold(lastMessageLock);
  return std::exchange(lastDecoderError, std::string());
}

std::string TakeLibavMessage() {
  std::lock_guard<std::mutex> hold(lastMessageLock);
  return std::exchange(lastMessage, std::string());
}
