// A real scratch tree into a real list box; one match per folder: the row order is the search's.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "platform/win32/win32_platform.h"
#include "platform/win32/windows_include.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

std::vector<std::string> Rows(HWND listBox) {
  std::vector<std::string> rows;
  for (LRESULT i = 0; i < SendMessageA(listBox, LB_GETCOUNT, 0, 0); ++i) {
    char row[MAX_PATH * 2] = {};
    SendMessageA(listBox, LB_GETTEXT, i, reinterpret_cast<LPARAM>(row));
    rows.push_back(row);
  }
  return rows;
}

// root: top file.txt, big.bin (5 GiB, sparse where the file system allows), My
// Folder\notes.txt\n.txt
class FindFilesOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    r = temp + std::string("qc find ") + std::to_string(GetCurrentProcessId());
    for (const std::string& folder : {r, f(), n()})
      ASSERT_TRUE(CreateDirectoryA(folder.c_str(), 0));
    for (const auto& [path, size] : files()) {
      HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, 0, CREATE_ALWAYS, 0, 0);
      LARGE_INTEGER at{{static_cast<DWORD>(size), static_cast<LONG>(size >> 32)}};
      ASSERT_TRUE(SetFilePointerEx(h, at, nullptr, FILE_BEGIN) && SetEndOfFile(h)) << path;
      CloseHandle(h);
    }
  }
  void TearDown() override {
    for (const auto& file : files()) DeleteFileA(file.first.c_str());
    for (const std::string& folder : {n(), f(), r}) RemoveDirectoryA(folder.c_str());
  }
  std::string f() const { return r + "\\My Folder"; }
  std::string n() const { return f() + "\\notes.txt"; }
  std::vector<std::pair<std::string, LONGLONG>> files() const {
    return {{r + "\\top file.txt", 5}, {r + "\\big.bin", 5LL << 30}, {n() + "\\n.txt", 13}};
  }
  std::string r;
};

TEST_F(FindFilesOnDisk, RowsCountersAndSizesFromAScratchTree) {
  const std::string f = this->f(), n = this->n();
  struct {
    std::string path, pattern;
    Boolean nameTab, thisFolderOnly;
    std::vector<std::string> rows;
    double files, dirs, size;
  } rows[] = {
      {r, "*.txt", kFalse, kFalse, {r + "\\top file.txt", n, n + "\\n.txt"}, 3, 2, 5 + 13},
      {f, "*.txt", kTrue, kFalse, {"notes.txt\t" + f + "\\", "n.txt\t" + n + "\\"}, 2, 1, 13},
      {r, "*.bin", kFalse, kTrue, {r + "\\big.bin"}, 1, 0, 5368709120.0}};
  for (auto& row : rows) {
    HWND box = CreateWindowExA(0, "LISTBOX", "", WS_POPUP, 0, 0, 9, 9, 0, 0, 0, 0);
    CWinAPI api;
    String path = win32::Wide(row.path), pattern = win32::Wide(row.pattern);
    Integer files = 0, dirs = 0;
    Long listBox = win32::FromHandle(box);
    const Variant total =
        api.FindFilesAPI(path, pattern, files, dirs, listBox, row.nameTab, row.thisFolderOnly);
    EXPECT_EQ(path, win32::Wide(row.path + "\\"));  // the caller's variable gains the backslash
    EXPECT_EQ(Rows(box), row.rows) << row.pattern;
    EXPECT_EQ(std::make_tuple(files, dirs, CDbl(total)),
              std::make_tuple(row.files, row.dirs, row.size));
    DestroyWindow(box);
  }
}

// Takes the rows of a search, slowly when asked, and notes what ran meanwhile.
struct SlowRows {
  DWORD rowMs = 0;
  int rows = 0, ticks = 0, rowsWhenPostedRan = -1;
  static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<SlowRows*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    if (!self) return DefWindowProcA(w, m, wp, lp);
    if (m == LB_ADDSTRING) {
      ++self->rows;
      Sleep(self->rowMs);
    }
    if (m == WM_TIMER) ++self->ticks;
    if (m == WM_APP) self->rowsWhenPostedRan = self->rows;
    return 0;
  }
};

TEST_F(FindFilesOnDisk, APostedMessageRunsBeforeTheFirstRowAndATimerTicksThroughout) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = SlowRows::Proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "qc slow rows";
  RegisterClassA(&wc);
  SlowRows slow;
  HWND w = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           wc.hInstance, nullptr);
  ASSERT_NE(w, nullptr);
  SetWindowLongPtrA(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&slow));
  CWinAPI api;
  auto search = [&] {
    String path = win32::Wide(r), pattern = L"*";
    Integer files = 0, dirs = 0;
    Long rows = win32::FromHandle(w);
    Boolean fullPaths = kFalse, thisFolderOnly = kTrue;
    slow.rows = 0;
    api.FindFilesAPI(path, pattern, files, dirs, rows, fullPaths, thisFolderOnly);
  };

  // Just after a processing the search's first point is not yet due, and processes all the
  // same. Repeated: a loaded machine may take a millisecond to reach that point anyway.
  for (int i = 0; i < 10; ++i) {
    DefaultPlatform().Runtime().DoEvents();
    slow.rowsWhenPostedRan = -1;
    PostMessageA(w, WM_APP, 0, 0);
    search();
    EXPECT_EQ(slow.rowsWhenPostedRan, 0) << i;
  }

  // Each row now outlasts two timer intervals, and messages are due between any two rows.
  slow.rowMs = 2 * USER_TIMER_MINIMUM;
  SetTimer(w, 1, USER_TIMER_MINIMUM, nullptr);
  search();
  DestroyWindow(w);
  EXPECT_EQ(slow.rows, 3);
  EXPECT_GE(slow.ticks, slow.rows - 1);
}

}  // namespace
}  // namespace qc
