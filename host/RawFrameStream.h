// Raw frames on a byte stream: 4 bytes a pixel in B, G, R, A order, rows top first, frames
// back to back with nothing between them. In memory the frames are bottom-up, so rows are
// read into and written from the other end of the Frame.
#pragma once

#include "host/Frame.h"
#include "host/Status.h"

#include <cstdint>
#include <cstdio>

// Gives the stream a large buffer; call before the first read or write on it.
void UseLargeBuffer(FILE *stream);

class RawFrameReader {
public:
  enum class Outcome {
    Frame, // a whole frame was read
    End,   // the input ended cleanly between frames
    Short, // the input ended inside a frame; MissingBytes says how much was lacking
    Error, // a read error; ErrorNumber says which
  };

  RawFrameReader(FILE *stream, FrameSize size) : stream(stream), size(size) {}

  // Fills `frame` (which must have the stream's size).
  Outcome Read(Frame &frame);

  uint64_t MissingBytes() const { return missingBytes; }
  int ErrorNumber() const { return errorNumber; }

private:
  FILE *stream;
  FrameSize size;
  uint64_t missingBytes = 0;
  int errorNumber = 0;
};

class RawFrameWriter {
public:
  explicit RawFrameWriter(FILE *stream) : stream(stream) {}

  // Writes one frame top row first. A failure's message names the cause; a reader that
  // closed the pipe gives EPIPE (SIGPIPE is ignored by the tool).
  Status Write(const Frame &frame);
  Status Flush();

  int ErrorNumber() const { return errorNumber; }

private:
  Status Failed();

  FILE *stream;
  int errorNumber = 0;
};
