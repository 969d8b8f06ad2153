#include "GoldenExpectation.h"

#include <fstream>
#include <set>
#include <sstream>

namespace olecheck {

namespace {

bool ReadFile(const std::string &path, std::string *text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream content;
  content << in.rdbuf();
  *text = content.str();
  return true;
}

std::vector<std::string> SplitLines(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

} // namespace

std::string GoldenExpectation::KeyOf(const std::string &line) {
  return line.substr(0, line.find(" : "));
}

std::optional<GoldenExpectation> GoldenExpectation::Load(const std::string &goldenPath,
                                                         const std::string &acceptedPath,
                                                         std::string *error) {
  std::string golden, accepted;
  if (!ReadFile(goldenPath, &golden)) {
    *error = "cannot read " + goldenPath;
    return std::nullopt;
  }
  if (!ReadFile(acceptedPath, &accepted)) {
    *error = "cannot read " + acceptedPath;
    return std::nullopt;
  }
  return Parse(golden, accepted, error);
}

std::optional<GoldenExpectation> GoldenExpectation::Parse(const std::string &goldenText,
                                                          const std::string &acceptedText,
                                                          std::string *error) {
  GoldenExpectation expectation;
  std::map<std::string, std::string> reference;
  for (const std::string &line : SplitLines(goldenText)) {
    if (line.empty() || line[0] == '#') continue;
    expectation.golden.push_back(line);
    reference.emplace(KeyOf(line), line);
  }
  bool underReason = false;
  size_t number = 0;
  for (const std::string &line : SplitLines(acceptedText)) {
    ++number;
    const std::string where = "accepted line " + std::to_string(number) + ": ";
    if (line.rfind("## ", 0) == 0) {
      underReason = true;
      continue;
    }
    if (line.empty() || line[0] == '#') continue;
    const std::string key = KeyOf(line);
    const auto found = reference.find(key);
    if (!underReason) {
      *error = where + "a case without a reason: " + line;
    } else if (found == reference.end()) {
      *error = where + "no such case in the golden file: " + key;
    } else if (found->second == line) {
      *error = where + "answers as the golden file does; remove it: " + line;
    } else if (!expectation.accepted.emplace(key, line).second) {
      *error = where + "the case is accepted twice: " + key;
    } else {
      continue;
    }
    return std::nullopt;
  }
  return expectation;
}

std::vector<std::string> GoldenExpectation::Compare(const std::vector<std::string> &actual) const {
  std::vector<std::string> messages;
  std::map<std::string, const std::string *> expected;
  for (const std::string &line : golden) {
    const auto accept = accepted.find(KeyOf(line));
    expected.emplace(KeyOf(line), accept != accepted.end() ? &accept->second : &line);
  }
  std::set<std::string> seen;
  for (const std::string &line : actual) {
    const std::string key = KeyOf(line);
    seen.insert(key);
    const auto found = expected.find(key);
    if (found == expected.end()) {
      messages.push_back("a case the golden file does not have (run generate-golden.sh): " + line);
    } else if (*found->second != line) {
      messages.push_back("expected " + *found->second + "\n     got " + line);
    }
  }
  for (const auto &[key, line] : expected) {
    if (!seen.count(key))
      messages.push_back("a case of the golden file the table no longer has: " + key);
  }
  return messages;
}

} // namespace olecheck
