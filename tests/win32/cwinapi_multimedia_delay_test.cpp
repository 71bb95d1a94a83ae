// Delay with the real clock and message queue: a timer keeps ticking while it waits.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/win32/windows_include.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

int g_ticks = 0;

LRESULT CALLBACK CountTicks(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  g_ticks += msg == WM_TIMER;
  return msg == WM_TIMER ? 0 : DefWindowProcA(hwnd, msg, wp, lp);
}

TEST(DelayWithATimer, EndsAsTheTargetSecondBeginsWhileTheTimerTicks) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = CountTicks;
  wc.lpszClassName = "QcDelayTickCounter";
  RegisterClassA(&wc);
  HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 9, 9, 0, 0, 0, 0);
  ASSERT_NE(SetTimer(hwnd, 1, 50, nullptr), 0u);
  IRuntime& rt = DefaultPlatform().Runtime();
  CWinAPI api;
  for (const auto& [seconds, whole] : {std::pair{2.0, 2}, {0.4, 0}}) {  // whole seconds to wait
    g_ticks = 0;
    const int64_t target = (rt.NowMilliseconds() / 1000 + whole) * 1000;
    Double howLong = seconds;
    api.Delay(howLong);
    const int64_t end = rt.NowMilliseconds();
    EXPECT_TRUE(end >= target && end < target + 500) << seconds << ": " << end - target;
    EXPECT_GE(g_ticks, whole ? 5 : 0) << seconds;
  }
  DestroyWindow(hwnd);  // and its timer
}

}  // namespace
}  // namespace qc
