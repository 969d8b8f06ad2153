// The runs zrq-render can make. Each returns the reason for a failure; none prints except
// the progress line, the --curve table and the closing notes on `report`.
#pragma once

#include "host/CommandLine.h"
#include "host/EffectValueSchedule.h"
#include "host/Frame.h"
#include "host/PngFile.h"
#include "host/ProjectParameters.h"
#include "host/Status.h"

#include <cstdio>

// What a run renders with: its parameter set, the effect it names and each frame's value.
struct RenderPlan {
  ProjectParameters project;
  LONG effectId;
  EffectValueSchedule schedule;
};

// Builds the run's parameter set (ProjectFromOptions), checks that every frame can be
// evaluated, prints the --curve table on `report` and writes --save-params; a warning of
// the load goes to `warnings`. Nothing is rendered or written when it fails.
Result<RenderPlan> PrepareRun(const RenderOptions &options, FILE *report, FILE *warnings);

// One picture (a PNG or the test card) rendered once, or N times along the key frames.
Status RunPictureJob(const RenderOptions &options, const RenderPlan &plan);

// Raw BGRA frames from a file or standard input to a file or standard output.
Status RunRawStreamJob(const RenderOptions &options, const RenderPlan &plan);

// Every effect at 25, 50 and 100 into a folder, with a contact sheet.
Status RunDemoJob(const RenderOptions &options, FILE *report);

struct SourcePicture {
  Frame frame;
  PngChannels channels; // how results of this source are written
};
// The --input PNG, or the test card at --size.
Result<SourcePicture> LoadSourcePicture(const RenderOptions &options);
