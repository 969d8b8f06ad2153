// The rules a Direct3D 9 runtime checks when it creates a shader (registers within the
// profile's counts, read ports, swizzles and masks each instruction allows, temporaries
// written before they are read, inputs and samplers declared, outputs written whole), as a
// checker for the tests: compiled code must keep them all.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace zrq::test {

// Every rule the tokens break, one line each; empty when they keep them all. `profile` is
// "vs_1_1", "vs_2_0" or "ps_2_0".
std::vector<std::string> BrokenRules(const std::vector<DWORD> &tokens, const std::string &profile);

} // namespace zrq::test
