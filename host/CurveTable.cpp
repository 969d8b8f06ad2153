#include "host/CurveTable.h"

#include "host/EffectValueSchedule.h"

#include <cmath>
#include <cstdio>

Result<std::string> CurveTable(IEffectParameters *parameters, const EffectNames &names,
                               LONG effectId, int samples) {
  std::string table = "# \"Effect Value\" of " + std::string(names.DisplayName(effectId)) + " (" +
                      std::to_string(effectId) +
                      "): 'straight' is what a frame at that time renders with\n"
                      "    time  straight    spline\n";
  bool overflowed = false;
  for (int i = 0; i < samples; ++i) {
    double time = i == samples - 1 ? 1.0 : double(i) / double(samples - 1);
    Result<double> straight = EffectValueSchedule::Evaluate(parameters, time);
    ZRQ_RETURN_IF_FAILED(straight);
    Result<double> spline =
        EffectValueSchedule::Evaluate(parameters, time, EffectValueSchedule::Law::Spline);
    ZRQ_RETURN_IF_FAILED(spline);
    char row[1024]; // room for any double in %f
    if (std::isfinite(spline.value())) {
      std::snprintf(row, sizeof row, "%8.4f %9.3f %9.3f\n", time, straight.value(), spline.value());
    } else {
      std::snprintf(row, sizeof row, "%8.4f %9.3f %9s\n", time, straight.value(), "-");
      overflowed = true;
    }
    table += row;
  }
  if (overflowed)
    table += "# '-': the spline overflows there (key frames very close together or far apart)\n";
  return table;
}
