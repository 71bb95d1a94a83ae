// The test double of the whole platform: an in-memory registry, a small file table, message boxes
// kept, a clock that moves when told, Latin-1 as the ANSI code page. It keeps only what the tests
// read; every other call answers as a quiet, empty system would.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform/runtime_error.h"
#include "platform/win_constants.h"

namespace qc::test {

using std::string;
using std::wstring;
using Bytes = std::vector<uint8_t>;

// The runtime error number a statement raises, 0 when it raises none.
template <class Statement>
int ErrorNumberOf(Statement&& statement) {
  try {
    statement();
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

struct CaseInsensitiveLess {
  bool operator()(const wstring& a, const wstring& b) const;
};

// Values as Windows keeps them: real status codes, case-insensitive names, counted handles, HKLM's
// 64-bit view for a 32-bit process on 64-bit Windows (after SetWow64), failures a test injects.
// Every key exists and none is deleted or listed: the real registry under Wine shows keys.
class FakeRegistry : public IRegistry {
 public:
  struct Value {
    uint32_t type = 0;
    Bytes data;
  };
  void SetWow64(bool on) { wow64_ = on; }
  // Paths are "HKEY_CURRENT_USER\\Software\\..."; view64 means HKLM's 64-bit view.
  void SetValue(const wstring& path, const wstring& name, uint32_t type, Bytes data,
                bool view64 = false);
  void SetString(const wstring& path, const wstring& name, const string& text,
                 bool view64 = false) {
    SetValue(path, name, win::REG_SZ, Bytes(text.c_str(), text.c_str() + text.size() + 1), view64);
  }
  const Value* GetValue(const wstring& path, const wstring& name, bool view64 = false);
  // The next `times` calls of that name (negative: all) fail with `code`.
  void InjectFailure(const string& call, int32_t code, int times = -1) {
    failures_.push_back({call, code, times});
  }
  int OpenHandles() const { return static_cast<int>(handles_.size()); }
  int calls = 0;                                     // registry calls made
  std::function<void(const wstring& name)> onQuery;  // runs first in every value query

  int32_t RegOpenKeyEx(RegKey hKey, const wstring& subKey, uint32_t, uint32_t sam,
                       RegKey& result) override {
    return Open("RegOpenKeyEx", hKey, subKey, sam, result);
  }
  int32_t RegCreateKey(RegKey hKey, const wstring& subKey, RegKey& result) override {
    return Open("RegCreateKey", hKey, subKey, 0, result);
  }
  int32_t RegCreateKeyEx(RegKey hKey, const wstring& subKey, uint32_t, const wstring*, uint32_t,
                         uint32_t sam, RegKey& result, uint32_t*) override {
    return Open("RegCreateKeyEx", hKey, subKey, sam, result);
  }
  int32_t RegCloseKey(RegKey hKey) override {
    return ++calls, handles_.erase(hKey) ? 0 : win::ERROR_INVALID_HANDLE;
  }
  int32_t RegQueryValueEx(RegKey, const wstring&, uint32_t*, uint8_t*, uint32_t*) override;
  int32_t RegSetValueEx(RegKey, const wstring&, uint32_t, uint32_t, const uint8_t*,
                        uint32_t) override;
  int32_t RegDeleteValue(RegKey hKey, const wstring& valueName) override;
  int32_t RegDeleteKey(RegKey, const wstring&) override {
    return Check("RegDeleteKey", win::ERROR_ACCESS_DENIED);
  }
  int32_t RegDeleteKeyEx(RegKey, const wstring&, uint32_t, uint32_t) override {
    return Check("RegDeleteKeyEx", win::ERROR_ACCESS_DENIED);
  }
  int32_t RegQueryInfoKey(RegKey, char*, uint32_t*, uint32_t*, uint32_t*, uint32_t*, uint32_t*,
                          uint32_t*, uint32_t*, uint32_t*, uint64_t*) override;
  int32_t RegEnumKeyEx(RegKey, uint32_t, char*, uint32_t&, char*, uint32_t*, uint64_t*) override {
    return Check("RegEnumKeyEx", win::ERROR_NO_MORE_ITEMS);
  }
  int32_t RegEnumValue(RegKey, uint32_t, char*, uint32_t&, uint32_t*, uint8_t*, uint32_t*) override;

 private:
  using Values = std::map<wstring, Value, CaseInsensitiveLess>;
  struct Failure {
    string call;
    int32_t code, times;
  };
  // Counts the call; an injected failure's code, else `otherwise`.
  int32_t Check(const char* call, int32_t otherwise = 0);
  // A key's id: its root's number and its path as first written; empty for a bad handle or path.
  wstring Resolve(RegKey hKey, const wstring& subKey = L"", uint32_t sam = 0) const;
  wstring Id(const wstring& path, bool view64) const;
  int32_t Open(const char* call, RegKey hKey, const wstring& subKey, uint32_t sam, RegKey& result);
  std::pair<Values::iterator, Values::iterator> ValuesOf(const wstring& id);

  bool wow64_ = false;
  Values values_;  // by the key's id, a line break, the name
  std::map<RegKey, wstring> handles_;
  RegKey next_ = 0x1000;
  std::vector<Failure> failures_;
};

class FakeCodePage : public ICodePage {
 public:
  string ToAnsi(const wstring& text) override;
  wstring FromAnsi(const string& bytes) override;
};

struct FakeFile {
  uint32_t attributes = 0x20;  // 0x10: a folder
  uint32_t killError = 0;      // the Win32 code deleting it meets
  uint32_t reparseTag = 0;     // its find record's dwReserved0
  wstring linkTarget;          // a file link: setting attributes reaches the target
  // Reported deleted but still there: until its holder closes it (a second deletion is refused
  // with 5; on FAT queries are refused with 5 too), or for good on a medium that loses deletions.
  enum class OnDelete { Goes, Pending, PendingFat, Stays } onDelete = OnDelete::Goes;
  bool pending = false;
};

class FakeFiles : public IFiles {
 public:
  std::map<wstring, FakeFile, CaseInsensitiveLess> entries;  // by path
  uint32_t driveType = 3;                                    // every drive's
  bool redirectionOff = false, moveFails = false;
  std::vector<wstring> deleteAtReboot;
  void Add(const wstring& path, uint32_t attributes = 0x20);  // with its folders
  FakeFile* Get(const wstring& path) {
    auto it = entries.find(path);
    return it == entries.end() ? nullptr : &it->second;
  }
  int OpenFindHandles() const { return static_cast<int>(finds_.size()); }

  bool Wow64DisableWow64FsRedirection(uintptr_t& old) override {
    old = std::exchange(redirectionOff, true);
    return true;
  }
  bool Wow64RevertWow64FsRedirection(uintptr_t old) override {
    redirectionOff = old != 0;
    return true;
  }
  int32_t FindFirstFile(const wstring& pattern, FindData& data) override;
  int32_t FindNextFile(int32_t handle, FindData& data) override;
  int32_t FindClose(int32_t handle) override { return static_cast<int32_t>(finds_.erase(handle)); }
  uint32_t GetFileAttributes(const wstring& path) override;
  int32_t MoveFileEx(const wstring& path, const wstring*, uint32_t) override {
    lastError_ = win::ERROR_ACCESS_DENIED;
    if (!moveFails) deleteAtReboot.push_back(path);
    return !moveFails;
  }
  uint32_t GetDriveType(const wstring&) override { return driveType; }
  uint32_t GetLastError() override { return lastError_; }

 private:
  std::map<int32_t, std::vector<FindData>> finds_;  // the entries still to come, last first
  int32_t nextFind_ = 0x500;
  uint32_t lastError_ = 0;
};

struct MessageBoxCall {
  wstring prompt;
  int style;
};

class FakeRuntime : public IRuntime {
 public:
  explicit FakeRuntime(FakeFiles& files) : files_(files) {}
  std::vector<MessageBoxCall> boxes;
  std::function<void()> onMessageBox;  // runs inside the box, as a modal loop would
  uint32_t shellError = 0;             // a start fails with this Win32 code
  int64_t clock = 0, clockStep = 0;    // milliseconds; the step is added at every reading
  int waits = 0;                       // each moves the clock on by the time given
  float twipsX = 15, twipsY = 15;

  int MessageBox(const wstring& prompt, int style, const wstring*) override {
    boxes.push_back({prompt, style});
    if (onMessageBox) onMessageBox();
    return win::IDOK;
  }
  double Shell(const wstring&, int) override {
    return shellError ? throw RuntimeError(kErrFileNotFound, {}, shellError) : 4242;
  }
  double ShellProgram(const wstring&, const wstring& line, int) override { return Shell(line, 0); }
  void SetAttr(const wstring& path, uint32_t attributes) override;
  void Kill(const wstring& path) override;
  void DoEvents() override {}
  void DoEventsWhenDue() override {}
  int64_t Now() override { return NowMilliseconds() / 1000; }
  int64_t NowMilliseconds() override { return std::exchange(clock, clock + clockStep); }
  void WaitForMessagesOrTimeout(uint32_t ms) override { waits++, clock += ms; }
  wstring AppPath() override { return L"C:\\Tools"; }
  wstring AppEXEName() override { return L"app"; }
  wstring Command() override { return L""; }
  float TwipsPerPixelX() override { return twipsX; }
  float TwipsPerPixelY() override { return twipsY; }

 private:
  FakeFile& Existing(const wstring& path);
  FakeFiles& files_;
};

// A system that answers nothing but what a test sets.
class FakeSystem : public ISystem {
 public:
  bool wow64 = false;  // with registry.SetWow64: a 32-bit process on 64-bit Windows
  bool privilegeHeld = true, privilegeEnabled = false;  // the shutdown privilege
  uint32_t volumeFlags = 0;
  std::array<uint32_t, 4> clusters{8, 512, 1000, 4000};  // sectors, bytes, free, total

  int32_t GetComputerName(string&, uint32_t&) override { return 0; }
  int32_t SetComputerName(const wstring&) override { return 0; }
  int32_t GetUserName(string&, uint32_t&) override { return 0; }
  int32_t GetVolumeInformation(const wstring&, string&, uint32_t, uint32_t*, uint32_t*,
                               uint32_t* flags, string&, uint32_t) override {
    return (*flags = volumeFlags), 1;
  }
  int32_t GetDiskFreeSpace(const wstring&, uint32_t& sectorsPerCluster, uint32_t& bytesPerSector,
                           uint32_t& freeClusters, uint32_t& totalClusters) override {
    std::tie(sectorsPerCluster, bytesPerSector, freeClusters, totalClusters) =
        std::tie(clusters[0], clusters[1], clusters[2], clusters[3]);
    return 1;
  }
  uint32_t GetWindowsDirectory(string&, uint32_t) override { return 0; }
  uint32_t GetSystemDirectory(string&, uint32_t) override { return 0; }
  uint32_t GetTempPath(uint32_t, string&) override { return 0; }
  int32_t IsWow64Process(int32_t& result) override { return (result = wow64), 1; }
  int32_t AdjustTokenPrivilege(const wstring& privilege, bool enable, bool& wasEnabled) override {
    if (!privilegeHeld || privilege != win::SE_SHUTDOWN_NAME) return 0;
    wasEnabled = std::exchange(privilegeEnabled, enable);
    return 1;
  }
};

class FakeShell : public IShell {
 public:
  std::vector<std::pair<uint32_t, Bytes>> notified;  // message, record
  std::vector<wstring> recentDocs;                   // "(null)" for none

  int32_t CoInitializeEx(uint32_t) override { return 0; }
  int32_t ShellExecute(int32_t, const wstring*, const wstring&, const wstring*, const wstring*,
                       int32_t) override {
    return 42;
  }
  int32_t Shell_NotifyIcon(uint32_t message, const Bytes& record) override {
    notified.emplace_back(message, record);
    return 1;
  }
  int32_t SHGetFileInfo(const wstring&, uint32_t, Bytes&, uint32_t, uint32_t) override { return 0; }
  void SHAddToRecentDocs(uint32_t, const wstring* path) override {
    recentDocs.push_back(path ? *path : L"(null)");
  }
  int32_t ImageList_Draw(int32_t, int32_t, int32_t, int32_t, int32_t, uint32_t) override {
    return 0;
  }
};

class FakeMultimedia : public IMultimedia {
 public:
  std::vector<std::pair<wstring, uint32_t>> sounds;  // name, flags

  int32_t sndPlaySound(const wstring& sound, uint32_t flags) override {
    sounds.emplace_back(sound, flags);
    return 1;
  }
  uint32_t mciSendString(const wstring&, string&, uint32_t, int32_t) override { return 0; }
  uint32_t waveOutGetNumDevs() override { return 1; }
};

class FakeForms : public IForms {
 public:
  std::map<int, wstring> captions;
  std::map<int, uint32_t> colours;
  IFormEvents* events = nullptr;
  bool createFails = false;
  void Click(int id) { events->OnClick(id); }
  void Tick() { events->OnTimer(); }

  void CreateForm(const FormSpec&, IFormEvents& ev) override {
    if (createFails) throw RuntimeError(kErrOutOfMemory, {}, 1400);
    events = &ev;
  }
  void SetCaption(int id, const wstring& text) override { captions[id] = text; }
  void SetForeColour(int id, uint32_t colour) override { colours[id] = colour; }
  wstring Caption(int id) override { return captions[id]; }
  int RunMessageLoop() override { return 0; }
};

class FakeWindows : public IWindows {
 public:
  Point32 cursor;
  std::map<int32_t, std::vector<wstring>> listBoxes;  // rows added, per window
  std::function<void()> onAddString;                  // runs inside LB_ADDSTRING
  std::function<void(uint32_t flags)> onExitWindowsEx;

  using I = int32_t;
  I SendMessage(I hwnd, uint32_t msg, I, const wstring& text) override {
    if (msg != win::LB_ADDSTRING) return 0;
    listBoxes[hwnd].push_back(text);
    if (onAddString) onAddString();
    return 0;
  }
  I GetCursorPos(Point32& point) override { return (point = cursor), 1; }
  I ExitWindowsEx(uint32_t flags, uint32_t) override {
    if (onExitWindowsEx) onExitWindowsEx(flags);
    return 1;
  }
  // The rest must not run for real, or is checked on real windows under Wine.
  I SetWindowPos(I, I, I, I, I, I, uint32_t) override { return 1; }
  I SetWindowLong(I, I, I) override { return 0; }
  I FindWindow(const wstring*, const wstring*) override { return 0; }
  I FindWindowEx(I, I, const wstring*, const wstring*) override { return 0; }
  I SendMessage(I, uint32_t, I, I) override { return 0; }
  I DefWindowProc(I, uint32_t, I, I) override { return 0; }
  I ReleaseCapture() override { return 1; }
  I ShowCursor(I) override { return 0; }
  I SetCursorPos(I, I) override { return 1; }
  I SystemParametersInfo(uint32_t, uint32_t, Rect32&, uint32_t) override { return 1; }
  I SystemParametersInfo(uint32_t, uint32_t, const wstring&, uint32_t) override { return 1; }
  I SystemParametersInfo(uint32_t, uint32_t, I&, uint32_t) override { return 1; }
  void keybd_event(uint8_t, uint8_t, uint32_t, uint32_t) override {}
  I GetMenu(I) override { return 0; }
  I GetSubMenu(I, I) override { return 0; }
  I GetMenuItemID(I, I) override { return -1; }
  I SetMenuItemBitmaps(I, uint32_t, uint32_t, I, I) override { return 1; }
};

class FakePlatform : public Platform {
 public:
  FakeCodePage codePage;
  FakeRegistry registry;
  FakeFiles files;
  FakeRuntime runtime{files};
  FakeForms forms;
  FakeWindows windows;
  FakeSystem system;
  FakeShell shell;
  FakeMultimedia multimedia;

  ICodePage& CodePage() override { return codePage; }
  IRegistry& Registry() override { return registry; }
  IRuntime& Runtime() override { return runtime; }
  IFiles& Files() override { return files; }
  IForms& Forms() override { return forms; }
  IWindows& Windows() override { return windows; }
  ISystem& System() override { return system; }
  IShell& Shell() override { return shell; }
  IMultimedia& Multimedia() override { return multimedia; }
};

}  // namespace qc::test
