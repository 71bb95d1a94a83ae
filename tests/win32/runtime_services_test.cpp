// The forms-runtime services on the real platform: the message box, files, programs, facts.
#include "platform/runtime_error.h"
#include "platform/win32/win32_platform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace qc {
namespace {

using std::chrono::milliseconds;
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
    std::this_thread::sleep_for(milliseconds(400));
    for (int i = 0; i < 500; ++i, std::this_thread::sleep_for(milliseconds(20))) {
      HWND box = FindWindowW(L"#32770", L"Quorin Cleaner");
      if (!box || !IsWindowVisible(box)) continue;
      wchar_t text[512] = {};
      GetDlgItemTextW(box, 0xFFFF, text, 512);
      seen = std::wstring(text) + (IsWindowEnabled(owner) ? L"|enabled" : L"|disabled");
      PostMessageW(box, WM_COMMAND, IDOK, 0);
      return;
    }
  });
  const int before = events.ticks;
  EXPECT_EQ(TheWin32Platform().Runtime().MessageBox(L"untitled", 48, nullptr), IDOK);
  answer.join();
  EXPECT_EQ(seen, L"untitled|disabled");
  EXPECT_GT(events.ticks - before, 2);
  DestroyWindow(owner);
  MSG msg;  // the form's quit must not reach later tests
  while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

// The codes the removal's report is built on, as the real file system gives them.
TEST(RuntimeFiles, AttributesDeletionAndTheRuntimesErrors) {
  IRuntime& rt = TheWin32Platform().Runtime();
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring dir = temp + std::wstring(L"qc_runtime_") + std::to_wstring(GetTickCount());
  const std::wstring file = dir + L"\\worm.exe";
  CreateDirectoryW(dir.c_str(), nullptr);
  HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  const auto raised = [](auto&& statement) {  // "number/Windows code" of what it raises
    try {
      statement();
    } catch (const RuntimeError& e) {
      return std::to_string(e.number()) + "/" + std::to_string(e.win32_code());
    }
    return std::string("none");
  };
  EXPECT_EQ(raised([&] { rt.Kill(file); }), "75/32");  // held open without sharing
  CloseHandle(h);
  const DWORD locked = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  ASSERT_TRUE(SetFileAttributesW(file.c_str(), locked));
  EXPECT_EQ(raised([&] { rt.Kill(file); }), "75/5");
  rt.SetAttr(file, 0);
  EXPECT_EQ(raised([&] { rt.Kill(file); }), "none");
  EXPECT_EQ(raised([&] { rt.Kill(file); }), "53/2");
  EXPECT_EQ(raised([&] { rt.Kill(dir + L"\\no such folder\\x.exe"); }), "76/3");
  EXPECT_EQ(raised([&] { rt.Shell(L"c:\\no\\such\\program.exe", 1); }).substr(0, 3), "53/");
  RemoveDirectoryW(dir.c_str());
}

TEST(RuntimeFacts, TheProgramsNameAndFolder) {
  IRuntime& rt = TheWin32Platform().Runtime();
  EXPECT_EQ(rt.AppEXEName(), L"qc_win32_tests");
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring exe = path;
  EXPECT_EQ(rt.AppPath(), exe.substr(0, exe.find_last_of(L'\\')));
}

}  // namespace
}  // namespace qc
