// The effect identifiers by name. Each is also the string id of the effect's display name;
// FirstEffectId and LastEffectId (EffectCatalog.h) bound the same range. An enumeration, so a
// switch over the effects is checked for a missing case.
#pragma once

#include <wtypes.h>

enum EffectId : LONG {
  WaveEffectId = 2001,
  ReplicateEffectId = 2002,
  MirrorFromTopEffectId = 2003,
  MirrorFromBottomEffectId = 2004,
  MirrorFromLeftEffectId = 2005,
  MirrorFromRightEffectId = 2006,
  ColorShiftHorizontalEffectId = 2007,
  ColorShiftVerticalEffectId = 2008,
  ColorShiftDiagonalEffectId = 2009,
  PanelRotateEffectId = 2010,
};
