#include "host/AtomicOutputFile.h"
#include "host/MessageText.h"
#include "host/ProgressLine.h"
#include "host/RawFrameStream.h"
#include "host/RenderJobs.h"
#include "host/RunRenderer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace {

// An input opened by name, closed when the job ends.
struct InputFile {
  int descriptor = -1;
  ~InputFile() {
    if (descriptor >= 0) close(descriptor);
  }
};

std::string Frames(int64_t count) {
  return std::to_string(count) + (count == 1 ? " frame" : " frames");
}

} // namespace

Status RunRawStreamJob(const RenderOptions &options, const RenderPlan &plan, FILE *report) {
  InputFile inputFile;
  int input = STDIN_FILENO;
  std::string inputName = "standard input";
  if (!options.input.empty()) {
    inputFile.descriptor = open(options.input.c_str(), O_RDONLY | O_CLOEXEC);
    if (inputFile.descriptor < 0)
      return Status::Fail("cannot open " + Quoted(options.input) + ": " + SystemReason(errno));
    input = inputFile.descriptor;
    inputName = Quoted(options.input);
  }
  std::unique_ptr<AtomicOutputFile> outputFile;
  int output = STDOUT_FILENO;
  std::string outputName = "standard output";
  if (!options.output.empty()) {
    Result<std::unique_ptr<AtomicOutputFile>> created = AtomicOutputFile::Create(options.output);
    ZRQ_RETURN_IF_FAILED(created);
    outputFile = std::move(created.value());
    output = outputFile->Descriptor();
    outputName = Quoted(options.output);
  }

  Result<Frame> source = Frame::Allocate(options.rawSize);
  ZRQ_RETURN_IF_FAILED(source);
  Result<Frame> destination = Frame::Allocate(options.rawSize);
  ZRQ_RETURN_IF_FAILED(destination);

  Result<RunRenderer> renderer = RunRenderer::Create(options, plan, options.rawSize, report);
  ZRQ_RETURN_IF_FAILED(renderer);
  RawFrameReader reader(input, options.rawSize);
  RawFrameWriter writer(output, outputName);
  ProgressLine progress(RunRenderer::WantsProgressLine(options), options.frames.value_or(0));
  int64_t done = 0;
  for (bool ended = false; !ended && (!options.frames || done < *options.frames);) {
    switch (reader.Read(source.value())) {
    case RawFrameReader::Outcome::Frame:
      break;
    case RawFrameReader::Outcome::End:
      if (options.frames)
        return Status::Fail("the input ended after " + Frames(done) + " of the " +
                            Frames(*options.frames) + " asked for");
      ended = true;
      continue;
    case RawFrameReader::Outcome::Short:
      return Status::Fail("the input ended inside frame " + std::to_string(done + 1) + ": " +
                          std::to_string(reader.MissingBytes()) + " of its " +
                          std::to_string(source.value().ByteCount()) +
                          " bytes were missing (is --raw the size of the frames?)");
    case RawFrameReader::Outcome::Error:
      return Status::Fail("cannot read " + inputName + ": " + SystemReason(reader.ErrorNumber()));
    }
    ZRQ_RETURN_IF_FAILED(renderer.value().Render(done, source.value(), destination.value()));
    // Each frame is out of the process before the next is read, so the count is of frames
    // the output really took.
    if (Status written = writer.Write(destination.value()); !written.ok())
      return Status::Fail(written.message() + " (" + Frames(done) + " written whole before it)");
    progress.Done(++done);
  }
  if (outputFile) {
    ZRQ_RETURN_IF_FAILED(outputFile->Commit());
  }
  renderer.value().Finish();
  return Status::Ok();
}
