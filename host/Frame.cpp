#include "host/Frame.h"

#include <cstring>
#include <new>
#include <string>

Status CheckFrameSize(FrameSize size) {
  if (size.width < 1 || size.height < 1)
    return Status::Fail(std::to_string(size.width) + "x" + std::to_string(size.height) +
                        " has no pixels");
  if (size.width > kMaxFrameSide || size.height > kMaxFrameSide)
    return Status::Fail(std::to_string(size.width) + "x" + std::to_string(size.height) +
                        " is larger than the largest picture taken, " +
                        std::to_string(kMaxFrameSide) + "x" + std::to_string(kMaxFrameSide));
  return Status::Ok();
}

Result<Frame> Frame::Allocate(FrameSize size) {
  ZRQ_RETURN_IF_FAILED(CheckFrameSize(size));
  std::unique_ptr<BYTE[]> pixels(new (std::nothrow)
                                     BYTE[size_t(4) * size_t(size.width) * size_t(size.height)]);
  if (!pixels)
    return Error{"out of memory for a " + std::to_string(size.width) + "x" +
                 std::to_string(size.height) + " picture"};
  return Frame(size, std::move(pixels));
}

Result<Frame> Frame::Clone() const {
  Result<Frame> copy = Allocate(size);
  if (copy.ok()) std::memcpy(copy.value().Data(), Data(), ByteCount());
  return copy;
}
