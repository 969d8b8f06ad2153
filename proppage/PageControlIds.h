// The page's dialog template and its controls, as the module's resource script numbers them.
#pragma once

#include <wtypes.h>

inline constexpr WORD kPageDialogId = 103;

enum PageControlId : int {
  EffectListId = 3001,
  NextKeyFrameButtonId = 3005,
  PreviousKeyFrameButtonId = 3006,
  AddKeyFrameButtonId = 3007,
  RemoveKeyFrameButtonId = 3008,
  RemoveAllKeyFramesButtonId = 3009,
  TimeFieldId = 3010,
  TimeSliderId = 3004,
  EffectValueSliderId = 3014,
  EffectValueFieldId = 3017,
};

// The page's strings: its title, the help file's name and its document string.
inline constexpr UINT kPageTitleString = 104;
inline constexpr UINT kPageHelpFileString = 105;
inline constexpr UINT kPageDocString = 106;
