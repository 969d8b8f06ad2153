// Raw frames on a byte stream: 4 bytes a pixel in B, G, R, A order, rows top first, frames
// back to back with nothing between them. In memory the frames are bottom-up, so each frame
// is read and written with one vectored call whose pieces are its rows in reverse order of
// memory: the bytes go between the stream and their places in the frame without a copy.
#pragma once

#include "host/Frame.h"
#include "host/Status.h"

#include <sys/uio.h>

#include <cstdint>
#include <string>
#include <vector>

class RawFrameReader {
public:
  enum class Outcome {
    Frame, // a whole frame was read
    End,   // the input ended cleanly between frames
    Short, // the input ended inside a frame; MissingBytes says how much was lacking
    Error, // a read error; ErrorNumber says which
  };

  RawFrameReader(int descriptor, FrameSize size) : descriptor(descriptor), size(size) {}

  // Fills `frame` (which must have the stream's size).
  Outcome Read(Frame &frame);

  uint64_t MissingBytes() const { return missingBytes; }
  int ErrorNumber() const { return errorNumber; }

private:
  int descriptor;
  FrameSize size;
  std::vector<iovec> rows;
  uint64_t missingBytes = 0;
  int errorNumber = 0;
};

class RawFrameWriter {
public:
  // `name` says in messages what is written: "standard output" or a quoted file name.
  RawFrameWriter(int descriptor, std::string name)
      : descriptor(descriptor), name(std::move(name)) {}

  // Writes one frame top row first, whole before it returns. A failure's message names the
  // cause; a reader that closed the pipe gives EPIPE (SIGPIPE is ignored by the tool).
  Status Write(const Frame &frame);

private:
  int descriptor;
  std::string name;
  std::vector<iovec> rows;
};
