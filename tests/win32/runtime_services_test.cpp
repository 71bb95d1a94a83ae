// The forms-runtime services on the real platform: message boxes, file attributes and deletion,
// starting programs, program facts and display factors.
#include "platform/win32/win32_platform.h"
#include "support/error_number.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "platform/runtime_error.h"

namespace qc {
namespace {

using win32::TheWin32Platform;

std::wstring TempFolder() {
  wchar_t buf[MAX_PATH];
  GetTempPathW(MAX_PATH, buf);
  std::wstring dir = std::wstring(buf) + L"qc_runtime_" + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(dir.c_str(), nullptr);
  return dir;
}

struct BoxSeen {
  std::wstring text, title;
  bool ownerDisabled = false;
  bool hasIcon = false;
  HICON icon = nullptr;
};

// Waits for a message box with this title, notes what it shows, then presses OK.
std::thread AnswerBox(const std::wstring& title, HWND owner, BoxSeen& seen) {
  return std::thread([title, owner, &seen] {
    for (int i = 0; i < 500; ++i) {
      HWND box = FindWindowW(L"#32770", title.c_str());
      if (box && IsWindowVisible(box)) {
        wchar_t buf[512] = {};
        GetDlgItemTextW(box, 0xFFFF, buf, 512);
        seen.text = buf;
        GetWindowTextW(box, buf, 512);
        seen.title = buf;
        seen.ownerDisabled = owner && !IsWindowEnabled(owner);
        // The icon is the static control with SS_ICON.
        for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
          wchar_t cls[32];
          GetClassNameW(c, cls, 32);
          if (lstrcmpiW(cls, L"Static") == 0 && (GetWindowLongW(c, GWL_STYLE) & 0x1F) == SS_ICON) {
            seen.icon = reinterpret_cast<HICON>(SendMessageW(c, STM_GETICON, 0, 0));
            seen.hasIcon = seen.icon != nullptr;
          }
        }
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
}

class CountingEvents : public IFormEvents {
 public:
  void OnClick(int) override {}
  void OnTimer() override { ++ticks; }
  std::atomic<int> ticks{0};
};

TEST(RuntimeMessageBox, StylesAreModalCarryTextTitleAndIconAndTheTimerKeepsTicking) {
  win32::Win32Forms& forms = TheWin32Platform().Win32FormsBackend();
  CountingEvents events;
  if (!forms.MainWindow()) {
    FormSpec layout;
    layout.caption = L"qc runtime test window";
    layout.clientWidth = 200;
    layout.clientHeight = 100;
    layout.timerInterval = 50;
    forms.CreateForm(layout, events);
  }
  HWND owner = forms.MainWindow();
  if (!owner) GTEST_SKIP() << "no display";

  struct Case {
    int style;
    LPCWSTR expectedIcon;
  } cases[] = {{0, nullptr}, {48, MAKEINTRESOURCEW(32515)}, {64, MAKEINTRESOURCEW(32516)}};
  for (const Case& c : cases) {
    BoxSeen seen;
    const std::wstring text = L"box style " + std::to_wstring(c.style);
    const std::wstring title = L"qc title " + std::to_wstring(c.style);
    std::thread answer = AnswerBox(title, owner, seen);
    const int ticksBefore = events.ticks;
    const int button = TheWin32Platform().Runtime().MessageBox(text, c.style, &title);
    answer.join();
    EXPECT_EQ(button, IDOK);
    EXPECT_EQ(seen.text, text);
    EXPECT_EQ(seen.title, title);
    EXPECT_TRUE(seen.ownerDisabled) << "the box must be modal to the window";
    EXPECT_EQ(seen.hasIcon, c.expectedIcon != nullptr) << "style " << c.style;
    if (c.expectedIcon) {
      EXPECT_EQ(seen.icon, LoadIconW(nullptr, c.expectedIcon)) << "style " << c.style;
    }
    (void)ticksBefore;
  }

  // With no title of its own a box shows the application's.
  BoxSeen seen;
  std::thread answer = AnswerBox(L"Quorin Cleaner", owner, seen);
  TheWin32Platform().Runtime().MessageBox(L"untitled", 0, nullptr);
  answer.join();
  EXPECT_EQ(seen.text, L"untitled");

  // Timer ticks are dispatched while a box waits (the box runs its own message loop).
  BoxSeen slow;
  const int before = events.ticks;
  std::thread late([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    std::thread inner = AnswerBox(L"qc slow", owner, slow);
    inner.join();
  });
  const std::wstring slowTitle = L"qc slow";
  TheWin32Platform().Runtime().MessageBox(L"wait", 0, &slowTitle);
  late.join();
  EXPECT_GT(events.ticks - before, 2);
  DestroyWindow(owner);
}

TEST(RuntimeFiles, AttributesAreClearedAndDeletionFailuresRaiseTheRuntimesErrors) {
  IRuntime& rt = TheWin32Platform().Runtime();
  const std::wstring dir = TempFolder();
  const std::wstring file = dir + L"\\worm.exe";
  HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  ASSERT_TRUE(SetFileAttributesW(
      file.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));

  try {
    rt.Kill(file);
    FAIL() << "a read-only file must not be deleted";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), kErrPathFileAccess);
    EXPECT_EQ(e.win32_code(), static_cast<uint32_t>(ERROR_ACCESS_DENIED));
  }
  rt.SetAttr(file, 0);
  EXPECT_EQ(GetFileAttributesW(file.c_str()) &
                (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
            0u);
  rt.Kill(file);
  EXPECT_EQ(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);

  auto number = [](auto&& statement) { return test::ErrorNumberOf(statement); };
  EXPECT_EQ(number([&] { rt.Kill(file); }), kErrFileNotFound);
  EXPECT_EQ(number([&] { rt.SetAttr(file, 0); }), kErrFileNotFound);
  EXPECT_EQ(number([&] { rt.Kill(dir + L"\\no such folder\\x.exe"); }), kErrPathNotFound);

  // A file held open without sharing cannot be deleted; the reason travels with the error.
  h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  try {
    rt.Kill(file);
    ADD_FAILURE() << "a file in use must not be reported deleted";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), kErrPathFileAccess);
    EXPECT_EQ(e.win32_code(), static_cast<uint32_t>(ERROR_SHARING_VIOLATION));
  }
  CloseHandle(h);
  rt.Kill(file);
  RemoveDirectoryW(dir.c_str());
}

TEST(RuntimeShell, StartsWithoutWaitingAndAMissingProgramRaisesFileNotFound) {
  IRuntime& rt = TheWin32Platform().Runtime();
  const double id = rt.Shell(L"cmd.exe /c exit 0", 1);
  EXPECT_GT(id, 0);
  try {
    rt.Shell(L"c:\\no\\such\\program.exe", 1);
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), kErrFileNotFound);
  }
}

TEST(RuntimeFacts, ProgramFactsDisplayFactorsAndClock) {
  IRuntime& rt = TheWin32Platform().Runtime();
  EXPECT_EQ(rt.AppEXEName(), L"qc_win32_tests");
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  folder.resize(folder.find_last_of(L'\\'));
  EXPECT_EQ(rt.AppPath(), folder);
  // The argument text is what follows the program name, without the name or leading blanks.
  const std::wstring command = rt.Command();
  const std::wstring line = GetCommandLineW();
  ASSERT_GE(line.size(), command.size());
  EXPECT_EQ(line.substr(line.size() - command.size()), command);
  EXPECT_EQ(command.find(L"qc_win32_tests"), std::wstring::npos);
  EXPECT_TRUE(command.empty() || command[0] != L' ');

  HDC dc = GetDC(nullptr);
  const float x = 1440.0f / GetDeviceCaps(dc, LOGPIXELSX);
  const float y = 1440.0f / GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  EXPECT_FLOAT_EQ(rt.TwipsPerPixelX(), x);
  EXPECT_FLOAT_EQ(rt.TwipsPerPixelY(), y);

  const int64_t t0 = rt.Now();
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  const int64_t t1 = rt.Now();
  EXPECT_GE(t1 - t0, 1);
  EXPECT_LE(t1 - t0, 2);
}

}  // namespace
}  // namespace qc
