// Threads each keep their own windows, queue and focus, while window classes and the help
// viewer are shared by the process (run under ThreadSanitizer too).
#include <atomic>
#include <thread>
#include <vector>

#include "tests/platform/ui/UiTestSupport.h"

namespace {

using namespace uitest;

TEST(UiThreads, EachThreadDrivesItsOwnDialog) {
  constexpr int kThreads = 4;
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &failures] {
      for (int round = 0; round < 20; ++round) {
        HWND frame = CreateFrame();
        HWND dialog =
            CreateDialogParamW(nullptr, MAKEINTRESOURCEW(kSampleDialog), frame, nullptr, 0);
        if (!frame || !dialog) {
          ++failures;
          return;
        }
        const HWND field = GetDlgItem(dialog, kField);
        SetFocus(field);
        const std::u16string digits(1, static_cast<char16_t>(u'0' + t));
        for (char16_t c : digits) ZrqUiChar(c);
        ZrqUiPumpMessages();
        if (TextOf(field) != digits || GetFocus() != field) ++failures;
        WinHelpW(dialog, u"shared.hlp", HELP_CONTEXT, static_cast<ULONG_PTR>(t));
        std::vector<BYTE> bits(64 * 64 * 4);
        const ZRQUISURFACE surface{bits.data(), 64, 64, 256};
        if (ZrqUiRenderWindow(dialog, &surface) != S_OK) ++failures;
        DestroyWindow(frame);
        if (IsWindow(dialog)) ++failures;
      }
    });
  }
  for (std::thread &thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
  ZRQHELPREQUEST last{};
  EXPECT_TRUE(ZrqUiGetLastHelpRequest(&last));
  EXPECT_EQ(std::u16string(last.file), u"shared.hlp");
}

} // namespace
