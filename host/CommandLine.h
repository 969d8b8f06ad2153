// The command line of zrq-render: what to render, from where, to where.
#pragma once

#include "host/EffectNames.h"
#include "host/Frame.h"
#include "host/Status.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class RunMode {
  Picture,   // one picture (a PNG or the test card) to one PNG or a numbered PNG sequence
  RawStream, // raw BGRA frames in, raw BGRA frames out, until the input ends
  Demo,      // every effect at a few values, plus a contact sheet
  Help,
  Version,
};

struct RenderOptions {
  RunMode mode = RunMode::Picture;
  LONG effectId = kDefaultEffectId;
  double value = 50.0; // percent
  // A ramp over a fixed number of frames; without it every frame gets `value`.
  std::optional<int64_t> frames;
  double from = 50.0;
  double to = 50.0;
  std::string input;  // empty: the test card (picture, demo) or standard input (raw)
  std::string output; // empty: standard output (raw)
  FrameSize cardSize{1280, 720};
  FrameSize rawSize;
  bool quiet = false;
  std::string demoFolder;
};

// Reads the arguments after the program name. A failure is a usage error whose message is
// one line naming the flag at fault.
Result<RenderOptions> ParseCommandLine(const std::vector<std::string_view> &arguments);

// The --help text.
std::string UsageText();
