// The console reporter of a benchmark program that closes with a summary table: it keeps each
// run's counters, and its adjusted real time as "ms", by benchmark name.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

class SummaryReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run> &runs) override {
    for (const Run &run : runs)
      if (!run.error_occurred && run.run_type == Run::RT_Iteration && run.iterations > 0) {
        std::map<std::string, double> &values = results[run.benchmark_name()];
        for (const auto &[name, counter] : run.counters) values[name] = counter.value;
        values["ms"] = run.GetAdjustedRealTime();
      }
    ConsoleReporter::ReportRuns(runs);
  }
  // The value of the first run whose name starts with `prefix`; negative when none ran.
  double Find(const std::string &prefix, const std::string &value) const {
    for (const auto &[name, values] : results)
      if (name.rfind(prefix, 0) == 0 && values.count(value)) return values.at(value);
    return -1;
  }

private:
  std::map<std::string, std::map<std::string, double>> results;
};

// A multiple with `digits` decimals, or a dash for a benchmark that did not run.
inline std::string Times(double ratio, int digits) {
  char text[32];
  if (ratio < 0) return "-";
  std::snprintf(text, sizeof text, "%.*fx", digits, ratio);
  return text;
}
