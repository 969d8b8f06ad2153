// Dialog base units: the average character width and the height, in pixels, of a dialog's
// font, from a fixed table of the fonts templates name (at 96 dots per inch).
#pragma once

#include <winuser.h>

#include <string>

namespace zrq::ui {

struct BaseUnits {
  int x = 8;
  int y = 16;
};

// The system font's units: what a template without a font uses.
constexpr BaseUnits kSystemBaseUnits{8, 16};

BaseUnits FontBaseUnits(const std::u16string &typeface, WORD pointSize);

// MulDiv(value, baseX, 4) and MulDiv(value, baseY, 8): rounded to the nearest pixel, halves
// away from zero.
int DialogUnitsToPixelsX(int value, const BaseUnits &units);
int DialogUnitsToPixelsY(int value, const BaseUnits &units);

} // namespace zrq::ui
