#include "host/RawFrameStream.h"

#include <cerrno>
#include <cstring>
#include <string>

void UseLargeBuffer(FILE *stream) { setvbuf(stream, nullptr, _IOFBF, size_t(1) << 22); }

RawFrameReader::Outcome RawFrameReader::Read(Frame &frame) {
  size_t rowBytes = frame.RowBytes();
  uint64_t got = 0;
  for (int y = 0; y < size.height; ++y) {
    errno = 0;
    size_t n = fread(frame.ViewRow(y), 1, rowBytes, stream);
    got += n;
    if (n == rowBytes)
      continue;
    if (ferror(stream)) {
      errorNumber = errno ? errno : EIO;
      return Outcome::Error;
    }
    if (got == 0)
      return Outcome::End;
    missingBytes = uint64_t(frame.ByteCount()) - got;
    return Outcome::Short;
  }
  return Outcome::Frame;
}

Status RawFrameWriter::Failed() {
  errorNumber = errno ? errno : EIO;
  if (errorNumber == EPIPE)
    return Status::Fail("the output was closed by its reader (broken pipe)");
  return Status::Fail(std::string("cannot write the output: ") + std::strerror(errorNumber));
}

Status RawFrameWriter::Write(const Frame &frame) {
  size_t rowBytes = frame.RowBytes();
  for (int y = 0; y < frame.Height(); ++y) {
    errno = 0;
    if (fwrite(frame.ViewRow(y), 1, rowBytes, stream) != rowBytes)
      return Failed();
  }
  return Status::Ok();
}

Status RawFrameWriter::Flush() {
  errno = 0;
  if (fflush(stream) != 0)
    return Failed();
  return Status::Ok();
}
