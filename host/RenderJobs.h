// The runs zrq-render can make. Each returns the reason for a failure; none prints except
// the progress line and, for the demo, the closing note on `report`.
#pragma once

#include "host/CommandLine.h"
#include "host/EffectValueSchedule.h"
#include "host/Frame.h"
#include "host/PngFile.h"
#include "host/Status.h"

#include <cstdio>

// One picture (a PNG or the test card) rendered once, or N times along a ramp.
Status RunPictureJob(const RenderOptions &options);

// Raw BGRA frames from a file or standard input to a file or standard output.
Status RunRawStreamJob(const RenderOptions &options);

// Every effect at 25, 50 and 100 into a folder, with a contact sheet.
Status RunDemoJob(const RenderOptions &options, FILE *report);

// Shared by the jobs.
EffectValueSchedule ScheduleOf(const RenderOptions &options);

struct SourcePicture {
  Frame frame;
  PngChannels channels; // how results of this source are written
};
// The --input PNG, or the test card at --size.
Result<SourcePicture> LoadSourcePicture(const RenderOptions &options);
