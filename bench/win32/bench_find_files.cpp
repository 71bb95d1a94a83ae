// FindFilesAPI over a generated tree of 20,000 files in 2,050 folders, against a bare
// FindFirstFile recursion in this program and against the system's `cmd /c dir /s /b`, in one
// run, and against the same search with no message processing. Prints the medians and ratios.
//   bench_find_files.exe [tree-folder] [runs]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/win32_platform.h"
#include "platform/win32/windows_include.h"
#include "winapi/cwinapi.h"

namespace {

constexpr int kTopFolders = 50, kSubFolders = 40, kFilesPerFolder = 10;

double Seconds() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void MakeFile(const std::string& path, DWORD size) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "cannot create %s (%lu)\n", path.c_str(), GetLastError());
    std::exit(1);
  }
  if (size) {
    SetFilePointer(h, static_cast<LONG>(size), nullptr, FILE_BEGIN);
    SetEndOfFile(h);
  }
  CloseHandle(h);
}

// Builds the tree once; a marker file says it is complete.
void EnsureTree(const std::string& root) {
  const std::string marker = root + "\\tree complete.marker";
  if (GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES) return;
  const double t0 = Seconds();
  CreateDirectoryA(root.c_str(), nullptr);
  for (int t = 0; t < kTopFolders; ++t) {
    const std::string top = root + "\\folder " + std::to_string(t);
    CreateDirectoryA(top.c_str(), nullptr);
    for (int s = 0; s < kSubFolders; ++s) {
      const std::string sub = top + "\\sub " + std::to_string(s);
      CreateDirectoryA(sub.c_str(), nullptr);
      for (int f = 0; f < kFilesPerFolder; ++f) {
        MakeFile(sub + "\\file " + std::to_string(f) + ".txt", static_cast<DWORD>(f * 100));
      }
    }
  }
  MakeFile(marker, 0);
  std::printf("generated the tree in %.1f s\n", Seconds() - t0);
}

struct Tally {
  long files = 0, folders = 0;
  double bytes = 0;
};

// The baseline: one FindFirstFile pass per folder, attributes from the find record.
void BareRecursion(const std::string& folder, Tally& tally) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  std::vector<std::string> subs;
  do {
    const char* n = fd.cFileName;
    if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      subs.push_back(folder + "\\" + n);
      ++tally.folders;
    } else {
      const size_t len = std::strlen(n);
      if (len >= 4 && _stricmp(n + len - 4, ".txt") == 0) {
        ++tally.files;
        tally.bytes += static_cast<double>(fd.nFileSizeHigh) * 4294967296.0 + fd.nFileSizeLow;
      }
    }
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  for (const std::string& s : subs) BareRecursion(s, tally);
}

double RunCmdDir(const std::string& root) {
  std::string line = "cmd.exe /c dir /s /b \"" + root + "\" > NUL";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  const double t0 = Seconds();
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &si, &pi)) {
    std::fprintf(stderr, "cmd did not start (%lu)\n", GetLastError());
    std::exit(1);
  }
  WaitForSingleObject(pi.hProcess, INFINITE);
  const double t = Seconds() - t0;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return t;
}

// The product's platform with message processing taken out: the same search, the same steps,
// to show what the message processing costs.
class SilentRuntime : public qc::IRuntime {
 public:
  explicit SilentRuntime(qc::IRuntime& base) : base_(base) {}
  int MessageBox(const std::wstring& p, int s, const std::wstring* t) override {
    return base_.MessageBox(p, s, t);
  }
  double Shell(const std::wstring& c, int w) override { return base_.Shell(c, w); }
  double ShellProgram(const std::wstring& a, const std::wstring& c, int w) override {
    return base_.ShellProgram(a, c, w);
  }
  void SetAttr(const std::wstring& p, uint32_t a) override { base_.SetAttr(p, a); }
  void Kill(const std::wstring& p) override { base_.Kill(p); }
  void DoEvents() override {}
  void DoEventsWhenDue() override {}
  int64_t Now() override { return base_.Now(); }
  int64_t NowMilliseconds() override { return base_.NowMilliseconds(); }
  void WaitForMessagesOrTimeout(uint32_t ms) override { base_.WaitForMessagesOrTimeout(ms); }
  std::wstring AppPath() override { return base_.AppPath(); }
  std::wstring AppEXEName() override { return base_.AppEXEName(); }
  std::wstring Command() override { return base_.Command(); }
  float TwipsPerPixelX() override { return base_.TwipsPerPixelX(); }
  float TwipsPerPixelY() override { return base_.TwipsPerPixelY(); }

 private:
  qc::IRuntime& base_;
};

class SilentPlatform : public qc::Platform {
 public:
  explicit SilentPlatform(qc::Platform& base) : base_(base), runtime_(base.Runtime()) {}
  qc::ICodePage& CodePage() override { return base_.CodePage(); }
  qc::IRegistry& Registry() override { return base_.Registry(); }
  qc::IRuntime& Runtime() override { return runtime_; }
  qc::IFiles& Files() override { return base_.Files(); }
  qc::IForms& Forms() override { return base_.Forms(); }
  qc::IWindows& Windows() override { return base_.Windows(); }
  qc::ISystem& System() override { return base_.System(); }
  qc::IShell& Shell() override { return base_.Shell(); }
  qc::IMultimedia& Multimedia() override { return base_.Multimedia(); }
  qc::IProcesses& Processes() override { return base_.Processes(); }

 private:
  qc::Platform& base_;
  SilentRuntime runtime_;
};

double TimeSearch(qc::CWinAPI& api, const std::string& root) {
  qc::String path = qc::win32::Wide(root), pattern = L"*.txt";
  qc::Integer files = 0, dirs = 0;
  const double t0 = Seconds();
  api.FindFilesAPI(path, pattern, files, dirs);
  return Seconds() - t0;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  using namespace qc;
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string root = argc > 1 ? argv[1] : std::string(temp) + "qc bench tree";
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  EnsureTree(root);

  CWinAPI api;
  SilentPlatform silentPlatform(DefaultPlatform());
  CWinAPI silent(silentPlatform);
  std::vector<double> ours, bare, dir, listed, none;
  Integer files = 0, dirs = 0;
  Variant total;
  Tally tally;
  HWND listBox =
      CreateWindowExA(0, "LISTBOX", "", WS_POPUP | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT, 0, 0, 200,
                      200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  for (int i = 0; i <= runs; ++i) {  // run 0 warms the caches and is not counted
    String path = win32::Wide(root), pattern = L"*.txt";
    files = dirs = 0;
    double t0 = Seconds();
    total = api.FindFilesAPI(path, pattern, files, dirs);
    const double tOurs = Seconds() - t0;

    tally = Tally{};
    t0 = Seconds();
    BareRecursion(root, tally);
    const double tBare = Seconds() - t0;

    const double tDir = RunCmdDir(root);

    // The same search into a hidden list box, for the cost of the rows.
    SendMessageA(listBox, LB_RESETCONTENT, 0, 0);
    path = win32::Wide(root);
    Integer f2 = 0, d2 = 0;
    Long lb = win32::FromHandle(listBox);
    t0 = Seconds();
    api.FindFilesAPI(path, pattern, f2, d2, lb);
    const double tListed = Seconds() - t0;
    const double tSilent = TimeSearch(silent, root);
    if (i > 0) {
      none.push_back(tSilent);
      ours.push_back(tOurs);
      bare.push_back(tBare);
      dir.push_back(tDir);
      listed.push_back(tListed);
    }
  }
  DestroyWindow(listBox);

  std::printf("tree: %s\n", root.c_str());
  std::printf("FindFilesAPI: %d files, %d folders, %.0f bytes\n", files, dirs, CDbl(total));
  std::printf("bare recursion: %ld files, %ld folders, %.0f bytes\n", tally.files, tally.folders,
              tally.bytes);
  const double mOurs = Median(ours), mBare = Median(bare), mDir = Median(dir),
               mListed = Median(listed);
  std::printf(
      "median of %d runs: FindFilesAPI %.3f s, bare FindFirstFile recursion %.3f s, "
      "cmd /c dir /s /b %.3f s, FindFilesAPI into a list box %.3f s\n",
      runs, mOurs, mBare, mDir, mListed);
  const double mNone = Median(none);
  std::printf("without message processing: %.3f s (%.2f times the bare recursion)\n", mNone,
              mNone / mBare);
  std::printf("ratio FindFilesAPI / same search without message processing: %.2f (aim <= 1.15)\n",
              mOurs / mNone);
  std::printf("ratio FindFilesAPI / bare recursion: %.2f (aim <= 2.3)\n", mOurs / mBare);
  std::printf("ratio FindFilesAPI / cmd dir /s /b: %.2f (aim <= 0.15)\n", mOurs / mDir);
  return files == tally.files && dirs == tally.folders ? 0 : 1;
}
