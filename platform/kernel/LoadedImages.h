// The images the dynamic loader has mapped, seen as modules: found by base address or by file.
#pragma once

#include <string>

#include <wtypes.h>

namespace zrq::kernel {

// Whether `module` is the base address of a loaded image.
bool IsModuleBase(HMODULE module);

// The absolute path of the file the image at `module` was loaded from; empty when it is not
// known (no such image).
std::string ImagePath(HMODULE module);

// The loaded image whose file is `path` (the same file, however the path spells it), or null.
HMODULE FindImageByFile(const std::string &path);

// The loaded image whose file name (the last part of its path) is `name`, or null.
HMODULE FindImageByFileName(const std::string &name);

} // namespace zrq::kernel
