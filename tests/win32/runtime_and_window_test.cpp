// The runtime and the window on the real platform: the message box, files, the program's facts,
// the form's labels, window control, Delay with a ticking timer, and the hardening at start.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "platform/runtime_error.h"
#include "platform/win32/process_hardening.h"
// Before <windows.h>: its macros (ExitWindows, PlaySound ...) would rename members of the class.
#include "support.h"
#include "winapi/cwinapi.h"

namespace qc::wintest {
namespace {

using win32::TheWin32Platform;

// A form of the program's forms backend with labels 7, 8 ... and a 50 ms timer whose ticks are
// counted; destroyed at the end, its quit kept from later tests.
struct TickingForm : IFormEvents {
  explicit TickingForm(int labels = 1) {
    FormSpec layout;
    layout.caption = L"qc test form";
    layout.clientWidth = 300, layout.clientHeight = 100, layout.timerInterval = 50;
    for (int id = 7; id < 7 + labels; ++id) layout.controls.emplace_back().id = id;
    layout.controls[0].rect = {10, 10, 280, 30};
    forms.CreateForm(layout, *this);
  }
  ~TickingForm() override {
    DestroyWindow(forms.MainWindow());
    Settle();
  }
  void OnClick(int) override {}
  void OnTimer() override { ++ticks; }
  std::atomic<int> ticks{0};
  win32::Win32Forms& forms = TheWin32Platform().Win32FormsBackend();
};

// Modal, the program's title when given none, its own message loop: the timer ticks meanwhile.
TEST(RuntimeMessageBox, ModalWithTheProgramsTitleWhileTheTimerTicks) {
  TickingForm form;
  HWND owner = form.forms.MainWindow();
  std::wstring seen;
  std::thread answer([&] {
    for (int i = 0; i < 500 && seen.empty(); ++i, Sleep(20)) {
      HWND box = FindWindowW(L"#32770", L"Quorin Cleaner");
      if (i < 20 || !box || !IsWindowVisible(box)) continue;  // ticks counted meanwhile
      wchar_t text[512] = {};
      GetDlgItemTextW(box, 0xFFFF, text, 512);
      seen = std::wstring(text) + (IsWindowEnabled(owner) ? L"|enabled" : L"|disabled");
      PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
  });
  const int before = form.ticks;
  EXPECT_EQ(TheWin32Platform().Runtime().MessageBox(L"untitled", 48, nullptr), IDOK);
  answer.join();
  EXPECT_EQ(seen, L"untitled|disabled");
  EXPECT_GT(form.ticks - before, 2);
}

// The codes the removal's report is built on, as the real file system gives them; the program's
// own name and folder.
TEST(RuntimeFiles, AttributesDeletionTheRuntimesErrorsAndTheProgramsName) {
  IRuntime& rt = TheWin32Platform().Runtime();
  ScratchFolder folder("qc runtime");
  const std::wstring file = win32::Wide(folder.File("worm.exe"));
  const auto raised = [](auto&& statement) {  // "number/Windows code" of what it raises
    try {
      statement();
    } catch (const RuntimeError& e) {
      return std::to_string(e.number()) + "/" + std::to_string(e.win32_code());
    }
    return std::string("none");
  };
  HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(raised([&] { rt.Kill(file); }), "75/32");  // held open without sharing
  CloseHandle(h);
  SetFileAttributesW(file.c_str(),
                     FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  EXPECT_EQ(raised([&] { rt.Kill(file); }), "75/5");
  rt.SetAttr(file, 0);
  EXPECT_EQ(raised([&] { rt.Kill(file); }), "none");
  EXPECT_EQ(raised([&] { rt.Kill(file); }), "53/2");
  EXPECT_EQ(raised([&] { rt.Kill(win32::Wide(folder.path) + L"\\no\\x.exe"); }), "76/3");
  EXPECT_EQ(raised([&] { rt.Shell(L"c:\\no\\such\\program.exe", 1); }).substr(0, 3), "53/");

  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring exe = path;
  EXPECT_EQ(rt.AppEXEName(), L"qc_win32_tests");
  EXPECT_EQ(rt.AppPath(), exe.substr(0, exe.find_last_of(L'\\')));
}

int g_setTexts = 0;
WNDPROC g_labelProc = nullptr;
LRESULT CALLBACK CountingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  g_setTexts += msg == WM_SETTEXT;
  return CallWindowProcW(g_labelProc, hwnd, msg, wp, lp);
}

// The timer rewrites the labels ten times a second: the same text or colour again must not touch
// the control (no repaint, no flicker); a new one must.
TEST(FormLabels, RewritingTheSameTextOrColourLeavesTheControlAlone) {
  TickingForm form;
  win32::Win32Forms& forms = form.forms;
  HWND control = GetDlgItem(forms.MainWindow(), 7);
  g_labelProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingProc)));
  const auto needsPaint = [&] { return GetUpdateRect(control, nullptr, FALSE) != 0; };
  for (int i = 0; i < 20; ++i) forms.SetCaption(7, L"Virus Cleaned");
  EXPECT_EQ(g_setTexts, 1) << "an unchanged caption was written again";
  forms.SetCaption(7, L"The virus exists and still running");
  EXPECT_EQ(g_setTexts, 2);
  forms.SetForeColour(7, 255);
  EXPECT_TRUE(needsPaint()) << "a new colour must be drawn";
  UpdateWindow(forms.MainWindow());
  forms.SetForeColour(7, 255);
  EXPECT_FALSE(needsPaint()) << "an unchanged colour repainted the label";
}

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

  RECT placed{}, shown{};
  GetWindowRect(w.hwnd, &placed);
  api.HideWindow(h);
  Settle();
  EXPECT_FALSE(IsWindowVisible(w.hwnd));
  Boolean show = kTrue;
  api.HideWindow(h, show);
  Settle();
  GetWindowRect(w.hwnd, &shown);
  EXPECT_TRUE(IsWindowVisible(w.hwnd) && EqualRect(&placed, &shown)) << "shown in its place";
  api.MakeTransparentForm(h);
  EXPECT_EQ(GetWindowLongA(w.hwnd, GWL_EXSTYLE) & (WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW),
            WS_EX_TRANSPARENT);

  // Menu File, Edit > Cut, Copy: the bitmaps go to Edit > Copy (sub-menu 1, item 1) only.
  HMENU bar = CreateMenu(), edit = CreatePopupMenu();
  AppendMenuA(edit, MF_STRING, 2001, "Cut"), AppendMenuA(edit, MF_STRING, 2002, "Copy");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(CreatePopupMenu()), "File");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), "Edit");
  ASSERT_TRUE(SetMenu(w.hwnd, bar));  // the window owns and destroys the menu
  HBITMAP bmp = CreateBitmap(13, 13, 1, 1, nullptr);
  Byte sub = 1, item = 1;
  Picture picture(FromHandle(bmp));
  api.MenuBitmaps(h, sub, item, picture);
  for (auto [id, want] : {std::pair<UINT, HBITMAP>{2002, bmp}, {2001, nullptr}}) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info, info.fMask = MIIM_CHECKMARKS;
    EXPECT_TRUE(GetMenuItemInfoA(bar, id, FALSE, &info));
    // GDI handles are 32-bit values: a 64-bit build may read them back sign-extended.
    EXPECT_EQ(FromHandle(info.hbmpChecked), FromHandle(want)) << id;
    EXPECT_EQ(FromHandle(info.hbmpUnchecked), FromHandle(want)) << id;
  }
  DestroyWindow(w.hwnd);  // before the bitmap it shows goes
  DeleteObject(bmp);
}

// A hook that refuses to make the control with id 8: one way a window ends up made in part.
LRESULT CALLBACK RefuseControl8(int code, WPARAM wp, LPARAM lp) {
  const auto* made = reinterpret_cast<CBT_CREATEWNDW*>(lp);
  if (code == HCBT_CREATEWND && made->lpcs->hMenu == reinterpret_cast<HMENU>(8)) return 1;
  return CallNextHookEx(nullptr, code, wp, lp);
}

// Destroyed and reported as never made; no quit posted, which would close the box saying why.
TEST(FormCreation, AWindowMadeInPartIsNone) {
  HHOOK hook = SetWindowsHookExW(WH_CBT, RefuseControl8, nullptr, GetCurrentThreadId());
  EXPECT_THROW(TickingForm form(2), RuntimeError);
  UnhookWindowsHookEx(hook);
  MSG quit;
  EXPECT_FALSE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(FindWindowW(nullptr, L"qc test form"), nullptr);
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

TEST(DelayWithATimer, EndsAsTheTargetSecondBeginsWhileTheTimerTicks) {
  TickingForm form;
  IRuntime& rt = DefaultPlatform().Runtime();
  CWinAPI api;
  for (const auto& [seconds, whole] : {std::pair{2.0, 2}, {0.4, 0}}) {  // whole seconds to wait
    const int before = form.ticks;
    const int64_t target = (rt.NowMilliseconds() / 1000 + whole) * 1000;
    Double howLong = seconds;
    api.Delay(howLong);
    const int64_t end = rt.NowMilliseconds();
    EXPECT_TRUE(end >= target && end < target + 500) << seconds << ": " << end - target;
    EXPECT_GE(form.ticks - before, whole ? 5 : 0) << seconds;
  }
}

TEST(ProcessHardening, DllBesideTheProgramIsNoLongerLoadedByName) {
  // The build puts qc_planted.dll beside this program; the default search finds it there.
  HMODULE before = LoadLibraryW(L"qc_planted.dll");
  ASSERT_NE(before, nullptr) << "qc_planted.dll is not beside the test program";
  EXPECT_NE(GetProcAddress(before, "QcPlantedMarker"), nullptr);
  FreeLibrary(before);
  EXPECT_TRUE(win32::RestrictDllSearchToSystemFolder());
  EXPECT_EQ(LoadLibraryW(L"qc_planted.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));

  wchar_t dir[MAX_PATH] = L"x";
  EXPECT_EQ(GetDllDirectoryW(MAX_PATH, dir), 0u);  // set to "": the current folder is out
  EXPECT_STREQ(dir, L"");

  EXPECT_NE(LoadLibraryW(L"version.dll"), nullptr);  // the system's own still load
  // A second call, as a restart of start-up would make, is harmless.
  EXPECT_TRUE(win32::RestrictDllSearchToSystemFolder());
}

TEST(ProcessHardening, ErrorModeFlagsAreAddedToTheInheritedMode) {
  const UINT before = SetErrorMode(SEM_NOGPFAULTERRORBOX);  // as a parent may hand it down
  const UINT wanted = SEM_NOGPFAULTERRORBOX | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;
  EXPECT_EQ(win32::AddErrorModeFlags(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX), wanted);
  EXPECT_EQ(GetErrorMode(), wanted);
  SetErrorMode(before);
}

}  // namespace
}  // namespace qc::wintest
