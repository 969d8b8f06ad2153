// What a case table is expected to print: the reference's lines (a golden file written by
// generate-golden.sh) with the accepted differences in their place. Each accepted difference
// stands under the reason for it.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace olecheck {

class GoldenExpectation {
public:
  // Reads the two files. Golden: one case per line, '#' lines ignored. Accepted: "## " lines
  // give a reason, the case lines under it are answered that way for that reason, other '#'
  // lines are ignored. Nothing and a reason in *error when a file cannot be read, an accepted
  // case has no reason or no case in the golden file, or answers as the golden file does.
  [[nodiscard]] static std::optional<GoldenExpectation>
  Load(const std::string &goldenPath, const std::string &acceptedPath, std::string *error);
  // The same from the files' text.
  [[nodiscard]] static std::optional<GoldenExpectation>
  Parse(const std::string &golden, const std::string &accepted, std::string *error);

  // One message per line of actual that is not as expected, or per case missing or added.
  std::vector<std::string> Compare(const std::vector<std::string> &actual) const;

  size_t AcceptedCount() const { return accepted.size(); }

private:
  // The case as its line names it: everything before " : ".
  static std::string KeyOf(const std::string &line);

  std::vector<std::string> golden;
  std::map<std::string, std::string> accepted; // key -> the whole line as we answer it
};

} // namespace olecheck
