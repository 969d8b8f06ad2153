#include "platform/ui/DialogUnits.h"

#include <algorithm>

#include "platform/ui/WindowClasses.h"

namespace zrq::ui {
namespace {

int MulDiv(int value, int numerator, int denominator) {
  const long long product = static_cast<long long>(value) * numerator;
  const long long half = denominator / 2;
  return static_cast<int>(product >= 0 ? (product + half) / denominator
                                       : (product - half) / denominator);
}

} // namespace

BaseUnits FontBaseUnits(const std::u16string &typeface, WORD pointSize) {
  // The 8-point sans-serif dialog faces all measure 6 x 13 at 96 dpi; Segoe UI 9 is 7 x 15.
  static const struct {
    const char16_t *face;
    WORD points;
    BaseUnits units;
  } table[] = {
      {u"MS Sans Serif", 8, {6, 13}},  {u"MS Shell Dlg", 8, {6, 13}},
      {u"MS Shell Dlg 2", 8, {6, 13}}, {u"Microsoft Sans Serif", 8, {6, 13}},
      {u"Tahoma", 8, {6, 13}},         {u"Segoe UI", 9, {7, 15}},
  };
  for (const auto &entry : table)
    if (entry.points == pointSize && EqualIgnoringCase(entry.face, typeface)) return entry.units;
  // Other faces and sizes scale the 8-point figures, so a template still lays out in proportion.
  if (pointSize == 0) return kSystemBaseUnits;
  return BaseUnits{std::max(1, MulDiv(6, pointSize, 8)), std::max(1, MulDiv(13, pointSize, 8))};
}

int DialogUnitsToPixelsX(int value, const BaseUnits &units) { return MulDiv(value, units.x, 4); }
int DialogUnitsToPixelsY(int value, const BaseUnits &units) { return MulDiv(value, units.y, 8); }

} // namespace zrq::ui
