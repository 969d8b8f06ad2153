#include "host/AtomicOutputFile.h"
#include "host/ProgressLine.h"
#include "host/RawFrameStream.h"
#include "host/RenderJobs.h"
#include "host/RunRenderer.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace {

struct FileCloser {
  void operator()(FILE *file) const { fclose(file); }
};

std::string Frames(int64_t count) {
  return std::to_string(count) + (count == 1 ? " frame" : " frames");
}

// The end of a stream that was read to its end: the frames flushed, the file (if any) put in
// place, and the comparison summed up.
Status Finish(RawFrameWriter &writer, AtomicOutputFile *outputFile, RunRenderer &renderer,
              int64_t done) {
  if (Status flushed = writer.Flush(); !flushed.ok())
    return Status::Fail(flushed.message() + " after " + Frames(done));
  if (outputFile) {
    if (Status committed = outputFile->Commit(); !committed.ok())
      return committed;
  }
  renderer.Finish();
  return Status::Ok();
}

} // namespace

Status RunRawStreamJob(const RenderOptions &options, const RenderPlan &plan, FILE *report) {
  std::unique_ptr<FILE, FileCloser> inputFile;
  FILE *input = stdin;
  if (!options.input.empty()) {
    inputFile.reset(fopen(options.input.c_str(), "rb"));
    if (!inputFile)
      return Status::Fail("cannot open '" + options.input + "': " + std::strerror(errno));
    input = inputFile.get();
  }
  std::unique_ptr<AtomicOutputFile> outputFile;
  FILE *output = stdout;
  if (!options.output.empty()) {
    Result<std::unique_ptr<AtomicOutputFile>> created = AtomicOutputFile::Create(options.output);
    if (!created.ok())
      return created.status();
    outputFile = std::move(created.value());
    output = outputFile->Stream();
  }
  UseLargeBuffer(input);
  UseLargeBuffer(output);

  Result<Frame> source = Frame::Allocate(options.rawSize);
  if (!source.ok())
    return source.status();
  Result<Frame> destination = Frame::Allocate(options.rawSize);
  if (!destination.ok())
    return destination.status();

  Result<RunRenderer> renderer = RunRenderer::Create(options, plan, options.rawSize, report);
  if (!renderer.ok())
    return renderer.status();
  RawFrameReader reader(input, options.rawSize);
  RawFrameWriter writer(output);
  ProgressLine progress(RunRenderer::WantsProgressLine(options), options.frames.value_or(0));
  int64_t done = 0;
  while (!options.frames || done < *options.frames) {
    RawFrameReader::Outcome outcome = reader.Read(source.value());
    switch (outcome) {
    case RawFrameReader::Outcome::Frame:
      break;
    case RawFrameReader::Outcome::End:
      if (options.frames)
        return Status::Fail("the input ended after " + Frames(done) + " of the " +
                            Frames(*options.frames) + " asked for");
      return Finish(writer, outputFile.get(), renderer.value(), done);
    case RawFrameReader::Outcome::Short:
      return Status::Fail("the input ended inside frame " + std::to_string(done + 1) + ": " +
                          std::to_string(reader.MissingBytes()) + " of its " +
                          std::to_string(source.value().ByteCount()) +
                          " bytes were missing (is --raw the size of the frames?)");
    case RawFrameReader::Outcome::Error:
      return Status::Fail(std::string("cannot read the input: ") +
                          std::strerror(reader.ErrorNumber()));
    }
    if (Status rendered = renderer.value().Render(done, source.value(), destination.value());
        !rendered.ok())
      return rendered;
    if (Status written = writer.Write(destination.value()); !written.ok())
      return Status::Fail(written.message() + " after " + Frames(done));
    progress.Done(++done);
  }
  return Finish(writer, outputFile.get(), renderer.value(), done);
}
