// The raw stream job of zrq-render end to end, as `zrq-render --raw 1920x1080 --input FILE`
// runs it with its frames going into a pipe that another thread drains, against what `cat`
// of the same file into the same kind of pipe costs, measured pass for pass in turn (which
// goes first alternates). Beside it, the effect alone on the same frames in memory. The job
// should cost the effect and the I/O and nothing more: within 3 x cat for Mirror from Left.
#include "effect/EffectIds.h"
#include "host/EffectModule.h"
#include "host/FrameRenderer.h"
#include "host/ProjectParameters.h"
#include "host/RenderJobs.h"

#include <benchmark/benchmark.h>

#include "common/SummaryReporter.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr FrameSize kSize{1920, 1080};
constexpr int kFrames = 16; // a stream of 133 MB: larger than the caches, small enough for RAM
constexpr double kPercent = 75.0;
constexpr double kTarget = 3.0; // Mirror from Left, end to end, as a multiple of cat

struct EffectInfo {
  LONG id;
  const char *name;
};
constexpr EffectInfo kEffects[] = {
    {MirrorFromLeftEffectId, "Mirror from Left"},
    {WaveEffectId, "Wave"},
    {PanelRotateEffectId, "Panel Rotate"},
};

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

size_t FrameBytes() { return size_t(4) * size_t(kSize.width) * size_t(kSize.height); }

// The stream in a file of its own, removed at exit.
class StreamFile {
public:
  StreamFile() {
    path = (std::filesystem::temp_directory_path() /
            ("zrq-bench-stream-" + std::to_string(getpid()) + ".raw"))
               .string();
    std::vector<unsigned char> frame(FrameBytes());
    std::mt19937 rng(7);
    FILE *file = std::fopen(path.c_str(), "wb");
    for (int i = 0; file && i < kFrames; ++i) {
      for (unsigned char &byte : frame) byte = static_cast<unsigned char>(rng());
      std::fwrite(frame.data(), 1, frame.size(), file);
    }
    if (file) std::fclose(file);
  }
  ~StreamFile() { std::remove(path.c_str()); }
  const std::string &Path() const { return path; }

private:
  std::string path;
};

const StreamFile &Stream() {
  static const StreamFile file;
  return file;
}

const EffectModule *Module() {
  static const std::unique_ptr<EffectModule> module = [] {
    Result<std::unique_ptr<EffectModule>> loaded = EffectModule::Load(EffectModule::DefaultPath());
    if (!loaded.ok()) {
      std::fprintf(stderr, "bench_host: %s\n", loaded.message().c_str());
      return std::unique_ptr<EffectModule>();
    }
    return std::move(loaded.value());
  }();
  return module.get();
}

// A pipe whose reader thread takes everything written into it, as `| cat > /dev/null` would.
class DrainedPipe {
public:
  DrainedPipe() {
    if (pipe2(ends, O_CLOEXEC) != 0) ends[0] = ends[1] = -1;
    // The largest pipe an unprivileged process may ask for, for both contenders alike.
    fcntl(ends[1], F_SETPIPE_SZ, 1 << 20);
    reader = std::thread([this] {
      std::vector<char> buffer(1 << 17);
      while (read(ends[0], buffer.data(), buffer.size()) > 0) {
      }
    });
  }
  ~DrainedPipe() {
    CloseWriteEnd();
    reader.join();
    close(ends[0]);
  }
  int WriteEnd() const { return ends[1]; }
  void CloseWriteEnd() {
    if (ends[1] >= 0) close(ends[1]);
    ends[1] = -1;
  }

private:
  int ends[2];
  std::thread reader;
};

// One pass of cat: the file read in cat's 128 KiB pieces and written on. Seconds, or < 0.
double CatPass() {
  DrainedPipe pipe;
  int input = open(Stream().Path().c_str(), O_RDONLY | O_CLOEXEC);
  std::vector<char> buffer(1 << 17);
  const auto t0 = Clock::now();
  bool ok = input >= 0;
  for (ssize_t n; ok && (n = read(input, buffer.data(), buffer.size())) > 0;)
    ok = write(pipe.WriteEnd(), buffer.data(), size_t(n)) == n;
  pipe.CloseWriteEnd();
  const double seconds = Seconds(t0, Clock::now());
  if (input >= 0) close(input);
  return ok ? seconds : -1.0;
}

RenderOptions JobOptions(LONG effectId, int output) {
  RenderOptions options;
  options.mode = RunMode::RawStream;
  options.rawSize = kSize;
  options.effectId = effectId;
  options.keys = {{0.0, kPercent}};
  options.input = Stream().Path();
  options.output = "/dev/fd/" + std::to_string(output);
  options.quiet = true;
  return options;
}

// One pass of the stream job, from the file into a drained pipe. Seconds, or < 0.
double JobPass(LONG effectId, FILE *quiet) {
  DrainedPipe pipe;
  RenderOptions options = JobOptions(effectId, pipe.WriteEnd());
  const auto t0 = Clock::now();
  Result<RenderPlan> plan = PrepareRun(options, *Module(), quiet, quiet);
  Status done = plan.ok() ? RunRawStreamJob(options, plan.value(), quiet) : plan.status();
  pipe.CloseWriteEnd();
  const double seconds = Seconds(t0, Clock::now());
  if (!done.ok()) {
    std::fprintf(stderr, "bench_host: %s\n", done.message().c_str());
    return -1.0;
  }
  return seconds;
}

FILE *DevNull() {
  static FILE *file = std::fopen("/dev/null", "w");
  return file;
}

void BM_StreamJob(benchmark::State &state) {
  const EffectInfo &effect = kEffects[state.range(0)];
  state.SetLabel(effect.name);
  double jobSeconds = 0, catSeconds = 0;
  int pass = 0;
  for (auto _ : state) {
    double job, cat;
    if (pass++ % 2 == 0) {
      job = JobPass(effect.id, DevNull());
      cat = CatPass();
    } else {
      cat = CatPass();
      job = JobPass(effect.id, DevNull());
    }
    if (job < 0 || cat < 0) {
      state.SkipWithError("a pass failed");
      return;
    }
    jobSeconds += job;
    catSeconds += cat;
    state.SetIterationTime(job / kFrames);
  }
  const double frames = double(state.iterations()) * kFrames;
  state.counters["job_ms"] = jobSeconds / frames * 1e3;
  state.counters["cat_ms"] = catSeconds / frames * 1e3;
  state.counters["x_cat"] = jobSeconds / catSeconds;
}

// The module's software path alone, on the stream's frames in memory.
void BM_EffectAlone(benchmark::State &state) {
  const EffectInfo &effect = kEffects[state.range(0)];
  state.SetLabel(effect.name);
  Result<ProjectParameters> project = ProjectParameters::Create(*Module());
  const KeyFrameArgument key{0.0, kPercent};
  if (!project.ok() || !project.value().SetEffectId(effect.id).ok() ||
      !project.value().ReplaceKeyFrames({&key, 1}).ok()) {
    state.SkipWithError("the effect cannot be made");
    return;
  }
  Result<std::unique_ptr<FrameRenderer>> renderer =
      MakeFrameRenderer(RenderPath::Software, project.value().Interface(), kSize);
  std::vector<Frame> sources;
  FILE *file = std::fopen(Stream().Path().c_str(), "rb");
  for (int i = 0; file && i < kFrames; ++i) {
    Result<Frame> frame = Frame::Allocate(kSize);
    if (!frame.ok() || std::fread(frame.value().Data(), 1, FrameBytes(), file) != FrameBytes())
      break;
    sources.push_back(std::move(frame.value()));
  }
  if (file) std::fclose(file);
  Result<Frame> destination = Frame::Allocate(kSize);
  if (!renderer.ok() || sources.size() != size_t(kFrames) || !destination.ok()) {
    state.SkipWithError("the frames cannot be set up");
    return;
  }
  size_t i = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    Status rendered =
        renderer.value()->Render(sources[i++ % sources.size()], destination.value(), 0.0);
    benchmark::ClobberMemory();
    state.SetIterationTime(Seconds(t0, Clock::now()));
    if (!rendered.ok()) {
      state.SkipWithError("a frame failed");
      return;
    }
  }
}

} // namespace

int main(int argc, char **argv) {
  for (int i = 0; i < int(std::size(kEffects)); ++i) {
    const std::string id = std::to_string(kEffects[i].id);
    benchmark::RegisterBenchmark(("stream_job/" + id).c_str(), BM_StreamJob)
        ->Arg(i)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->MinTime(1.0);
    benchmark::RegisterBenchmark(("effect/" + id).c_str(), BM_EffectAlone)
        ->Arg(i)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->MinTime(0.5);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (!Module()) return 1;
  Stream();
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  std::printf("\n%dx%d raw frames, %d a pass, effect value %.0f; per frame:\n", kSize.width,
              kSize.height, kFrames, kPercent);
  std::printf("%-18s %10s %10s %10s %8s\n", "", "job ms", "cat ms", "effect ms", "job/cat");
  for (const EffectInfo &effect : kEffects) {
    const std::string id = std::to_string(effect.id);
    const double ratio = reporter.Find("stream_job/" + id + "/", "x_cat");
    if (ratio < 0) continue;
    const char *verdict = effect.id != MirrorFromLeftEffectId ? ""
                          : ratio <= kTarget                  ? "  (target 3x: met)"
                                                              : "  (target 3x: MISSED)";
    std::printf("%-18s %10.3f %10.3f %10.3f %7.2fx%s\n", effect.name,
                reporter.Find("stream_job/" + id + "/", "job_ms"),
                reporter.Find("stream_job/" + id + "/", "cat_ms"),
                reporter.Find("effect/" + id + "/", "ms"), ratio, verdict);
  }
  return 0;
}
