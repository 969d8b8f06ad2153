// The module's string table, as the resources linked into this program register it.
#include <gtest/gtest.h>
#include <winuser.h>
#include <zrqresource.h>

#include <string>

#include "effect/EffectCatalog.h"

namespace {

std::u16string String(UINT id) {
  WCHAR buffer[128];
  const int n = LoadStringW(ZrqThisModule(), id, buffer, 128);
  return std::u16string(buffer, static_cast<size_t>(n));
}

TEST(StringTable, HoldsTheModulesTexts) {
  EXPECT_EQ(String(100), u"ZRQDistortion2D");
  EXPECT_EQ(String(104), u"Distortion2D");
  EXPECT_EQ(String(105), u"Help File Name");
  EXPECT_EQ(String(106), u"Your Help String");
  EXPECT_EQ(String(2000), u" ");
  EXPECT_EQ(String(2030), u"Effect end");
}

TEST(StringTable, NamesEveryEffectByItsIdentifier) {
  const char16_t *names[] = {u"Wave",
                             u"Replicate",
                             u"Mirror from Top",
                             u"Mirror from Bottom",
                             u"Mirror from Left",
                             u"Mirror from Right",
                             u"Color Shift Horizontal",
                             u"Color Shift Vertical",
                             u"Color Shift Diagonal",
                             u"Panel Rotate"};
  for (const EffectCatalogEntry &entry : EffectCatalog())
    EXPECT_EQ(String(static_cast<UINT>(entry.effectId)), names[entry.effectId - FirstEffectId]);
}

TEST(StringTable, EndsTheEffectListAfterTheLastEffect) {
  // The page lists names from 2001 up to the first id without a string.
  for (UINT id = 2011; id <= 2029; ++id) EXPECT_EQ(String(id), u"") << id;
  UINT id = FirstEffectId;
  while (!String(id).empty()) ++id;
  EXPECT_EQ(id, static_cast<UINT>(LastEffectId + 1));
}

} // namespace
