#include "host/RawFrameStream.h"

#include "host/MessageText.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace {

// The frame's rows as the stream orders them: top first, which is the last row in memory.
void PointAtRows(std::vector<iovec> &rows, BYTE *data, FrameSize size, size_t rowBytes) {
  rows.resize(size_t(size.height));
  for (int y = 0; y < size.height; ++y)
    rows[size_t(y)] = {data + rowBytes * size_t(size.height - 1 - y), rowBytes};
}

// Moves past `done` bytes of the pieces from `first` on; returns the first piece not done.
size_t Advance(std::vector<iovec> &pieces, size_t first, size_t done) {
  while (done > 0) {
    iovec &piece = pieces[first];
    size_t taken = std::min(done, piece.iov_len);
    piece.iov_base = static_cast<BYTE *>(piece.iov_base) + taken;
    piece.iov_len -= taken;
    done -= taken;
    if (piece.iov_len == 0) ++first;
  }
  return first;
}

int Batch(const std::vector<iovec> &pieces, size_t first) {
  return int(std::min<size_t>(pieces.size() - first, IOV_MAX));
}

} // namespace

RawFrameReader::Outcome RawFrameReader::Read(Frame &frame) {
  PointAtRows(rows, frame.Data(), size, frame.RowBytes());
  uint64_t got = 0;
  for (size_t first = 0; first < rows.size();) {
    ssize_t n = readv(descriptor, &rows[first], Batch(rows, first));
    if (n < 0) {
      if (errno == EINTR) continue;
      errorNumber = errno;
      return Outcome::Error;
    }
    if (n == 0) {
      if (got == 0) return Outcome::End;
      missingBytes = uint64_t(frame.ByteCount()) - got;
      return Outcome::Short;
    }
    got += uint64_t(n);
    first = Advance(rows, first, size_t(n));
  }
  return Outcome::Frame;
}

Status RawFrameWriter::Write(const Frame &frame) {
  PointAtRows(rows, const_cast<BYTE *>(frame.Data()), frame.Size(), frame.RowBytes());
  for (size_t first = 0; first < rows.size();) {
    ssize_t n = writev(descriptor, &rows[first], Batch(rows, first));
    if (n < 0) {
      int error = errno;
      if (error == EINTR) continue;
      if (error == EAGAIN || error == EWOULDBLOCK) {
        // An output left non-blocking by whoever opened it: wait until it takes more.
        pollfd ready{descriptor, POLLOUT, 0};
        poll(&ready, 1, -1);
        continue;
      }
      if (error == EPIPE) return Status::Fail("the output was closed by its reader (broken pipe)");
      return Status::Fail("cannot write " + name + ": " + SystemReason(error));
    }
    first = Advance(rows, first, size_t(n));
  }
  return Status::Ok();
}
