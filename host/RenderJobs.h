// The runs zrq-render can make. Each returns the reason for a failure; none prints except
// the progress line and, on `report`, the --curve table, the --compare table and the
// closing notes.
#pragma once

#include "host/CommandLine.h"
#include "host/EffectModule.h"
#include "host/EffectValueSchedule.h"
#include "host/Frame.h"
#include "host/PngFile.h"
#include "host/ProjectParameters.h"
#include "host/Status.h"

#include <cstdio>

// What a run renders with: its effect (through its parameter set), the effect it names, each
// frame's time and value, and the module that made it.
struct RenderPlan {
  ProjectParameters project;
  LONG effectId;
  EffectValueSchedule schedule;
  const EffectModule *module;
};

// Builds the run's parameter set (ProjectFromOptions), checks its key frames in one pass
// (CheckKeyFrames), prints the --curve table on `report` and writes --save-params; warnings,
// one line each, go to `warnings`. Nothing is rendered or written when it fails.
Result<RenderPlan> PrepareRun(const RenderOptions &options, const EffectModule &module,
                              FILE *report, FILE *warnings);

// One picture (a PNG or the test card) rendered once, or N times along the key frames, on
// --path; with --compare also on the other path, the difference printed on `report`.
Status RunPictureJob(const RenderOptions &options, const RenderPlan &plan, FILE *report);

// Raw BGRA frames from a file or standard input to a file or standard output, as the picture
// job renders them.
Status RunRawStreamJob(const RenderOptions &options, const RenderPlan &plan, FILE *report);

// A video file decoded, each frame rendered at its presentation time over the length of the
// part rendered (--start, --duration), and encoded into a new file with the source's audio and
// subtitles copied.
Status RunVideoJob(const RenderOptions &options, const RenderPlan &plan);

// Every effect at 25, 50 and 100 into a folder, with a contact sheet, and a second sheet with
// the device path beside the software path.
Status RunDemoJob(const RenderOptions &options, const EffectModule &module, FILE *report);

struct SourcePicture {
  Frame frame;
  PngChannels channels; // how results of this source are written
};
// The --input PNG, or the test card at --size.
Result<SourcePicture> LoadSourcePicture(const RenderOptions &options);
