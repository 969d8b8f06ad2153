#include <gtest/gtest.h>

#include <memory>

#include "render/PanelList.h"
#include "render/PanelNotFound.h"

namespace {

// Counts destructions, so the tests see that the list destroys what it owns through the
// node's virtual destructor.
struct CountedPanel : Panel {
  explicit CountedPanel(int *destroyed) : destroyed(destroyed) {}
  ~CountedPanel() override { ++*destroyed; }
  int *destroyed;
};

std::unique_ptr<Panel> Counted(int *destroyed) { return std::make_unique<CountedPanel>(destroyed); }

} // namespace

TEST(PanelList, KeysRunFromZeroAndStartAgainAfterClear) {
  int destroyed = 0;
  PanelList list;
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(list.Add(Counted(&destroyed)));
  EXPECT_EQ(list.count, 3u);
  int key = 0;
  const Panel *previous = nullptr;
  for (Panel *p = list.First(); p; p = PanelList::Next(*p), ++key) {
    EXPECT_EQ(p->index, key);
    EXPECT_EQ(p->owner, &list);
    EXPECT_EQ(p->previous, previous);
    previous = p;
  }
  EXPECT_EQ(key, 3);

  list.Find(2);
  list.Clear();
  EXPECT_EQ(destroyed, 3);
  EXPECT_EQ(list.count, 0u);
  EXPECT_EQ(list.head, nullptr);
  EXPECT_EQ(list.cursor, nullptr);

  ASSERT_TRUE(list.Add(Counted(&destroyed)));
  EXPECT_EQ(list.First()->index, 0);
  EXPECT_EQ(list.First()->previous, nullptr);
}

TEST(PanelList, AddingNothingChangesNothing) {
  PanelList list;
  EXPECT_FALSE(list.Add(nullptr));
  EXPECT_EQ(list.count, 0u);
  EXPECT_EQ(list.head, nullptr);
}

TEST(PanelList, DestroyingTheListDestroysItsPanels) {
  int destroyed = 0;
  {
    PanelList list;
    list.Add(Counted(&destroyed));
    list.Add(Counted(&destroyed));
  }
  EXPECT_EQ(destroyed, 2);
}

TEST(PanelList, FindWalksBothWaysFromTheLastHit) {
  PanelList list;
  for (int i = 0; i < 5; ++i) list.Add(Panel::Create());
  Panel *third = list.Find(3);
  ASSERT_NE(third, nullptr);
  EXPECT_EQ(third->index, 3);
  EXPECT_EQ(list.cursor, third);
  // Behind the cursor: found by the backward walker.
  Panel *first = list.Find(0);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->index, 0);
  EXPECT_EQ(list.cursor, first);
  EXPECT_EQ(list.Find(4)->index, 4);
  EXPECT_EQ(list.Find(4)->index, 4);
}

TEST(PanelList, AMissLeavesNoCursorAndTheNextLookupStartsAtTheHead) {
  PanelList list;
  EXPECT_EQ(list.Find(0), nullptr); // empty list
  for (int i = 0; i < 3; ++i) list.Add(Panel::Create());
  list.Find(2);
  EXPECT_EQ(list.Find(7), nullptr);
  EXPECT_EQ(list.Find(-1), nullptr);
  EXPECT_EQ(list.cursor, nullptr);
  ASSERT_NE(list.Find(1), nullptr);
  EXPECT_EQ(list.cursor->index, 1);
}

TEST(PanelList, AtAnAbsentKeyThrowsAndTheGuardTurnsItIntoAStatus) {
  PanelList list;
  list.Add(Panel::Create());
  EXPECT_EQ(&list.At(0), list.head);
  try {
    list.At(5);
    FAIL() << "At(5) returned";
  } catch (const PanelNotFound &e) {
    EXPECT_EQ(e.Key(), 5);
  }
  EXPECT_EQ(StatusOfPanelWork([&] {
              list.At(1).visible = 0;
              return S_OK;
            }),
            E_FAIL);
  EXPECT_EQ(StatusOfPanelWork([&] {
              list.At(0).visible = 0;
              return S_FALSE;
            }),
            S_FALSE);
  EXPECT_EQ(list.head->visible, 0);
}
