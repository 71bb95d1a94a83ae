// FindFilesAPI against the real file system and a real list box.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/win32/win32_platform.h"
#include "platform/win32/windows_include.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

using win32::Ansi;
using win32::Wide;

std::string UniqueTempFolder(const char* tag) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  return std::string(temp) + tag + "_" + std::to_string(GetCurrentProcessId()) + "_" +
         std::to_string(GetTickCount());
}

void MakeFile(const std::string& path, DWORD size) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
  const std::string bytes(size, 'x');
  DWORD written = 0;
  WriteFile(h, bytes.data(), size, &written, nullptr);
  CloseHandle(h);
}

void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = fd.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = folder + "\\" + name;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryA(folder.c_str());
}

std::vector<std::string> ListBoxRows(HWND listBox) {
  std::vector<std::string> rows;
  const LRESULT count = SendMessageA(listBox, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    std::string row(static_cast<size_t>(SendMessageA(listBox, LB_GETTEXTLEN, i, 0)) + 1, '\0');
    SendMessageA(listBox, LB_GETTEXT, i, reinterpret_cast<LPARAM>(row.data()));
    row.resize(row.find('\0'));
    rows.push_back(row);
  }
  return rows;
}

// A scratch tree with nested folders, names with blanks, a folder named like the pattern and a
// folder that cannot be listed while the test holds it open without sharing.
class FindFilesOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = UniqueTempFolder("qc find");
    for (const char* folder : {"", "\\My Folder", "\\My Folder\\deeper", "\\notes.txt", "\\held"}) {
      ASSERT_TRUE(CreateDirectoryA((root_ + folder).c_str(), nullptr)) << folder;
    }
    MakeFile(root_ + "\\top file.txt", 5);
    MakeFile(root_ + "\\readme.log", 3);
    MakeFile(root_ + "\\My Folder\\inner doc.txt", 7);
    MakeFile(root_ + "\\My Folder\\deeper\\z.txt", 11);
    MakeFile(root_ + "\\notes.txt\\n.txt", 13);
    MakeFile(root_ + "\\held\\secret.txt", 17);
    held_ = CreateFileA((root_ + "\\held").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                        FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(held_, INVALID_HANDLE_VALUE);
    listBox_ = CreateWindowExA(0, "LISTBOX", "", WS_POPUP | LBS_HASSTRINGS, 0, 0, 200, 200, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(listBox_, nullptr);
  }
  void TearDown() override {
    if (listBox_) DestroyWindow(listBox_);
    if (held_ != INVALID_HANDLE_VALUE) CloseHandle(held_);
    RemoveTree(root_);
  }

  std::string root_;
  HANDLE held_ = INVALID_HANDLE_VALUE;
  HWND listBox_ = nullptr;
};

TEST_F(FindFilesOnDisk, ListsMatchesFolderByFolderDepthFirstIntoAListBox) {
  CWinAPI api;
  String path = Wide(root_), pattern = L"*.txt";
  Integer files = 0, dirs = 0;
  Long listBox = win32::FromHandle(listBox_);
  const Variant total = api.FindFilesAPI(path, pattern, files, dirs, listBox);

  EXPECT_EQ(path, Wide(root_ + "\\"));
  // Matches: top file.txt, the folder notes.txt, inner doc.txt, z.txt, n.txt; the held folder
  // is counted as a sub-folder but its file is never seen.
  EXPECT_EQ(files, 5);
  EXPECT_EQ(dirs, 4);
  ASSERT_FALSE(total.IsEmpty());
  EXPECT_EQ(CDbl(total), 5 + 7 + 11 + 13);

  const std::string r = root_ + "\\";
  const std::vector<std::string> rows = ListBoxRows(listBox_);
  const std::set<std::string> expected{r + "top file.txt", r + "notes.txt",
                                       r + "My Folder\\inner doc.txt",
                                       r + "My Folder\\deeper\\z.txt", r + "notes.txt\\n.txt"};
  EXPECT_EQ(std::set<std::string>(rows.begin(), rows.end()), expected);
  ASSERT_EQ(rows.size(), expected.size());

  // The system decides the order of names within a folder; the search decides the rest: the
  // rows of every folder's subtree are contiguous, the folder's own matches first.
  for (const std::string& folder : {r, r + "My Folder\\", r + "notes.txt\\"}) {
    std::vector<size_t> inTree, own;
    for (size_t i = 0; i < rows.size(); ++i) {
      if (rows[i].compare(0, folder.size(), folder) != 0) continue;
      inTree.push_back(i);
      if (rows[i].find('\\', folder.size()) == std::string::npos) own.push_back(i);
    }
    ASSERT_FALSE(inTree.empty()) << folder;
    EXPECT_EQ(inTree.back() - inTree.front() + 1, inTree.size()) << folder << " is split";
    for (size_t k = 0; k < own.size(); ++k) EXPECT_EQ(own[k], inTree[k]) << folder;
  }
}

TEST_F(FindFilesOnDisk, NameTabFolderRowsAtEveryLevel) {
  CWinAPI api;
  String path = Wide(root_ + "\\My Folder"), pattern = L"*";
  Integer files = 0, dirs = 0;
  Long listBox = win32::FromHandle(listBox_);
  Boolean nameTabFolder = kTrue, thisFolderOnly = kFalse;
  const Variant total =
      api.FindFilesAPI(path, pattern, files, dirs, listBox, nameTabFolder, thisFolderOnly);
  const std::string f = root_ + "\\My Folder\\";
  // "*" matches the sub-folder deeper too; both of this folder's rows come before z.txt.
  const std::vector<std::string> rows = ListBoxRows(listBox_);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(std::set<std::string>(rows.begin(), rows.begin() + 2),
            (std::set<std::string>{"deeper\t" + f, "inner doc.txt\t" + f}));
  EXPECT_EQ(rows[2], "z.txt\t" + f + "deeper\\");
  EXPECT_EQ(files, 3);
  EXPECT_EQ(dirs, 1);
  EXPECT_EQ(CDbl(total), 7 + 11);
}

TEST_F(FindFilesOnDisk, TheCounterOverflowReachesTheCallerWithTheRowsSoFar) {
  CWinAPI api;
  String path = Wide(root_ + "\\My Folder"), pattern = L"*.txt";
  Integer files = 32766, dirs = 0;  // inner doc.txt fits; z.txt, one level down, does not
  Long listBox = win32::FromHandle(listBox_);
  try {
    api.FindFilesAPI(path, pattern, files, dirs, listBox);
    FAIL() << "the file counter must overflow";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), kErrOverflow);
  }
  EXPECT_EQ(files, 32767);
  EXPECT_EQ(dirs, 1);
  EXPECT_EQ(ListBoxRows(listBox_),
            (std::vector<std::string>{root_ + "\\My Folder\\inner doc.txt"}));
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
    String path = Wide(root_), pattern = L"*";
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
  EXPECT_EQ(slow.rows, 5);
  EXPECT_GE(slow.ticks, slow.rows - 1);
}

}  // namespace
}  // namespace qc
