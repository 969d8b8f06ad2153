// Reads any bytes as zrq-render's arguments (split at NUL bytes): the line is taken or refused
// with one line of reason, and asking for help is never refused, wherever it stands.
#include "fuzz/FuzzCheck.h"

#include "host/CommandLine.h"

#include <algorithm>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string_view text(reinterpret_cast<const char *>(data), size);
  std::vector<std::string_view> arguments;
  for (size_t start = 0; start <= text.size();) {
    const size_t end = std::min(text.find('\0', start), text.size());
    arguments.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  const Result<RenderOptions> parsed = ParseCommandLine(arguments);
  if (!parsed.ok()) {
    FuzzCheck(!parsed.message().empty(), "command_line", "a refusal without a reason");
    FuzzCheck(parsed.message().find('\n') == std::string::npos, "command_line",
              "a reason of more than one line");
  }
  const bool help = std::any_of(arguments.begin(), arguments.end(),
                                [](std::string_view a) { return a == "--help" || a == "-h"; });
  if (help)
    FuzzCheck(parsed.ok() && parsed.value().mode == RunMode::Help, "command_line",
              "--help was refused or not obeyed");
  return 0;
}
