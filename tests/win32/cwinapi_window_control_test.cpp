// Window and desktop control on the real platform, limited to what leaves the machine as it was:
// windows of the test's own, the cursor, the work area (restored), a menu of the test's own.
// Members that log off, shut down or press keys are left to the recording double.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/win32/win32_platform.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

using win32::TheWin32Platform;

// Under Wine without an X display no window can be made; on Windows there is always a desktop.
bool NoDisplay() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  const bool wine = ntdll && GetProcAddress(ntdll, "wine_get_version");
  char buf[64];
  return wine && GetEnvironmentVariableA("DISPLAY", buf, sizeof buf) == 0;
}

Long ToLong(HWND h) {
  return static_cast<Long>(reinterpret_cast<intptr_t>(h));
}

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// Processes messages until none has come for 100 ms (at most about 2 s). Under Xvfb the X events
// that follow a new window arrive late, and Wine restacks the window when it handles them.
void Settle() {
  for (int i = 0; i < 20; ++i) {
    Pump();
    if (MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT) == WAIT_TIMEOUT) return;
  }
}

const char* WindowClass() {
  static const char* name = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.lpszClassName = "QcWindowControlTest";
    RegisterClassA(&wc);
    return wc.lpszClassName;
  }();
  return name;
}

// A visible top-level window of the test, destroyed with the object.
class TestWindow {
 public:
  explicit TestWindow(const char* title, DWORD exStyle = 0, int x = 100, int y = 120) {
    hwnd_ = CreateWindowExA(exStyle, WindowClass(), title, WS_OVERLAPPEDWINDOW, x, y, 320, 200,
                            nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (hwnd_) ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
    Settle();
  }
  ~TestWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
    Pump();
  }
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;
  HWND hwnd() const { return hwnd_; }
  Long handle() const { return ToLong(hwnd_); }

 private:
  HWND hwnd_ = nullptr;
};

class WindowControl : public ::testing::Test {
 protected:
  void SetUp() override {
    if (NoDisplay()) GTEST_SKIP() << "no X display for Wine";
  }
  CWinAPI api{TheWin32Platform()};
};

bool Topmost(HWND h) {
  return (GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

TEST_F(WindowControl, TopmostAndBack) {
  TestWindow w("qc topmost");
  ASSERT_NE(w.hwnd(), nullptr);
  Long h = w.handle();
  ASSERT_FALSE(Topmost(w.hwnd()));
  api.SetMyPosTopMost(h);
  EXPECT_TRUE(Topmost(w.hwnd()));
  Boolean takeOff = kTrue;
  api.SetMyPosTopMost(h, takeOff);
  EXPECT_FALSE(Topmost(w.hwnd()));
  Boolean one = 1;  // not true itself: makes topmost
  api.SetMyPosTopMost(h, one);
  EXPECT_TRUE(Topmost(w.hwnd()));
  api.SetMyPosTopMost(h, takeOff);
  EXPECT_FALSE(Topmost(w.hwnd()));
}

// Is `lower` below `upper` in the z-order of top-level windows?
bool Below(HWND lower, HWND upper) {
  for (HWND h = GetWindow(upper, GW_HWNDNEXT); h; h = GetWindow(h, GW_HWNDNEXT)) {
    if (h == lower) return true;
  }
  return false;
}

TEST_F(WindowControl, SentToTheBottom) {
  TestWindow a("qc bottom a"), b("qc bottom b", 0, 160, 160);
  ASSERT_NE(a.hwnd(), nullptr);
  ASSERT_NE(b.hwnd(), nullptr);
  SetWindowPos(a.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Settle();
  ASSERT_TRUE(Below(b.hwnd(), a.hwnd()));
  Long h = a.handle();
  api.SetMyPosOnDesktop(h);
  Settle();
  EXPECT_TRUE(Below(a.hwnd(), b.hwnd()));
  EXPECT_TRUE(IsWindowVisible(a.hwnd()));
}

TEST_F(WindowControl, HiddenAndShownWithTheZerosApplied) {
  TestWindow w("qc hide");
  ASSERT_NE(w.hwnd(), nullptr);
  Long h = w.handle();
  api.HideWindow(h);
  Settle();
  EXPECT_FALSE(IsWindowVisible(w.hwnd()));
  Boolean show = kTrue;
  api.HideWindow(h, show);
  Settle();
  EXPECT_TRUE(IsWindowVisible(w.hwnd()));
  // No SWP_NOMOVE: the window went to the screen's corner with it.
  RECT after{};
  GetWindowRect(w.hwnd(), &after);
  EXPECT_EQ(after.left, 0);
  EXPECT_EQ(after.top, 0);
}

TEST_F(WindowControl, TransparencyReplacesTheExtendedStyle) {
  TestWindow w("qc transparent", WS_EX_TOOLWINDOW);
  ASSERT_NE(w.hwnd(), nullptr);
  Long h = w.handle();
  api.MakeTransparentForm(h);
  const LONG ex = GetWindowLongA(w.hwnd(), GWL_EXSTYLE);
  EXPECT_TRUE(ex & WS_EX_TRANSPARENT);
  EXPECT_FALSE(ex & WS_EX_TOOLWINDOW);
}

TEST_F(WindowControl, ToolbarChildBecomesFlat) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
  ASSERT_TRUE(InitCommonControlsEx(&icc));
  TestWindow w("qc toolbar");
  ASSERT_NE(w.hwnd(), nullptr);
  HWND tb = CreateWindowExA(0, TOOLBARCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, w.hwnd(),
                            nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(tb, nullptr);
  ASSERT_FALSE(SendMessageA(tb, TB_GETSTYLE, 0, 0) & TBSTYLE_FLAT);
  Long parent = w.handle();
  api.ChangeToolBarStyle(parent);
  EXPECT_TRUE(SendMessageA(tb, TB_GETSTYLE, 0, 0) & TBSTYLE_FLAT);
}

TEST_F(WindowControl, CursorMovedThenReadInTwips) {
  const float fx = TheWin32Platform().Runtime().TwipsPerPixelX();
  const float fy = TheWin32Platform().Runtime().TwipsPerPixelY();
  POINT saved{};
  GetCursorPos(&saved);
  for (auto [x, y] : {std::pair<Long, Long>{200, 150}, {37, 411}}) {
    api.SetMousePos(x, y);
    POINT now{};
    GetCursorPos(&now);
    EXPECT_EQ(now.x, x);
    EXPECT_EQ(now.y, y);
    EXPECT_EQ(api.MouseX(), static_cast<Integer>(std::lround(x * fx)));
    EXPECT_EQ(api.MouseY(), static_cast<Integer>(std::lround(y * fy)));
  }
  SetCursorPos(saved.x, saved.y);
}

// Puts the work area back however the test ends.
class WorkAreaRestorer {
 public:
  WorkAreaRestorer() { SystemParametersInfoA(SPI_GETWORKAREA, 0, &saved_, 0); }
  ~WorkAreaRestorer() {
    SystemParametersInfoA(SPI_SETWORKAREA, 0, &saved_, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
  }
  WorkAreaRestorer(const WorkAreaRestorer&) = delete;
  WorkAreaRestorer& operator=(const WorkAreaRestorer&) = delete;

 private:
  RECT saved_{};
};

TEST_F(WindowControl, WorkAreaSetThenReadInTwips) {
  const float fx = TheWin32Platform().Runtime().TwipsPerPixelX();
  const float fy = TheWin32Platform().Runtime().TwipsPerPixelY();
  WorkAreaRestorer restore;
  Integer l = 10, t = 20, r = 700, b = 500;
  api.SetSysWorkArea(l, t, r, b);
  RECT now{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &now, 0);
  EXPECT_EQ(now.left, 10);
  EXPECT_EQ(now.top, 20);
  EXPECT_EQ(now.right, 700);
  EXPECT_EQ(now.bottom, 500);
  EXPECT_EQ(api.WorkAreaLeft(), std::lround(10 * fx));
  EXPECT_EQ(api.WorkAreaTop(), std::lround(20 * fy));
  EXPECT_EQ(api.WorkAreaRight(), std::lround(700 * fx));
  EXPECT_EQ(api.WorkAreaBottom(), std::lround(500 * fy));
}

TEST_F(WindowControl, MenuItemGivenABitmapForBothStates) {
  TestWindow w("qc menu");
  ASSERT_NE(w.hwnd(), nullptr);
  HMENU bar = CreateMenu();
  HMENU file = CreatePopupMenu(), edit = CreatePopupMenu();
  AppendMenuA(file, MF_STRING, 1001, "Open");
  AppendMenuA(edit, MF_STRING, 2001, "Cut");
  AppendMenuA(edit, MF_STRING, 2002, "Copy");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "File");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), "Edit");
  ASSERT_TRUE(SetMenu(w.hwnd(), bar));  // the window owns and destroys the menu
  HBITMAP bmp = CreateBitmap(13, 13, 1, 1, nullptr);
  ASSERT_NE(bmp, nullptr);

  Long h = w.handle();
  Byte sub = 1, item = 1;  // Edit > Copy
  Picture picture(ToLong(reinterpret_cast<HWND>(bmp)));
  api.MenuBitmaps(h, sub, item, picture);

  auto Low32 = [](HBITMAP b) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(b)); };
  auto checkmarks = [&](UINT id) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_CHECKMARKS;
    EXPECT_TRUE(GetMenuItemInfoA(bar, id, FALSE, &info));
    // GDI handles are 32-bit values; a 64-bit build may read them back sign-extended.
    return std::make_pair(Low32(info.hbmpChecked), Low32(info.hbmpUnchecked));
  };
  EXPECT_EQ(checkmarks(2002), std::make_pair(Low32(bmp), Low32(bmp)));
  EXPECT_EQ(checkmarks(2001), std::make_pair(0u, 0u));
  EXPECT_EQ(checkmarks(1001), std::make_pair(0u, 0u));

  DestroyWindow(w.hwnd());  // before the bitmap it shows goes
  DeleteObject(bmp);
}


}  // namespace
}  // namespace qc
