// The test double of the whole platform: an in-memory registry, a small file table, message boxes
// kept, a clock that moves when told, Latin-1 as the ANSI code page. It keeps only what the tests
// read; every other call answers as a quiet, empty system would.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform/runtime_error.h"

namespace qc::test {

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

// In-memory registry that answers like Windows: real status codes, case-insensitive names,
// counted handles, HKEY_LOCAL_MACHINE's 64-bit view for a 32-bit process on 64-bit Windows
// (after SetWow64), and failures a test injects.
struct CaseInsensitiveLess {
  bool operator()(const std::wstring& a, const std::wstring& b) const;
};

class FakeRegistry : public IRegistry {
 public:
  struct Value {
    uint32_t type = 0;
    std::vector<uint8_t> data;
  };
  using Values = std::vector<std::pair<std::wstring, Value>>;  // in the order written

  void SetWow64(bool on) { wow64_ = on; }
  // Paths are "HKEY_CURRENT_USER\\Software\\..."; view64 means HKLM's 64-bit view.
  void AddKey(const std::wstring& path, bool view64 = false);
  void SetValue(const std::wstring& path, const std::wstring& name, uint32_t type,
                std::vector<uint8_t> data, bool view64 = false);
  void SetString(const std::wstring& path, const std::wstring& name, const std::string& text,
                 bool view64 = false);  // REG_SZ with its NUL
  const Value* GetValue(const std::wstring& path, const std::wstring& name, bool view64 = false);
  // Later calls of that name whose sub-key or value name contains `match` fail with `code`,
  // `times` times (negative: always).
  void InjectFailure(const std::string& call, int32_t code, const std::wstring& match = L"",
                     int times = -1) {
    failures_.push_back({call, match, code, times});
  }
  int OpenHandles() const { return static_cast<int>(handles_.size()); }
  int calls = 0;                                          // registry calls made
  std::function<void(const std::wstring& name)> onQuery;  // runs first in every value query

  int32_t RegOpenKeyEx(RegKey hKey, const std::wstring& subKey, uint32_t, uint32_t sam,
                       RegKey& result) override;
  int32_t RegCreateKey(RegKey hKey, const std::wstring& subKey, RegKey& result) override {
    return Create("RegCreateKey", hKey, subKey, 0, result);
  }
  int32_t RegCreateKeyEx(RegKey hKey, const std::wstring& subKey, uint32_t, const std::wstring*,
                         uint32_t, uint32_t sam, RegKey& result, uint32_t*) override {
    return Create("RegCreateKeyEx", hKey, subKey, sam, result);
  }
  int32_t RegCloseKey(RegKey hKey) override;
  int32_t RegQueryValueEx(RegKey hKey, const std::wstring& valueName, uint32_t* type, uint8_t* data,
                          uint32_t* cbData) override;
  int32_t RegSetValueEx(RegKey hKey, const std::wstring& valueName, uint32_t, uint32_t type,
                        const uint8_t* data, uint32_t cbData) override;
  int32_t RegDeleteValue(RegKey hKey, const std::wstring& valueName) override;
  int32_t RegDeleteKey(RegKey hKey, const std::wstring& subKey) override {
    return DeleteKey("RegDeleteKey", hKey, subKey, 0);
  }
  int32_t RegDeleteKeyEx(RegKey hKey, const std::wstring& subKey, uint32_t sam, uint32_t) override {
    return DeleteKey("RegDeleteKeyEx", hKey, subKey, sam);
  }
  int32_t RegQueryInfoKey(RegKey hKey, char*, uint32_t* clsLen, uint32_t* subKeys,
                          uint32_t* maxSubKeyLen, uint32_t* maxClassLen, uint32_t* values,
                          uint32_t* maxValueNameLen, uint32_t* maxValueLen, uint32_t*,
                          uint64_t*) override;
  int32_t RegEnumKeyEx(RegKey hKey, uint32_t index, char* name, uint32_t& nameLen, char*,
                       uint32_t* clsLen, uint64_t*) override;
  int32_t RegEnumValue(RegKey hKey, uint32_t index, char* name, uint32_t& nameLen, uint32_t* type,
                       uint8_t* data, uint32_t* dataLen) override;

 private:
  struct Failure {
    std::string call;
    std::wstring match;
    int32_t code;
    int times;
  };
  int32_t Check(const char* call, const std::wstring& name);
  // A key's id: its root's number and its path as first written; empty for a bad handle or path.
  std::wstring Resolve(RegKey hKey, const std::wstring& subKey, uint32_t sam) const;
  std::wstring Id(const std::wstring& path, bool view64) const;
  Values* Find(const std::wstring& id);
  Values& Make(const std::wstring& id);
  std::vector<std::wstring> Children(const std::wstring& id) const;  // their names
  int32_t Create(const char* call, RegKey hKey, const std::wstring& subKey, uint32_t sam,
                 RegKey& result);
  int32_t DeleteKey(const char* call, RegKey hKey, const std::wstring& subKey, uint32_t sam);

  bool wow64_ = false;
  std::map<std::wstring, Values, CaseInsensitiveLess> keys_;  // by id; roots are always there
  std::map<RegKey, std::wstring> handles_;
  RegKey next_ = 0x1000;
  std::vector<Failure> failures_;
};

class FakeCodePage : public ICodePage {
 public:
  std::string ToAnsi(const std::wstring& text) override;
  std::wstring FromAnsi(const std::string& bytes) override;
};

struct FakeFile {
  uint32_t attributes = 0x20;  // 0x10: a folder
  uint32_t killError = 0;      // the Win32 code deleting it meets
  uint32_t reparseTag = 0;     // its find record's dwReserved0
  std::wstring linkTarget;     // a file link: setting attributes reaches the target
  // Reported deleted but still there: until its holder closes it (a second deletion is refused
  // with 5; on FAT queries are refused with 5 too), or for good on a medium that loses deletions.
  enum class OnDelete { Goes, Pending, PendingFat, Stays } onDelete = OnDelete::Goes;
  bool pending = false;
};

class FakeFiles : public IFiles {
 public:
  std::map<std::wstring, FakeFile> entries;  // by lower-case path
  uint32_t driveType = 3;                    // every drive's
  bool redirectionOff = false, moveFails = false;
  std::vector<std::wstring> deleteAtReboot;
  void Add(const std::wstring& path, uint32_t attributes = 0x20);  // with its folders
  FakeFile* Get(const std::wstring& path);
  int OpenFindHandles() const { return static_cast<int>(finds_.size()); }

  bool Wow64DisableWow64FsRedirection(uintptr_t& old) override;
  bool Wow64RevertWow64FsRedirection(uintptr_t) override;
  int32_t FindFirstFile(const std::wstring& pattern, FindData& data) override;
  int32_t FindNextFile(int32_t handle, FindData& data) override;
  int32_t FindClose(int32_t handle) override { return static_cast<int32_t>(finds_.erase(handle)); }
  uint32_t GetFileAttributes(const std::wstring& path) override;
  int32_t MoveFileEx(const std::wstring& path, const std::wstring*, uint32_t) override;
  uint32_t GetDriveType(const std::wstring&) override { return driveType; }
  uint32_t GetLastError() override { return lastError_; }

 private:
  std::map<int32_t, std::pair<std::vector<FindData>, size_t>> finds_;  // entries, the next
  int32_t nextFind_ = 0x500;
  uint32_t lastError_ = 0;
};

struct MessageBoxCall {
  std::wstring prompt;
  int style = 0;
  std::optional<std::wstring> title;  // none given: the application's is shown
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

  int MessageBox(const std::wstring& prompt, int style, const std::wstring* title) override;
  double Shell(const std::wstring&, int) override;
  double ShellProgram(const std::wstring&, const std::wstring& line, int) override {
    return Shell(line, 0);
  }
  void SetAttr(const std::wstring& path, uint32_t attributes) override;
  void Kill(const std::wstring& path) override;
  void DoEvents() override {}
  void DoEventsWhenDue() override {}
  int64_t Now() override { return NowMilliseconds() / 1000; }
  int64_t NowMilliseconds() override { return std::exchange(clock, clock + clockStep); }
  void WaitForMessagesOrTimeout(uint32_t ms) override { waits++, clock += ms; }
  std::wstring AppPath() override { return L"C:\\Tools"; }
  std::wstring AppEXEName() override { return L"app"; }
  std::wstring Command() override { return L""; }
  float TwipsPerPixelX() override { return twipsX; }
  float TwipsPerPixelY() override { return twipsY; }

 private:
  FakeFile& Existing(const std::wstring& path);
  FakeFiles& files_;
};

// Names, folders and the volume: a system that answers nothing but what a test sets.
class FakeSystem : public ISystem {
 public:
  bool wow64 = false;  // with registry.SetWow64: a 32-bit process on 64-bit Windows
  bool privilegeHeld = true, privilegeEnabled = false;  // the shutdown privilege
  uint32_t volumeFlags = 0;
  std::array<uint32_t, 4> clusters{8, 512, 1000, 4000};  // sectors, bytes, free, total

  int32_t GetComputerName(std::string&, uint32_t&) override { return 0; }
  int32_t SetComputerName(const std::wstring&) override { return 0; }
  int32_t GetUserName(std::string&, uint32_t&) override { return 0; }
  int32_t GetVolumeInformation(const std::wstring&, std::string&, uint32_t, uint32_t*, uint32_t*,
                               uint32_t* flags, std::string&, uint32_t) override;
  int32_t GetDiskFreeSpace(const std::wstring&, uint32_t& sectorsPerCluster,
                           uint32_t& bytesPerSector, uint32_t& freeClusters,
                           uint32_t& totalClusters) override;
  uint32_t GetWindowsDirectory(std::string&, uint32_t) override { return 0; }
  uint32_t GetSystemDirectory(std::string&, uint32_t) override { return 0; }
  uint32_t GetTempPath(uint32_t, std::string&) override { return 0; }
  int32_t IsWow64Process(int32_t& result) override { return (result = wow64), 1; }
  int32_t AdjustTokenPrivilege(const std::wstring& privilege, bool enable,
                               bool& wasEnabled) override;
};

class FakeShell : public IShell {
 public:
  std::vector<std::pair<uint32_t, std::vector<uint8_t>>> notified;  // message, record
  std::vector<std::wstring> recentDocs;                             // "(null)" for none

  int32_t CoInitializeEx(uint32_t) override { return 0; }
  int32_t ShellExecute(int32_t, const std::wstring*, const std::wstring&, const std::wstring*,
                       const std::wstring*, int32_t) override {
    return 42;
  }
  int32_t Shell_NotifyIcon(uint32_t message, const std::vector<uint8_t>& record) override {
    notified.emplace_back(message, record);
    return 1;
  }
  int32_t SHGetFileInfo(const std::wstring&, uint32_t, std::vector<uint8_t>&, uint32_t,
                        uint32_t) override {
    return 0;
  }
  void SHAddToRecentDocs(uint32_t, const std::wstring* path) override {
    recentDocs.push_back(path ? *path : L"(null)");
  }
  int32_t ImageList_Draw(int32_t, int32_t, int32_t, int32_t, int32_t, uint32_t) override {
    return 0;
  }
};

class FakeMultimedia : public IMultimedia {
 public:
  std::vector<std::pair<std::wstring, uint32_t>> sounds;  // name, flags

  int32_t sndPlaySound(const std::wstring& sound, uint32_t flags) override {
    sounds.emplace_back(sound, flags);
    return 1;
  }
  uint32_t mciSendString(const std::wstring&, std::string&, uint32_t, int32_t) override {
    return 0;
  }
  uint32_t waveOutGetNumDevs() override { return 1; }
};

class FakeForms : public IForms {
 public:
  std::map<int, std::wstring> captions;
  std::map<int, uint32_t> colours;
  IFormEvents* events = nullptr;
  bool createFails = false;
  void Click(int id) { events->OnClick(id); }
  void Tick() { events->OnTimer(); }

  void CreateForm(const FormSpec& layout, IFormEvents& ev) override;
  void SetCaption(int id, const std::wstring& text) override { captions[id] = text; }
  void SetForeColour(int id, uint32_t colour) override { colours[id] = colour; }
  std::wstring Caption(int id) override { return captions[id]; }
  int RunMessageLoop() override { return 0; }
};

class FakeWindows : public IWindows {
 public:
  Point32 cursor;
  std::map<int32_t, std::vector<std::wstring>> listBoxes;  // rows added, per window
  std::function<void()> onAddString;                       // runs inside LB_ADDSTRING
  std::function<void(uint32_t flags)> onExitWindowsEx;     // sees the state the call is made in

  int32_t SendMessage(int32_t hwnd, uint32_t msg, int32_t, const std::wstring& text) override;
  int32_t GetCursorPos(Point32& point) override { return (point = cursor), 1; }
  int32_t ExitWindowsEx(uint32_t flags, uint32_t) override {
    if (onExitWindowsEx) onExitWindowsEx(flags);
    return 1;
  }
  // The rest must not run for real, or is checked on real windows under Wine.
  int32_t SetWindowPos(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, uint32_t) override {
    return 1;
  }
  int32_t SetWindowLong(int32_t, int32_t, int32_t) override { return 0; }
  int32_t FindWindow(const std::wstring*, const std::wstring*) override { return 0; }
  int32_t FindWindowEx(int32_t, int32_t, const std::wstring*, const std::wstring*) override {
    return 0;
  }
  int32_t SendMessage(int32_t, uint32_t, int32_t, int32_t) override { return 0; }
  int32_t DefWindowProc(int32_t, uint32_t, int32_t, int32_t) override { return 0; }
  int32_t ReleaseCapture() override { return 1; }
  int32_t ShowCursor(int32_t) override { return 0; }
  int32_t SetCursorPos(int32_t, int32_t) override { return 1; }
  int32_t SystemParametersInfo(uint32_t, uint32_t, Rect32&, uint32_t) override { return 1; }
  int32_t SystemParametersInfo(uint32_t, uint32_t, const std::wstring&, uint32_t) override {
    return 1;
  }
  int32_t SystemParametersInfo(uint32_t, uint32_t, int32_t&, uint32_t) override { return 1; }
  void keybd_event(uint8_t, uint8_t, uint32_t, uint32_t) override {}
  int32_t GetMenu(int32_t) override { return 0; }
  int32_t GetSubMenu(int32_t, int32_t) override { return 0; }
  int32_t GetMenuItemID(int32_t, int32_t) override { return -1; }
  int32_t SetMenuItemBitmaps(int32_t, uint32_t, uint32_t, int32_t, int32_t) override { return 1; }
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
