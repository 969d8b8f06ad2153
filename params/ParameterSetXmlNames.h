// The element names of a saved parameter set.
#pragma once

#include <oleauto.h>

namespace ParameterSetXmlNames {
inline constexpr LPCOLESTR ParameterSet = u"ParameterSet";
inline constexpr LPCOLESTR Parameter = u"Parameter";
inline constexpr LPCOLESTR Value = u"Value";
inline constexpr LPCOLESTR ValueMin = u"ValueMin";
inline constexpr LPCOLESTR ValueMax = u"ValueMax";
inline constexpr LPCOLESTR ValueDef = u"ValueDef";
inline constexpr LPCOLESTR ParamID = u"ParamID";
inline constexpr LPCOLESTR Usage = u"Usage";
inline constexpr LPCOLESTR Name = u"Name";
inline constexpr LPCOLESTR Desc = u"Desc";
inline constexpr LPCOLESTR KeyFrame = u"KeyFrame";
inline constexpr LPCOLESTR Time = u"Time";
// The group elements, in the order of the groups: StartOffset, EndOffset, Percentage.
inline constexpr LPCOLESTR Groups[3] = {u"StartOffsetElements", u"EndOffsetElements",
                                        u"PercentageElements"};
} // namespace ParameterSetXmlNames
