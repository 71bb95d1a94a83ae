// Delay with the real message queue: the window keeps working while it waits.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/win32/windows_include.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

int g_ticks = 0;
int g_nestedDelays = 0;
bool g_nestOnFirstTick = false;
CWinAPI* g_api = nullptr;

LRESULT CALLBACK CountTicks(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_TIMER) {
    ++g_ticks;
    if (g_nestOnFirstTick && g_nestedDelays == 0) {
      // A handler that waits in its turn, inside the outer wait.
      ++g_nestedDelays;
      Double one = 1;
      g_api->Delay(one);
    }
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

class DelayWithATimer : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSA wc{};
    wc.lpfnWndProc = CountTicks;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "QcDelayTickCounter";
    RegisterClassA(&wc);  // a second registration fails harmlessly
    hwnd_ = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                            wc.hInstance, nullptr);
    ASSERT_NE(hwnd_, nullptr);
    g_ticks = 0;
    g_nestedDelays = 0;
    g_nestOnFirstTick = false;
    g_api = &api_;
    ASSERT_NE(SetTimer(hwnd_, 1, 50, nullptr), 0u);
  }
  void TearDown() override {
    KillTimer(hwnd_, 1);
    DestroyWindow(hwnd_);
    g_api = nullptr;
  }
  HWND hwnd_ = nullptr;
  CWinAPI api_;
};

TEST_F(DelayWithATimer, TheTimerTicksWhileDelayWaitsAndTheClockHasMoved) {
  IRuntime& rt = DefaultPlatform().Runtime();
  const int64_t start = rt.Now();
  Double two = 2;
  api_.Delay(two);
  // The wait ends once the whole-second clock reaches start + 2: between one and two seconds,
  // during which a 50 ms timer ticks many times.
  EXPECT_GE(rt.Now(), start + 2);
  EXPECT_GE(g_ticks, 5);
}

TEST_F(DelayWithATimer, AHandlerMayDelayInsideTheWait) {
  g_nestOnFirstTick = true;
  IRuntime& rt = DefaultPlatform().Runtime();
  const int64_t start = rt.Now();
  Double two = 2;
  api_.Delay(two);
  EXPECT_EQ(g_nestedDelays, 1);
  EXPECT_GE(rt.Now(), start + 2);
  EXPECT_GE(g_ticks, 5);  // the timer kept ticking inside the nested wait as well
}

}  // namespace
}  // namespace qc
