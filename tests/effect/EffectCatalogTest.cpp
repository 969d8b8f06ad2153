#include <gtest/gtest.h>

#include "effect/EffectCatalog.h"

namespace {

TEST(EffectCatalog, CoversTheTenIdentifiersInOrder) {
  const auto catalog = EffectCatalog();
  ASSERT_EQ(catalog.size(), 10u);
  for (size_t i = 0; i < catalog.size(); ++i) {
    EXPECT_EQ(catalog[i].effectId, static_cast<LONG>(2001 + i));
    EXPECT_EQ(FindEffect(catalog[i].effectId), &catalog[i]);
  }
}

TEST(EffectCatalog, SelectsTheRendererAndItsArgument) {
  struct Expected {
    LONG id;
    RendererFamily renderer;
    bool takesId;
  };
  const Expected expected[] = {
      {2001, RendererFamily::Wave, false},        {2002, RendererFamily::Replicate, false},
      {2003, RendererFamily::Mirror, true},       {2006, RendererFamily::Mirror, true},
      {2007, RendererFamily::ColorShift, true},   {2009, RendererFamily::ColorShift, true},
      {2010, RendererFamily::PanelRotate, false},
  };
  for (const Expected &e : expected) {
    const EffectCatalogEntry *entry = FindEffect(e.id);
    ASSERT_NE(entry, nullptr) << e.id;
    EXPECT_EQ(entry->renderer, e.renderer) << e.id;
    EXPECT_EQ(entry->rendererTakesEffectId, e.takesId) << e.id;
  }
}

TEST(EffectCatalog, ChecksTheIdentifierRange) {
  for (LONG id : {0, 2000, 2011, 2030, -2001, 0x7FFFFFFF, static_cast<LONG>(0x80000000)}) {
    EXPECT_FALSE(IsValidEffectId(id)) << id;
    EXPECT_EQ(FindEffect(id), nullptr) << id;
  }
  EXPECT_TRUE(IsValidEffectId(2001));
  EXPECT_TRUE(IsValidEffectId(2010));
}

} // namespace
