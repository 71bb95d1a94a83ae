// FindFilesAPI over a real scratch tree into a real list box; one match per folder, so the row
// order is the search's.
#include <gtest/gtest.h>

#include <tuple>

// Before <windows.h>: its macros (ExitWindows, PlaySound ...) would rename members of the class.
#include "support.h"
#include "winapi/cwinapi.h"

namespace qc::wintest {
namespace {

TEST(FindFilesOnDisk, RowsCountersAndSizesFromAScratchTree) {
  // top file.txt, big.bin (5 GiB, sparse where the file system allows), My Folder\notes.txt\n.txt
  ScratchFolder tree("qc find");
  const std::string r = tree.path, f = tree.Folder("My Folder"), n = tree.Folder("My Folder\\notes.txt");
  tree.File("top file.txt", 5), tree.File("big.bin", 5LL << 30), tree.File("My Folder\\notes.txt\\n.txt", 13);
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
    ListBox box;
    CWinAPI api;
    String path = win32::Wide(row.path), pattern = win32::Wide(row.pattern);
    Integer files = 0, dirs = 0;
    const Variant total =
        api.FindFilesAPI(path, pattern, files, dirs, box.handle, row.nameTab, row.thisFolderOnly);
    EXPECT_EQ(path, win32::Wide(row.path + "\\"));  // the caller's variable gains the backslash
    EXPECT_EQ(box.Rows(), row.rows) << row.pattern;
    EXPECT_EQ(std::make_tuple(files, dirs, CDbl(total)),
              std::make_tuple(row.files, row.dirs, row.size));
  }
}

// Takes the rows of a search, slowly when asked, and notes what ran meanwhile.
struct SlowRows {
  DWORD rowMs = 0;
  int rows = 0, ticks = 0, rowsWhenPostedRan = -1;
  static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<SlowRows*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    if (!self) return DefWindowProcA(w, m, wp, lp);
    if (m == LB_ADDSTRING) Sleep((++self->rows, self->rowMs));
    if (m == WM_TIMER) ++self->ticks;
    if (m == WM_APP) self->rowsWhenPostedRan = self->rows;
    return 0;
  }
};

TEST(FindFilesOnDisk, APostedMessageRunsBeforeTheFirstRowAndATimerTicksThroughout) {
  ScratchFolder tree("qc find slowly");
  tree.File("a"), tree.File("b"), tree.File("c");
  WNDCLASSA wc{};
  wc.lpfnWndProc = SlowRows::Proc;
  wc.lpszClassName = "qc slow rows";
  RegisterClassA(&wc);
  SlowRows slow;
  HWND w = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 10, 10, 0, 0, 0, 0);
  SetWindowLongPtrA(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&slow));
  CWinAPI api;
  auto search = [&] {
    String path = win32::Wide(tree.path), pattern = L"*";
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
}  // namespace qc::wintest
