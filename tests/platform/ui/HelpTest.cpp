#include <winerror.h>

#include <thread>

#include "tests/platform/ui/UiTestSupport.h"

namespace {

TEST(WinHelp, RecordsTheRequestAndHandsItToTheHandler) {
  ZrqUiClearHelpRequest();
  ZRQHELPREQUEST seen{};
  EXPECT_FALSE(ZrqUiGetLastHelpRequest(&seen));
  ASSERT_TRUE(WinHelpW(nullptr, u"C:\\help\\Help File Name", HELP_CONTEXTPOPUP, 0));
  ASSERT_TRUE(ZrqUiGetLastHelpRequest(&seen));
  EXPECT_EQ(std::u16string(seen.file), u"C:\\help\\Help File Name");
  EXPECT_EQ(seen.command, static_cast<UINT>(HELP_CONTEXTPOPUP));
  EXPECT_EQ(seen.data, 0u);

  int calls = 0;
  ZrqUiSetHelpHandler(
      [](const ZRQHELPREQUEST *r, void *c) -> BOOL {
        ++*static_cast<int *>(c);
        return r->data == 7;
      },
      &calls);
  EXPECT_TRUE(WinHelpW(nullptr, u"a", HELP_CONTEXT, 7));
  EXPECT_FALSE(WinHelpW(nullptr, u"a", HELP_CONTEXT, 8)) << "the handler's answer is WinHelpW's";
  EXPECT_EQ(calls, 2);
  ZrqUiSetHelpHandler(nullptr, nullptr);
}

TEST(WinHelp, AFileNameBeyondThePathLimitIsRefused) {
  ZrqUiClearHelpRequest();
  const std::u16string longName(400, u'x');
  EXPECT_FALSE(WinHelpW(nullptr, longName.c_str(), HELP_CONTEXT, 0));
  ZRQHELPREQUEST seen{};
  EXPECT_FALSE(ZrqUiGetLastHelpRequest(&seen));
}

} // namespace
