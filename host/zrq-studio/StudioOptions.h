// zrq-studio's command line.
#pragma once

#include <optional>
#include <string>

struct StudioOptions {
  std::string file;   // a PNG picture or a video clip; empty for the test card
  std::string params; // a project to open
  std::string module; // the module to load; empty for the registered one or the default
  std::string script; // the test mode's steps
};

// The options, or the exit status when the command line has been answered already: 0 after
// --help, 2 after a usage error (its one line on standard error).
std::optional<int> ParseStudioOptions(int argc, char **argv, StudioOptions *options);
