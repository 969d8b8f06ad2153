// An output file name that may carry a frame number: "out_%04d.png". At most one conversion,
// written %d, %Nd or %0Nd; "%%" stands for a literal percent sign. The name is expanded here
// and never handed to printf, so no other conversion can slip through.
#pragma once

#include "host/Status.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class OutputPattern {
public:
  static Result<OutputPattern> Parse(std::string_view text);

  bool HasNumber() const { return hasNumber; }

  // The file name of frame `index` (the name as written when it has no number).
  std::string Name(int64_t index) const;
  // The frame whose file name is `name` as written here, if any.
  std::optional<int64_t> IndexOf(std::string_view name) const;

private:
  OutputPattern() = default;

  std::string prefix; // literal text, "%%" already folded
  std::string suffix;
  bool hasNumber = false;
  bool zeroPadded = false;
  int width = 0;
};
