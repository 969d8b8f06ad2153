// The numbers through which a host names the effect's parameters and key-frame groups in
// IEffectParameters calls, as the module publishes them. The module's own parameter table is
// not part of a host (its headers bring the module's code with them); the host tests check
// that these agree with it.
#pragma once

#include <wtypes.h>

inline constexpr LONG kEffectIdParameter = 0;
inline constexpr LONG kEffectValueParameter = 21;

// The key frames a host and the property page set: times from the start of the clip.
inline constexpr LONG kStartOffsetKeyFrames = 1;
