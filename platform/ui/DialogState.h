// What a dialog keeps beside its DWLP_* values: the base units of its font, for MapDialogRect,
// and the result EndDialog gave it.
#pragma once

#include "platform/ui/DialogUnits.h"
#include "platform/ui/Window.h"

namespace zrq::ui {

struct DialogState : WindowState {
  BaseUnits units;
  bool ended = false;
  INT_PTR result = 0;
};

} // namespace zrq::ui
