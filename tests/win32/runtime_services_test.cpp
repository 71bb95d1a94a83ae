// The forms-runtime services on the real platform: the message box, files, programs, facts.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/runtime_error.h"
#include "support.h"

namespace qc::wintest {
namespace {

using win32::TheWin32Platform;

struct CountingEvents : IFormEvents {
  void OnClick(int) override {}
  void OnTimer() override { ++ticks; }
  std::atomic<int> ticks{0};
};

// Modal, the program's title when given none, its own message loop: the timer ticks meanwhile.
TEST(RuntimeMessageBox, ModalWithTheProgramsTitleWhileTheTimerTicks) {
  win32::Win32Forms& forms = TheWin32Platform().Win32FormsBackend();
  CountingEvents events;
  FormSpec layout;
  layout.caption = L"qc runtime test window";
  layout.timerInterval = 50;
  if (!forms.MainWindow()) forms.CreateForm(layout, events);
  HWND owner = forms.MainWindow();
  ASSERT_NE(owner, nullptr);
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
  const int before = events.ticks;
  EXPECT_EQ(TheWin32Platform().Runtime().MessageBox(L"untitled", 48, nullptr), IDOK);
  answer.join();
  EXPECT_EQ(seen, L"untitled|disabled");
  EXPECT_GT(events.ticks - before, 2);
  DestroyWindow(owner);
  Settle();  // the form's quit must not reach later tests
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
  SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                       FILE_ATTRIBUTE_SYSTEM);
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

}  // namespace
}  // namespace qc::wintest
