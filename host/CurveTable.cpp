#include "host/CurveTable.h"

#include "host/EffectValueSchedule.h"

#include <cstdio>

Result<std::string> CurveTable(IEffectParameters *parameters, const EffectNames &names,
                               LONG effectId, int samples) {
  std::string table = "# \"Effect Value\" of " + std::string(names.DisplayName(effectId)) +
                      " (" + std::to_string(effectId) +
                      "): 'straight' is what a frame at that time renders with\n"
                      "    time  straight    spline\n";
  for (int i = 0; i < samples; ++i) {
    double time = i == samples - 1 ? 1.0 : double(i) / double(samples - 1);
    Result<double> straight = EffectValueSchedule::Evaluate(parameters, time);
    if (!straight.ok())
      return Error{straight.message()};
    Result<double> spline = EffectValueSchedule::Evaluate(parameters, time, true);
    if (!spline.ok())
      return Error{spline.message()};
    char row[1024]; // room for any double in %f
    std::snprintf(row, sizeof row, "%8.4f %9.3f %9.3f\n", time, straight.value(),
                  spline.value());
    table += row;
  }
  return table;
}
