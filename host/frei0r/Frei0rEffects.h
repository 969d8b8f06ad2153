// The frei0r plugins, one for each effect and one that takes the effect as a parameter: the
// names an editor loads them by and the explanation it shows in its effect list. The effects'
// display names come from the module itself.
#pragma once

#include "effect/EffectIds.h"

#include <array>
#include <string_view>

struct Frei0rEffect {
  EffectId id;
  std::string_view pluginName; // the plugin's file name without ".so"
  std::string_view explanation;
};

inline constexpr std::array<Frei0rEffect, 10> kFrei0rEffects = {{
    {WaveEffectId, "zrq_wave", "Bends the picture into waves that grow with the value"},
    {ReplicateEffectId, "zrq_replicate",
     "Repeats the picture in smaller copies, more as the value rises"},
    {MirrorFromTopEffectId, "zrq_mirror_top",
     "Folds a mirrored copy of the picture in from the top"},
    {MirrorFromBottomEffectId, "zrq_mirror_bottom",
     "Folds a mirrored copy of the picture in from the bottom"},
    {MirrorFromLeftEffectId, "zrq_mirror_left",
     "Folds a mirrored copy of the picture in from the left"},
    {MirrorFromRightEffectId, "zrq_mirror_right",
     "Folds a mirrored copy of the picture in from the right"},
    {ColorShiftHorizontalEffectId, "zrq_color_shift_horizontal",
     "Pulls the colours of the picture apart sideways"},
    {ColorShiftVerticalEffectId, "zrq_color_shift_vertical",
     "Pulls the colours of the picture apart up and down"},
    {ColorShiftDiagonalEffectId, "zrq_color_shift_diagonal",
     "Pulls the colours of the picture apart on the diagonal"},
    {PanelRotateEffectId, "zrq_panel_rotate", "Turns the picture over like a panel"},
}};

// The plugin that takes the effect as its second parameter.
inline constexpr std::string_view kFrei0rGenericName = "zrq_distortion2d";

// The place in kFrei0rEffects of an effect's plugin; -1 for an identifier that names none.
constexpr int Frei0rEffectIndex(LONG id) {
  for (size_t i = 0; i < kFrei0rEffects.size(); ++i)
    if (kFrei0rEffects[i].id == id) return int(i);
  return -1;
}
