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

TEST(FindFilesOnDisk, RowsCountersAndSizesFromAScratchTree) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string r = temp + std::string("qc find ") + std::to_string(GetCurrentProcessId()),
                    f = r + "\\My Folder", n = f + "\\notes.txt";
  for (const std::string& folder : {r, f, n}) ASSERT_TRUE(CreateDirectoryA(folder.c_str(), 0));
  const std::pair<std::string, LONGLONG> files[] = {
      {r + "\\top file.txt", 5}, {r + "\\big.bin", 5LL << 30}, {n + "\\n.txt", 13}};
  for (const auto& [path, size] : files) {  // big.bin is sparse where the file system allows
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, 0, CREATE_ALWAYS, 0, 0);
    LARGE_INTEGER at{{static_cast<DWORD>(size), static_cast<LONG>(size >> 32)}};
    ASSERT_TRUE(SetFilePointerEx(h, at, nullptr, FILE_BEGIN) && SetEndOfFile(h)) << path;
    CloseHandle(h);
  }
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
  for (const auto& file : files) DeleteFileA(file.first.c_str());
  for (const std::string& folder : {n, f, r}) RemoveDirectoryA(folder.c_str());
}

}  // namespace
}  // namespace qc
