#include "host/PngFile.h"

#include "host/AtomicOutputFile.h"
#include "host/MessageText.h"

#include <png.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

struct FileCloser {
  void operator()(FILE *file) const { fclose(file); }
};

// Frees what libpng holds if we leave between begin_read and finish_read.
struct ImageGuard {
  png_image *image;
  ~ImageGuard() { png_image_free(image); }
};

std::string Describe(const png_image &image) {
  return image.message[0] ? std::string(image.message) : std::string("unknown libpng error");
}

// Where a PNG being written goes, and why libpng stopped when it did: the errno of a write
// that failed, or libpng's own message.
struct PngSink {
  FILE *stream;
  int writeError = 0;
  char message[256] = "";
};

extern "C" void WritePngData(png_structp png, png_bytep data, size_t length) {
  auto *sink = static_cast<PngSink *>(png_get_io_ptr(png));
  errno = 0;
  if (std::fwrite(data, 1, length, sink->stream) != length) {
    sink->writeError = errno ? errno : EIO;
    png_error(png, "the write failed");
  }
}

// The stream is flushed when the file is committed.
extern "C" void FlushPngData(png_structp) {}

extern "C" void OnPngError(png_structp png, png_const_charp message) {
  auto *sink = static_cast<PngSink *>(png_get_error_ptr(png));
  std::snprintf(sink->message, sizeof sink->message, "%s", message);
  png_longjmp(png, 1);
}

extern "C" void OnPngWarning(png_structp, png_const_charp) {}

struct WriteStructGuard {
  png_structp png;
  png_infop info = nullptr;
  ~WriteStructGuard() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

// The picture, one row at a time straight from the frame (bottom-up in memory, so the last
// row first), the fourth byte of each pixel dropped for RGB. A libpng error leaves through
// longjmp, so nothing here needs a destructor.
bool WritePngRows(png_structp png, png_infop info, const Frame &frame, PngChannels channels) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_IHDR(png, info, png_uint_32(frame.Width()), png_uint_32(frame.Height()), 8,
               channels == PngChannels::Rgba ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
  png_write_info(png, info);
  png_set_bgr(png);
  if (channels == PngChannels::Rgb) png_set_filler(png, 0, PNG_FILLER_AFTER);
  for (int y = 0; y < frame.Height(); ++y) png_write_row(png, frame.ViewRow(y));
  png_write_end(png, info);
  return true;
}

} // namespace

Result<PngPicture> ReadPngFile(const std::string &path) {
  std::unique_ptr<FILE, FileCloser> file(fopen(path.c_str(), "rb"));
  if (!file) return Error{"cannot open " + Quoted(path) + ": " + SystemReason(errno)};

  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  ImageGuard guard{&image};
  if (!png_image_begin_read_from_stdio(&image, file.get()))
    return Error{Quoted(path) + " is not a PNG picture that can be read: " + Describe(image)};

  FrameSize size{int(std::min<png_uint_32>(image.width, 0x7fffffff)),
                 int(std::min<png_uint_32>(image.height, 0x7fffffff))};
  if (Status checked = CheckFrameSize(size); !checked.ok())
    return Error{Quoted(path) + ": " + checked.message()};
  bool hasAlpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;

  Result<Frame> frame = Frame::Allocate(size);
  if (!frame.ok()) return Error{Quoted(path) + ": " + frame.message()};
  image.format = PNG_FORMAT_BGRA;
  // A negative stride asks libpng for the rows bottom-up, which is the Frame's order.
  if (!png_image_finish_read(&image, nullptr, frame.value().Data(), -frame.value().Stride(),
                             nullptr))
    return Error{Quoted(path) + " is damaged: " + Describe(image)};
  return PngPicture{std::move(frame.value()), hasAlpha};
}

Status WritePngFile(const std::string &path, const Frame &frame, PngChannels channels) {
  Result<std::unique_ptr<AtomicOutputFile>> file = AtomicOutputFile::Create(path);
  ZRQ_RETURN_IF_FAILED(file);
  PngSink sink{file.value()->Stream()};
  WriteStructGuard guard{
      png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, OnPngError, OnPngWarning)};
  if (guard.png) guard.info = png_create_info_struct(guard.png);
  if (!guard.png || !guard.info) return Status::Fail("out of memory writing " + Quoted(path));
  png_set_write_fn(guard.png, &sink, WritePngData, FlushPngData);
  if (!WritePngRows(guard.png, guard.info, frame, channels)) {
    if (sink.writeError != 0) return Status::Fail(file.value()->WriteFailure(sink.writeError));
    return Status::Fail("cannot write " + Quoted(path) + ": " + sink.message);
  }
  return file.value()->Commit();
}
