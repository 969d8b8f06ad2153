// How each predefined control draws itself, called by ZrqUiRenderWindow with the canvas
// entered into the control's rectangle.
#pragma once

#include "platform/ui/Canvas.h"
#include "platform/ui/Window.h"

namespace zrq::ui {

void PaintStatic(const Window &w, Canvas &canvas);
void PaintButton(const Window &w, Canvas &canvas);
void PaintEdit(const Window &w, Canvas &canvas);
void PaintComboBox(const Window &w, Canvas &canvas);
void PaintTrackbar(const Window &w, Canvas &canvas);
// The open list of a combo box, drawn over everything else: canvas at the combo's corner.
void PaintComboList(const Window &w, Canvas &canvas);

bool HasFocus(const Window &w);

} // namespace zrq::ui
