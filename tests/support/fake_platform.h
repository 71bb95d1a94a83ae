// The test double of the whole platform: an in-memory registry, a scripted runtime (message
// boxes answered from a script, a small file table for attributes and deletion), recorded
// forms, and Latin-1 as the ANSI code page. Every call is recorded in `log`.
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/call_log.h"
#include "support/fake_file_system.h"
#include "support/fake_registry.h"

namespace qc::test {

class FakeCodePage : public ICodePage {
 public:
  std::string ToAnsi(const std::wstring& text) override;
  std::wstring FromAnsi(const std::string& bytes) override;
};

struct MessageBoxCall {
  std::wstring prompt;
  int style = 0;
  std::optional<std::wstring> title;  // nullopt: none given (the application title is shown)
};

class FakeRuntime : public IRuntime {
 public:
  FakeRuntime(CallLog& log, FakeFileSystem& fs) : log_(log), fs_(fs) {}

  // Scripting and inspection.
  std::vector<MessageBoxCall> boxes;
  std::deque<int> answers;             // buttons to return; IDOK when empty
  std::function<void()> onMessageBox;  // runs inside the box, as a modal loop would
  bool shellFails = false;
  uint32_t shellError = 2;             // the Win32 code behind a failed start
  std::vector<std::wstring> started;   // command lines given to Shell or ShellProgram
  std::vector<std::wstring> programs;  // the program paths given to ShellProgram
  int64_t clock = 0;                   // milliseconds
  int64_t clockStep = 0;               // added after every reading
  int waits = 0;  // WaitForMessagesOrTimeout calls; each moves the clock on by the time given
  std::wstring appPath = L"C:\\Tools", exeName = L"app", command;
  float twipsX = 15, twipsY = 15;

  int MessageBox(const std::wstring& prompt, int style, const std::wstring* title) override;
  double Shell(const std::wstring& commandLine, int windowStyle) override;
  double ShellProgram(const std::wstring& application, const std::wstring& commandLine,
                      int windowStyle) override;
  void SetAttr(const std::wstring& path, uint32_t attributes) override;
  void Kill(const std::wstring& path) override;
  void DoEvents() override;
  void DoEventsWhenDue() override { DoEvents(); }  // no clock here: always due
  int64_t Now() override { return NowMilliseconds() / 1000; }
  int64_t NowMilliseconds() override;
  void WaitForMessagesOrTimeout(uint32_t milliseconds) override;
  std::wstring AppPath() override { return appPath; }
  std::wstring AppEXEName() override { return exeName; }
  std::wstring Command() override { return command; }
  float TwipsPerPixelX() override { return twipsX; }
  float TwipsPerPixelY() override { return twipsY; }

 private:
  FakeEntry& Lookup(const std::wstring& path);
  CallLog& log_;
  FakeFileSystem& fs_;
};

// File search, attributes and deferred deletion over the shared fake file system.
class FakeFiles : public IFiles {
 public:
  FakeFiles(CallLog& log, FakeFileSystem& fs) : log_(log), fs_(fs) {}
  bool wow64 = true;  // act as a 32-bit process on 64-bit Windows
  bool redirectionOff = false;
  std::vector<std::wstring> deleteAtReboot;  // MoveFileEx(path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT)
  bool moveFileExFails = false;
  std::map<wchar_t, uint32_t> driveTypes;  // by lower-case letter; unlisted drives are fixed (3)
  int OpenFindHandles() const { return static_cast<int>(finds_.size()); }

  bool Wow64DisableWow64FsRedirection(uintptr_t& oldValue) override;
  bool Wow64RevertWow64FsRedirection(uintptr_t oldValue) override;
  int32_t FindFirstFile(const std::wstring& pattern, FindData& data) override;
  int32_t FindNextFile(int32_t handle, FindData& data) override;
  int32_t FindClose(int32_t handle) override;
  uint32_t GetFileAttributes(const std::wstring& path) override;
  int32_t MoveFileEx(const std::wstring& existing, const std::wstring* newName,
                     uint32_t flags) override;
  uint32_t GetDriveType(const std::wstring& rootPath) override;
  uint32_t GetLastError() override { return lastError_; }

 private:
  bool ExactName(const std::wstring& path);  // false (error 87) where the A call would change it
  CallLog& log_;
  FakeFileSystem& fs_;
  std::map<int32_t, std::pair<std::vector<FindData>, size_t>> finds_;
  int32_t nextFind_ = 0x500;
  uint32_t lastError_ = 0;
};

// System facts a test sets; the buffers are filled as the "A" calls fill them.
class FakeSystem : public ISystem {
 public:
  explicit FakeSystem(CallLog& log) : log_(log) {}
  std::string computerName = "QUORINTEST", userName = "tester";
  bool fail = false;  // every call fails (returns 0) and leaves its buffers untouched
  struct Volume {
    std::string label, fileSystem = "NTFS";
    uint32_t serial = 0x1234ABCD, maxComponent = 255, flags = 0x3;
    uint32_t sectorsPerCluster = 8, bytesPerSector = 512, freeClusters = 1000, totalClusters = 4000;
  };
  std::map<wchar_t, Volume> volumes{{L'c', Volume{}}};  // by lower-case drive letter
  std::string windowsDir = "C:\\windows", systemDir = "C:\\windows\\system32",
              tempPath = "C:\\users\\tester\\Temp\\";

  int32_t GetComputerName(std::string& buffer, uint32_t& size) override;
  int32_t SetComputerName(const std::wstring& name) override;
  int32_t GetUserName(std::string& buffer, uint32_t& size) override;
  int32_t GetVolumeInformation(const std::wstring& rootPath, std::string& volumeName,
                               uint32_t volumeNameSize, uint32_t* serialNumber,
                               uint32_t* maxComponentLength, uint32_t* fileSystemFlags,
                               std::string& fileSystemName, uint32_t fileSystemNameSize) override;
  int32_t GetDiskFreeSpace(const std::wstring& rootPath, uint32_t& sectorsPerCluster,
                           uint32_t& bytesPerSector, uint32_t& freeClusters,
                           uint32_t& totalClusters) override;
  uint32_t GetWindowsDirectory(std::string& buffer, uint32_t size) override;
  uint32_t GetSystemDirectory(std::string& buffer, uint32_t size) override;
  uint32_t GetTempPath(uint32_t size, std::string& buffer) override;
  int32_t IsWow64Process(int32_t& wow64) override;
  int32_t AdjustTokenPrivilege(const std::wstring& privilege, bool enable,
                               bool& wasEnabled) override;
  std::set<std::wstring> heldPrivileges{L"SeShutdownPrivilege"}, enabledPrivileges;
  bool wow64 = false;  // set with registry.SetWow64 to act as a 32-bit process on 64-bit Windows

 private:
  CallLog& log_;
};

// Records shell calls; answers from `results` (by call name).
class FakeShell : public IShell {
 public:
  explicit FakeShell(CallLog& log) : log_(log) {}
  std::map<std::string, int32_t> results;
  std::vector<std::vector<uint8_t>> notifyRecords;  // every record given to Shell_NotifyIcon
  // COM on the one thread: the mode set by the first CoInitializeEx (0: none yet), the number of
  // CoInitializeEx calls, and the shell calls made while it was not apartment-threaded.
  uint32_t comMode = 0;
  int comInits = 0, callsOutsideApartment = 0;

  int32_t CoInitializeEx(uint32_t coInit) override;

  int32_t ShellExecute(int32_t hwnd, const std::wstring* operation, const std::wstring& file,
                       const std::wstring* parameters, const std::wstring* directory,
                       int32_t showCommand) override;
  int32_t Shell_NotifyIcon(uint32_t message, const std::vector<uint8_t>& record) override;
  int32_t SHGetFileInfo(const std::wstring&, uint32_t, std::vector<uint8_t>&, uint32_t,
                        uint32_t) override {
    NeedsCom();
    return 0;
  }
  void SHAddToRecentDocs(uint32_t flags, const std::wstring* path) override;
  int32_t ImageList_Draw(int32_t, int32_t, int32_t, int32_t, int32_t, uint32_t) override {
    NeedsCom();
    return 0;
  }

 private:
  int32_t Result(const std::string& call, int32_t fallback) const {
    auto it = results.find(call);
    return it == results.end() ? fallback : it->second;
  }
  void NeedsCom() { callsOutsideApartment += comMode != 0x2 ? 1 : 0; }
  CallLog& log_;
};

class FakeMultimedia : public IMultimedia {
 public:
  explicit FakeMultimedia(CallLog& log) : log_(log) {}
  uint32_t devices = 1;

  int32_t sndPlaySound(const std::wstring& sound, uint32_t flags) override;
  uint32_t mciSendString(const std::wstring& command, std::string& reply, uint32_t replyLength,
                         int32_t callbackWindow) override;
  uint32_t waveOutGetNumDevs() override { return devices; }

 private:
  CallLog& log_;
};

class FakeForms : public IForms {
 public:
  explicit FakeForms(CallLog& log) : log_(log) {}
  std::optional<FormSpec> form;
  IFormEvents* events = nullptr;
  std::map<int, std::wstring> captions;
  std::map<int, uint32_t> colours;

  void Click(int id) { events->OnClick(id); }
  void Tick() { events->OnTimer(); }

  void CreateForm(const FormSpec& layout, IFormEvents& ev) override;
  void SetCaption(int controlId, const std::wstring& text) override;
  void SetForeColour(int controlId, uint32_t colour) override;
  std::wstring Caption(int controlId) override { return captions[controlId]; }
  int RunMessageLoop() override { return 0; }

 private:
  CallLog& log_;
};

// Records every windows call; answers from `results` (by call name) or from the fields below.
class FakeWindows : public IWindows {
 public:
  explicit FakeWindows(CallLog& log) : log_(log) {}
  Point32 cursor;
  Rect32 workArea{0, 0, 1024, 738};
  std::map<std::string, int32_t> results;                  // e.g. results["FindWindow"] = 0x1234
  std::map<int32_t, std::vector<std::wstring>> listBoxes;  // rows added by LB_ADDSTRING, per window
  std::function<void(uint32_t msg)> onSendMessage;  // runs inside SendMessage (re-entrancy tests)
  std::function<void(uint32_t flags)> onExitWindowsEx;  // sees the state the call is made in

  int32_t SetWindowPos(int32_t hwnd, int32_t insertAfter, int32_t x, int32_t y, int32_t cx,
                       int32_t cy, uint32_t flags) override;
  int32_t SetWindowLong(int32_t, int32_t, int32_t) override { return 0; }
  int32_t FindWindow(const std::wstring* className, const std::wstring* windowName) override;
  int32_t FindWindowEx(int32_t, int32_t, const std::wstring*, const std::wstring*) override {
    return 0;
  }
  int32_t SendMessage(int32_t hwnd, uint32_t msg, int32_t wParam, int32_t lParam) override;
  int32_t SendMessage(int32_t hwnd, uint32_t msg, int32_t wParam,
                      const std::wstring& text) override;
  int32_t DefWindowProc(int32_t, uint32_t, int32_t, int32_t) override { return 0; }
  int32_t ReleaseCapture() override { return 1; }
  int32_t ShowCursor(int32_t) override { return 0; }
  int32_t SetCursorPos(int32_t x, int32_t y) override {
    cursor = {x, y};
    return 1;
  }
  int32_t GetCursorPos(Point32& point) override;
  int32_t SystemParametersInfo(uint32_t action, uint32_t param, Rect32& rect,
                               uint32_t winIni) override;
  int32_t SystemParametersInfo(uint32_t, uint32_t, const std::wstring&, uint32_t) override {
    return 1;
  }
  int32_t SystemParametersInfo(uint32_t, uint32_t, int32_t&, uint32_t) override { return 1; }
  void keybd_event(uint8_t vk, uint8_t scan, uint32_t flags, uint32_t extraInfo) override;
  int32_t ExitWindowsEx(uint32_t flags, uint32_t reason) override;
  // Menus, bitmaps and window styles are checked on real windows under Wine.
  int32_t GetMenu(int32_t) override { return 0; }
  int32_t GetSubMenu(int32_t, int32_t) override { return 0; }
  int32_t GetMenuItemID(int32_t, int32_t) override { return -1; }
  int32_t SetMenuItemBitmaps(int32_t, uint32_t, uint32_t, int32_t, int32_t) override { return 1; }

 private:
  int32_t Result(const std::string& call, int32_t fallback) const {
    auto it = results.find(call);
    return it == results.end() ? fallback : it->second;
  }
  CallLog& log_;
};

class FakePlatform : public Platform {
 public:
  FakePlatform()
      : registry(&log),
        runtime(log, fs),
        files(log, fs),
        forms(log),
        windows(log),
        system(log),
        shell(log),
        multimedia(log) {}
  CallLog log;
  FakeFileSystem fs;
  FakeCodePage codePage;
  FakeRegistry registry;
  FakeRuntime runtime;
  FakeFiles files;
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
