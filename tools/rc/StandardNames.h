// The names a resource script may use without defining them: window, dialog and control
// styles and IDC_STATIC, with the values the platform headers give them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zrq::rc {

std::optional<uint32_t> StandardName(const std::string &name);

} // namespace zrq::rc
