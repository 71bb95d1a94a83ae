// Window control on windows and a menu of the test's own; cursor and work area restored.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

// Before <windows.h>: its macros (ExitWindows, PlaySound ...) would rename members of the class.
#include "support.h"
#include "winapi/cwinapi.h"

namespace qc::wintest {
namespace {

using win32::FromHandle;

// A visible top-level window of the test (of a class every process has), destroyed with it.
struct TestWindow {
  explicit TestWindow(const char* title, DWORD exStyle = 0, int x = 100)
      : hwnd(CreateWindowExA(exStyle, "Static", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, x, 320,
                             200, nullptr, nullptr, nullptr, nullptr)) {
    Settle();
  }
  ~TestWindow() { DestroyWindow(hwnd); }
  HWND hwnd;
};

bool Below(HWND lower, HWND upper) {  // in the z-order of top-level windows
  HWND h = GetWindow(upper, GW_HWNDNEXT);
  while (h && h != lower) h = GetWindow(h, GW_HWNDNEXT);
  return h != nullptr;
}

TEST(WindowControl, TopmostBottomHiddenTransparentFlatAndMenuBitmaps) {
  CWinAPI api;
  TestWindow w("qc window", WS_EX_TOOLWINDOW), other("qc other", 0, 160);
  Long h = FromHandle(w.hwnd);
  // Only a true Boolean (-1) takes topmost off; 1 is "make topmost" like no argument.
  for (auto [takeOff, want] :
       {std::pair<Boolean, bool>{kFalse, true}, {kTrue, false}, {1, true}, {kTrue, false}}) {
    api.SetMyPosTopMost(h, takeOff);
    EXPECT_EQ((GetWindowLongA(w.hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, want) << takeOff;
  }
  SetWindowPos(w.hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Settle();
  ASSERT_TRUE(Below(other.hwnd, w.hwnd));
  api.SetMyPosOnDesktop(h);
  Settle();
  EXPECT_TRUE(Below(w.hwnd, other.hwnd) && IsWindowVisible(w.hwnd));

  api.HideWindow(h);
  Settle();
  EXPECT_FALSE(IsWindowVisible(w.hwnd));
  Boolean show = kTrue;
  api.HideWindow(h, show);
  Settle();
  EXPECT_TRUE(IsWindowVisible(w.hwnd));

  api.MakeTransparentForm(h);
  EXPECT_EQ(GetWindowLongA(w.hwnd, GWL_EXSTYLE) & (WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW),
            WS_EX_TRANSPARENT);

  HMENU bar = CreateMenu(), file = CreatePopupMenu(), edit = CreatePopupMenu();  // File, Edit
  AppendMenuA(edit, MF_STRING, 2001, "Cut");
  AppendMenuA(edit, MF_STRING, 2002, "Copy");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "File");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), "Edit");
  ASSERT_TRUE(SetMenu(w.hwnd, bar));  // the window owns and destroys the menu
  HBITMAP bmp = CreateBitmap(13, 13, 1, 1, nullptr);
  Byte sub = 1, item = 1;  // Edit > Copy
  Picture picture(FromHandle(bmp));
  api.MenuBitmaps(h, sub, item, picture);
  for (auto [id, want] : {std::pair<UINT, HBITMAP>{2002, bmp}, {2001, nullptr}}) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_CHECKMARKS;
    EXPECT_TRUE(GetMenuItemInfoA(bar, id, FALSE, &info));
    // GDI handles are 32-bit values: a 64-bit build may read them back sign-extended.
    EXPECT_EQ(std::make_pair(FromHandle(info.hbmpChecked), FromHandle(info.hbmpUnchecked)),
              std::make_pair(FromHandle(want), FromHandle(want)))
        << id;
  }
  DestroyWindow(w.hwnd);  // before the bitmap it shows goes
  DeleteObject(bmp);
}

TEST(WindowControl, CursorAndWorkAreaSetThenReadInTwips) {
  CWinAPI api;
  const float fx = win32::TheWin32Platform().Runtime().TwipsPerPixelX();
  const float fy = win32::TheWin32Platform().Runtime().TwipsPerPixelY();
  POINT p{};  // the cursor is left where the test put it: Xvfb's alone
  RECT savedArea{}, now{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &savedArea, 0);
  Long x = 37, y = 411;
  Integer l = 10, t = 20, r = 700, b = 500;
  api.SetMousePos(x, y);
  api.SetSysWorkArea(l, t, r, b);
  GetCursorPos(&p);
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &now, 0);
  const std::vector<long> got = {p.x,      p.y,     api.MouseX(),        api.MouseY(),
                                 now.left, now.top, api.WorkAreaRight(), api.WorkAreaBottom()};
  SystemParametersInfoA(SPI_SETWORKAREA, 0, &savedArea, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
  EXPECT_EQ(got, std::vector<long>({37, 411, std::lround(37 * fx), std::lround(411 * fy), 10, 20,
                                    std::lround(700 * fx), std::lround(500 * fy)}));
}

}  // namespace
}  // namespace qc::wintest
