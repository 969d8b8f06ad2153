#include "host/PngFile.h"

#include "host/AtomicOutputFile.h"

#include <png.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

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

} // namespace

Result<PngPicture> ReadPngFile(const std::string &path) {
  std::unique_ptr<FILE, FileCloser> file(fopen(path.c_str(), "rb"));
  if (!file)
    return Error{"cannot open '" + path + "': " + std::strerror(errno)};

  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  ImageGuard guard{&image};
  if (!png_image_begin_read_from_stdio(&image, file.get()))
    return Error{"'" + path + "' is not a PNG picture that can be read: " + Describe(image)};

  FrameSize size{int(std::min<png_uint_32>(image.width, 0x7fffffff)),
                 int(std::min<png_uint_32>(image.height, 0x7fffffff))};
  if (Status checked = CheckFrameSize(size); !checked.ok())
    return Error{"'" + path + "': the picture is " + checked.message()};
  bool hasAlpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;

  Result<Frame> frame = Frame::Allocate(size);
  if (!frame.ok())
    return Error{"'" + path + "': " + frame.message()};
  image.format = PNG_FORMAT_BGRA;
  // A negative stride asks libpng for the rows bottom-up, which is the Frame's order.
  if (!png_image_finish_read(&image, nullptr, frame.value().Data(), -frame.value().Stride(),
                             nullptr))
    return Error{"'" + path + "' is damaged: " + Describe(image)};
  return PngPicture{std::move(frame.value()), hasAlpha};
}

Status WritePngFile(const std::string &path, const Frame &frame, PngChannels channels) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = png_uint_32(frame.Width());
  image.height = png_uint_32(frame.Height());

  const void *pixels = frame.Data();
  png_int_32 stride = -frame.Stride();
  std::vector<BYTE> packed;
  switch (channels) {
  case PngChannels::Rgba:
    image.format = PNG_FORMAT_BGRA;
    break;
  case PngChannels::Rgb: {
    image.format = PNG_FORMAT_BGR;
    try {
      packed.resize(size_t(3) * size_t(frame.Width()) * size_t(frame.Height()));
    } catch (const std::bad_alloc &) {
      return Status::Fail("out of memory writing '" + path + "'");
    }
    const BYTE *from = frame.Data();
    BYTE *to = packed.data();
    for (size_t n = size_t(frame.Width()) * size_t(frame.Height()); n > 0; --n) {
      to[0] = from[0];
      to[1] = from[1];
      to[2] = from[2];
      from += 4;
      to += 3;
    }
    pixels = packed.data();
    stride = -3 * frame.Width();
    break;
  }
  }

  Result<std::unique_ptr<AtomicOutputFile>> file = AtomicOutputFile::Create(path);
  if (!file.ok())
    return file.status();
  if (!png_image_write_to_stdio(&image, file.value()->Stream(), 0, pixels, stride, nullptr))
    return Status::Fail("cannot write '" + path + "': " + Describe(image));
  return file.value()->Commit();
}
