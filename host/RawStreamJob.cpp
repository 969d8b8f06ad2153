#include "host/AtomicOutputFile.h"
#include "host/EffectRenderer.h"
#include "host/ProgressLine.h"
#include "host/RawFrameStream.h"
#include "host/RenderJobs.h"

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

} // namespace

Status RunRawStreamJob(const RenderOptions &options, const RenderPlan &plan) {
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

  EffectRenderer renderer(plan.effectId);
  RawFrameReader reader(input, options.rawSize);
  RawFrameWriter writer(output);
  ProgressLine progress(!options.quiet, options.frames.value_or(0));
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
      if (Status flushed = writer.Flush(); !flushed.ok())
        return Status::Fail(flushed.message() + " after " + Frames(done));
      return outputFile ? outputFile->Commit() : Status::Ok();
    case RawFrameReader::Outcome::Short:
      return Status::Fail("the input ended inside frame " + std::to_string(done + 1) + ": " +
                          std::to_string(reader.MissingBytes()) + " of its " +
                          std::to_string(source.value().ByteCount()) +
                          " bytes were missing (is --raw the size of the frames?)");
    case RawFrameReader::Outcome::Error:
      return Status::Fail(std::string("cannot read the input: ") +
                          std::strerror(reader.ErrorNumber()));
    }
    Result<double> value = plan.schedule.ValueAt(done);
    if (!value.ok())
      return value.status();
    if (Status rendered = renderer.Render(source.value(), destination.value(), value.value());
        !rendered.ok())
      return rendered;
    if (Status written = writer.Write(destination.value()); !written.ok())
      return Status::Fail(written.message() + " after " + Frames(done));
    progress.Done(++done);
  }
  if (Status flushed = writer.Flush(); !flushed.ok())
    return Status::Fail(flushed.message() + " after " + Frames(done));
  return outputFile ? outputFile->Commit() : Status::Ok();
}
