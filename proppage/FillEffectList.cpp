#include "proppage/FillEffectList.h"

#include "effect/EffectIds.h"

namespace {

// The string table leaves 2011 to 2029 free for more effects; 2030 is not a name.
constexpr UINT kLastNameId = 2029;
constexpr int kNameCharacters = 256;

} // namespace

void FillEffectList(HINSTANCE module, HWND list) {
  for (UINT id = WaveEffectId; id <= kLastNameId; ++id) {
    WCHAR name[kNameCharacters];
    if (LoadStringW(module, id, name, kNameCharacters) == 0) return;
    const LRESULT added = SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    if (added == CB_ERR || added == CB_ERRSPACE) return;
  }
}
