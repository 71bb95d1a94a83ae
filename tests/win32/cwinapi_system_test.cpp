// CWinAPI on the real system: FindFilesAPI over a scratch tree into a real list box (one match per
// folder, so the row order is the search's), a real file's type name and icon, and the system's
// own names, folders, volume (beyond 2 GiB on any build machine) and sound devices.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

// Before <windows.h>: its macros (ExitWindows, PlaySound ...) would rename members of the class.
#include "support.h"
#include "winapi/cwinapi.h"

namespace qc::wintest {
namespace {

TEST(FindFilesOnDisk, RowsCountersAndSizesFromAScratchTree) {
  // top file.txt, big.bin (5 GiB, sparse where the file system allows), My Folder\notes.txt\n.txt
  ScratchFolder tree("qc find");
  const std::string r = tree.path, f = tree.Folder("My Folder"),
                    n = tree.Folder("My Folder\\notes.txt");
  tree.File("top file.txt", 5), tree.File("big.bin", 5LL << 30),
      tree.File("My Folder\\notes.txt\\n.txt", 13);
  // A file whose name has no ANSI form: the A calls list it as "?", a name no call can open.
  const std::wstring odd = win32::Wide(r) + L"\\\u4E2D";
  CloseHandle(CreateFileW(odd.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
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
  DeleteFileW(odd.c_str());
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

TEST(ShellRecordOnDisk, TypeNameAndIconOfARealFileAndTheTrayRecord) {
  char type[256] = {}, name[256] = {};
  ScratchFolder folder("qc type");
  const std::string file = folder.File("qc type.ini");
  LONG typeSize = sizeof type, nameSize = sizeof name;  // .ini names a type that describes it
  ASSERT_EQ(RegQueryValueA(HKEY_CLASSES_ROOT, ".ini", type, &typeSize), ERROR_SUCCESS);
  ASSERT_EQ(RegQueryValueA(HKEY_CLASSES_ROOT, type, name, &nameSize), ERROR_SUCCESS);
  CWinAPI api;
  String path = win32::Wide(file);
  EXPECT_EQ(api.RetrieveFileTypeName(path), win32::Wide(name));
  // A missing file, and a name the call would cut at its NUL: no type, not the last file's.
  for (String other : {path + std::wstring(L"\0x", 2), win32::Wide(folder.path) + L"\\missing.ini"})
    EXPECT_EQ(api.RetrieveFileTypeName(other), L"");
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateBitmap(32, 32, 1, 32, nullptr);
  SelectObject(dc, bitmap);
  Long dcHandle = win32::FromHandle(dc);
  for (Long size : {32, 16, 24}) {  // only small and large icons are drawn
    PatBlt(dc, 0, 0, 32, 32, WHITENESS);
    api.RetrieveIcon(path, dcHandle, size);
    int changed = 0;
    for (int i = 0; i < 32 * 32; ++i) changed += GetPixel(dc, i % 32, i / 32) != 0xFFFFFF;
    EXPECT_EQ(changed > 0, size != 24) << size;
  }
  DeleteDC(dc);  // then the bitmap it held
  DeleteObject(bitmap);

  // The class's 32-bit tray record in this build's NOTIFYICONDATAA: each field where it belongs.
  const HWND window = GetDesktopWindow();
  const HICON icon = LoadIconA(nullptr, IDI_APPLICATION);
  const int32_t fields[] = {88,           win32::FromHandle(window), 1, 7,
                            WM_MOUSEMOVE, win32::FromHandle(icon)};
  std::vector<uint8_t> record(88);
  std::memcpy(record.data(), fields, sizeof fields);
  std::memcpy(&record[24], "Quorin", 7);
  const NOTIFYICONDATAA d = win32::NotifyIconRecord(record);
  EXPECT_EQ(
      std::make_tuple(d.cbSize, d.hWnd, d.uID, d.uFlags, d.uCallbackMessage, d.hIcon, d.szTip),
      std::make_tuple(DWORD{NOTIFYICONDATAA_V1_SIZE}, window, 1u, 7u, 512u, icon,
                      std::string("Quorin")));
}

TEST(SystemInformation, NamesFoldersDevicesAndVolumesAreTheSystemsOwn) {
  CWinAPI api(win32::TheWin32Platform());
  char user[256], computer[MAX_COMPUTERNAME_LENGTH + 1], windows[MAX_PATH], system[MAX_PATH],
      temp[MAX_PATH];
  DWORD n = sizeof user, m = sizeof computer;
  ASSERT_TRUE(GetUserNameA(user, &n) && GetComputerNameA(computer, &m));
  GetWindowsDirectoryA(windows, MAX_PATH);
  GetSystemDirectoryA(system, MAX_PATH);
  GetTempPathA(MAX_PATH, temp);
  const std::pair<Long, std::wstring> names[] = {
      {2, win32::Wide(user)}, {0, win32::Wide(computer)}, {7, L""}};
  for (auto [selector, want] : names) EXPECT_EQ(api.ComputerName(selector), want) << selector;
  const std::pair<Long, std::wstring> folders[] = {
      {0, win32::Wide(windows)}, {1, win32::Wide(system)}, {2, win32::Wide(temp)}, {5, L""}};
  for (auto [selector, want] : folders) EXPECT_EQ(CStr(api.GetSystemFolders(selector)), want);
  EXPECT_EQ(api.SoundCardDetect(), waveOutGetNumDevs() > 0 ? kTrue : kFalse);
  String c = L"c:\\windows", none = L"q";  // no drive behind q: in the test prefix
  Double dFree = -1, dUsed = -1, dTotal = -1;
  api.DiskSpace(c, dFree, dUsed, dTotal);
  EXPECT_TRUE(dTotal > 2147483648.0 && dFree > 0 && dUsed > 0);
  api.DiskSpace(none, dFree, dUsed, dTotal);
  EXPECT_EQ(dFree + dUsed + dTotal, 0.0);

  String root = L"c:\\", label(64, L' '), fs(32, L' ');
  Long lLength = 64, serial = 0, maxChar = 0, flags = 0, lLeng = 32;
  api.DiskVolumeInfo(root, label, lLength, serial, maxChar, flags, fs, lLeng);
  const size_t nameEnd = fs.find(L'\0');  // the file system has a name, NUL-ended in the buffer
  EXPECT_EQ(std::make_tuple(label.size(), fs.size(), nameEnd > 0, nameEnd < fs.size()),
            std::make_tuple(size_t{64}, size_t{32}, true, true));
  EXPECT_GT(maxChar, 0);
}

}  // namespace
}  // namespace qc::wintest
