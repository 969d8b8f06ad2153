// The studio's test mode: steps read from a file, run one at a time whenever the studio is
// idle (nothing to render, nothing queued). Input steps push SDL events, so they take the
// same way through the studio as a user's mouse and keyboard:
//   move X Y | click X Y | drag X1 Y1 X2 Y2 | key [ctrl+|shift+|alt+]NAME | type TEXT
// and the others look at the result or end the run:
//   print (the effect's parameters and the message line, on standard output)
//   screenshot FILE.png | quit
// Blank lines and lines starting with # are skipped.
#pragma once

#include "host/Status.h"
#include "host/zrq-studio/Studio.h"

#include <cstdio>
#include <string>
#include <vector>

class StudioScript {
public:
  [[nodiscard]] static Result<StudioScript> Load(const std::string &path);

  bool Finished() const { return next >= steps.size(); }
  // Runs the next step; a step that cannot be run is an error naming its line.
  Status RunNext(Studio &studio, FILE *out);

private:
  struct Step {
    int line;
    std::vector<std::string> words;
    std::string rest; // everything after the first word, for type
  };
  explicit StudioScript(std::vector<Step> steps) : steps(std::move(steps)) {}

  std::vector<Step> steps;
  size_t next = 0;
};

// The parameters as the print step writes them, one line:
// effect=2001 value=50 time=0.25 cursor=0.25 keys=0.1:40,0.5:80
std::string DescribeParameters(const Studio &studio);
