// A loadable module with resources of its own, to show that strings are found by the image
// that holds them.
#include <zrqresource.h>

extern "C" __attribute__((visibility("default"))) HMODULE OtherModuleHandle() {
  return ZrqThisModule();
}
