// The effect identifiers by name. Each is also the string id of the effect's display name;
// FirstEffectId and LastEffectId (EffectCatalog.h) bound the same range.
#pragma once

#include <wtypes.h>

inline constexpr LONG WaveEffectId = 2001;
inline constexpr LONG ReplicateEffectId = 2002;
inline constexpr LONG MirrorFromTopEffectId = 2003;
inline constexpr LONG MirrorFromBottomEffectId = 2004;
inline constexpr LONG MirrorFromLeftEffectId = 2005;
inline constexpr LONG MirrorFromRightEffectId = 2006;
inline constexpr LONG ColorShiftHorizontalEffectId = 2007;
inline constexpr LONG ColorShiftVerticalEffectId = 2008;
inline constexpr LONG ColorShiftDiagonalEffectId = 2009;
inline constexpr LONG PanelRotateEffectId = 2010;
