// The test double of the whole platform: an in-memory registry, a small file table, message boxes
// kept, a clock that moves when told, Latin-1 as the ANSI code page. It keeps only what the tests
// read; every other call answers as a quiet, empty system would. Tests take the standard
// containers and the platform's constants from here.
#pragma once
#include <array>
#include <cstdint>
#include <cwchar>
#include <cwctype>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform/runtime_error.h"
#include "platform/win_constants.h"

namespace qc::test {

using std::string;
using std::wstring;
using Bytes = std::vector<uint8_t>;
// Short names for the long signatures of the interfaces.
using I = int32_t;
using U = uint32_t;
using W = const wstring&;

// The runtime error number a statement raises, 0 when it raises none.
template <class Statement>
int ErrorNumberOf(Statement&& statement) {
  try {
    return statement(), 0;
  } catch (const RuntimeError& e) {
    return e.number();
  }
}

struct CaseInsensitiveLess {
  bool operator()(W a, W b) const { return wcscasecmp(a.c_str(), b.c_str()) < 0; }
};

// Values as Windows keeps them: real status codes, case-insensitive names, counted handles, HKLM's
// 64-bit view for a 32-bit process on 64-bit Windows (after SetWow64), failures a test injects.
// Every key exists and none is deleted or listed: the real registry under Wine shows keys.
class FakeRegistry : public IRegistry {
 public:
  struct Value {
    U type = 0;
    Bytes data;
  };
  using Values = std::map<wstring, Value, CaseInsensitiveLess>;
  void SetWow64(bool on) { wow64_ = on; }
  // A key by its path, "HKEY_CURRENT_USER\\Software\\..."; view64: HKLM's 64-bit view.
  Values& Key(W path, bool view64 = false) { return keys_[(view64 ? L"64:" : L"") + path]; }
  void SetString(W path, W name, const string& text, bool view64 = false) {
    Key(path, view64)[name] = {win::REG_SZ, Bytes(text.c_str(), text.c_str() + text.size() + 1)};
  }
  const Value* GetValue(W path, W name, bool view64 = false) {
    return Key(path, view64).count(name) ? &Key(path, view64)[name] : nullptr;
  }
  // The next `times` calls of that name (negative: all) fail with `code`.
  void InjectFailure(const string& call, I code, int times = -1) {
    failures_.push_back({call, code, times});
  }
  int OpenHandles() const { return static_cast<int>(handles_.size()); }
  int calls = 0;                        // registry calls made
  std::function<void(W name)> onQuery;  // runs first in every value query
  // When set, the longest name and data RegQueryInfoKey reports.
  U reportedLongest = 0;

  I RegOpenKeyEx(RegKey k, W s, U, U a, RegKey& r) override { return Open(__func__, k, s, a, r); }
  I RegCreateKey(RegKey k, W s, RegKey& r) override { return Open(__func__, k, s, 0, r); }
  I RegCreateKeyEx(RegKey k, W sub, U, const wstring*, U, U sam, RegKey& r, U*) override {
    return Open(__func__, k, sub, sam, r);
  }
  I RegCloseKey(RegKey k) override {
    return ++calls, handles_.erase(k) ? 0 : win::ERROR_INVALID_HANDLE;
  }
  I RegQueryValueEx(RegKey, W, U*, uint8_t*, U*) override;
  I RegSetValueEx(RegKey k, W name, U, U type, const uint8_t* data, U size) override {
    Values* key = nullptr;
    if (I code = Use(__func__, k, key)) return code;
    return (*key)[name] = {type, Bytes(data, data + (data ? size : 0))}, 0;
  }
  I RegDeleteValue(RegKey k, W name) override {
    Values* key = nullptr;
    if (I code = Use(__func__, k, key)) return code;
    return key->erase(name) ? 0 : win::ERROR_FILE_NOT_FOUND;
  }
  I RegDeleteKey(RegKey, W) override { return Check(__func__, win::ERROR_ACCESS_DENIED); }
  I RegDeleteKeyEx(RegKey, W, U, U) override { return Check(__func__, win::ERROR_ACCESS_DENIED); }
  I RegQueryInfoKey(RegKey, char*, U*, U*, U*, U*, U*, U*, U*, U*, uint64_t*) override;
  I RegEnumKeyEx(RegKey, U, char*, U&, char*, U*, uint64_t*) override {
    return Check(__func__, win::ERROR_NO_MORE_ITEMS);
  }
  I RegEnumValue(RegKey, U, char*, U&, U*, uint8_t*, U*) override;

 private:
  // Counts the call; an injected failure's code, else `otherwise`.
  I Check(const char* call, I otherwise = 0) {
    ++calls;
    for (auto& [name, code, times] : failures_)
      if (name == call && times != 0) return times -= times > 0, code;
    return otherwise;
  }
  // The key's path from a root or an open key; empty for a bad handle or sub-key.
  wstring Resolve(RegKey k, W sub = L"", U sam = 0) const;
  I Open(const char* call, RegKey k, W sub, U sam, RegKey& result);
  // Counts the call: an injected failure's code, a bad handle's, or 0 with the key's values.
  I Use(const char* call, RegKey k, Values*& key) {
    const wstring id = Resolve(k);
    key = id.empty() ? nullptr : &keys_[id];
    const I code = Check(call);
    return code ? code : key ? 0 : win::ERROR_INVALID_HANDLE;
  }

  bool wow64_ = false;
  std::map<wstring, Values, CaseInsensitiveLess> keys_;
  std::map<RegKey, wstring> handles_;
  RegKey next_ = 0x1000;
  std::vector<std::tuple<string, I, I>> failures_;  // call, code, times
};

struct FakeFile {
  U attributes = 0x20;  // 0x10: a folder
  U killError = 0;      // the Win32 code deleting it meets
  U reparseTag = 0;     // its find record's dwReserved0
  wstring linkTarget;   // a file link: setting attributes reaches the target
  // Reported deleted but still there: until its holder closes it (a second deletion is refused
  // with 5; on FAT queries are refused with 5 too), or for good on a medium that loses deletions.
  enum class OnDelete { Goes, Pending, PendingFat, Stays } onDelete = OnDelete::Goes;
  bool pending = false;
  U fileIndex = 0;  // its identity: two paths with one index are one file under two spellings
};

class FakeFiles : public IFiles {
 public:
  std::map<wstring, FakeFile, CaseInsensitiveLess> entries;  // by path
  std::map<wchar_t, U> driveTypes;  // by lower-case letter; any other drive is fixed (3)
  bool redirectionOff = false, moveFails = false;
  std::vector<wstring> deleteAtReboot;
  FakeFile& Add(W path, U attributes = 0x20);  // with its folders
  FakeFile* Get(W path) { return entries.count(path) ? &entries.at(path) : nullptr; }
  int OpenFindHandles() const { return static_cast<int>(finds_.size()); }

  bool Wow64DisableWow64FsRedirection(uintptr_t& old) override {
    return old = std::exchange(redirectionOff, true), true;
  }
  bool Wow64RevertWow64FsRedirection(uintptr_t old) override { return redirectionOff = old, true; }
  I FindFirstFile(W pattern, FindData& data) override;
  I FindNextFile(I handle, FindData& data) override;
  I FindClose(I handle) override { return static_cast<I>(finds_.erase(handle)); }
  U GetFileAttributes(W path) override;
  I MoveFileEx(W path, const wstring*, U) override {
    return lastError_ = win::ERROR_ACCESS_DENIED, !moveFails && (deleteAtReboot.push_back(path), 1);
  }
  U GetDriveType(W root) override {
    const auto type = driveTypes.find(static_cast<wchar_t>(std::towlower(root[0])));
    return type == driveTypes.end() ? win::DRIVE_FIXED : type->second;
  }
  U GetLastError() override { return lastError_; }

 private:
  std::map<I, std::vector<FindData>> finds_;  // the entries still to come, last first
  I nextFind_ = 0x500;
  U nextIndex_ = 0;
  U lastError_ = 0;
};

// A process as the removal meets it.
struct FakeProcess {
  U id = 0;
  wstring exeName;              // its name in the snapshot
  std::vector<wstring> images;  // read by one image query each, the last repeats; none: refused
  bool running = true;
  bool endable = true;   // false: opening it to end it is refused with access denied
  bool lingers = false;  // ended, but still there when the wait runs out
  std::function<void()> onEnd = nullptr;  // runs once it has gone: a partner starting it again
  size_t queries = 0;
};

struct MessageBoxCall {
  wstring prompt;
  int style;
  wstring title;  // "(none)" for none
};

// The registry and the files apart; the other families answer nothing but what a test sets.
struct Families : ICodePage, IRuntime, ISystem, IShell, IMultimedia, IForms, IWindows {};
class FakePlatform : public Platform, Families, IProcesses {
 public:
  FakeRegistry registry;
  FakeFiles files;
  std::vector<MessageBoxCall> boxes;
  std::function<void()> onMessageBox;  // runs inside the box, as a modal loop would
  U shellError = 0;                    // a start fails with this Win32 code
  int64_t clock = 0, clockStep = 0;    // milliseconds; the step is added at every reading
  int waits = 0;                       // each moves the clock on by the time given
  float twipsX = 15, twipsY = 15;
  bool wow64 = false;  // with registry.SetWow64: a 32-bit process on 64-bit Windows
  bool privilegeHeld = true, privilegeEnabled = false;  // the shutdown privilege
  U volumeFlags = 0;
  string systemWindowsDirectory = "C:\\WINDOWS";  // empty: the call fails
  std::map<int, wstring> captions;                // the last caption and colour of each control
  std::map<int, U> colours;
  std::array<U, 4> clusters{8, 512, 1000, 4000};  // sectors, bytes, free, total
  std::vector<std::pair<U, Bytes>> notified;      // tray message, record
  std::vector<wstring> recentDocs;                // "(null)" for none
  std::vector<std::pair<wstring, U>> sounds;      // name, flags
  IFormEvents* events = nullptr;
  bool createFails = false;
  Point32 cursor;
  std::map<I, std::vector<wstring>> listBoxes;  // rows added, per window
  std::function<void()> onAddString;            // runs inside LB_ADDSTRING
  std::vector<std::pair<U, bool>> exits;        // flags, shutdown privilege enabled at the call
  std::vector<FakeProcess> processes;
  U processId = 4;  // the program's own
  int OpenKernelHandles() const { return static_cast<int>(kernelHandles_.size()); }

  uint64_t freeToCaller = 0, totalBytes = 0;  // GetDiskFreeSpaceEx's; both 0: no such call
  // What reaches the system: "file|parameters" to ShellExecute (failing, so Open With follows),
  std::vector<wstring> handedOn;  // "program|line" started, mciSendString and wallpaper texts
  int comInits = 0;
  static constexpr I kHighestShellFailure = 32;
  void Click(int id) { events->OnClick(id); }
  static I Log(std::vector<wstring>& log, W text, I answer) {
    log.push_back(text);
    return answer;
  }
  void Tick() { events->OnTimer(); }

  ICodePage& CodePage() override { return *this; }
  IRegistry& Registry() override { return registry; }
  IRuntime& Runtime() override { return *this; }
  IFiles& Files() override { return files; }
  IForms& Forms() override { return *this; }
  IWindows& Windows() override { return *this; }
  ISystem& System() override { return *this; }
  IShell& Shell() override { return *this; }
  IMultimedia& Multimedia() override { return *this; }
  IProcesses& Processes() override { return *this; }

  int MessageBox(W prompt, int style, const wstring* title) override {
    boxes.push_back({prompt, style, title ? *title : L"(none)"});
    return onMessageBox ? onMessageBox() : void(), win::IDOK;
  }
  double Shell(W, int) override {  // the runtime's; Shell() above is the shell family
    return shellError ? throw RuntimeError(kErrFileNotFound, {}, shellError) : 4242;
  }
  double ShellProgram(W program, W line, int) override {
    Log(handedOn, program + L"|" + line, 0);
    return Shell(line, 0);
  }
  void SetAttr(W path, U attributes) override;
  void Kill(W path) override;
  void DoEvents() override {}
  void DoEventsWhenDue() override {}
  int64_t Now() override { return NowMilliseconds() / 1000; }
  int64_t NowMilliseconds() override { return std::exchange(clock, clock + clockStep); }
  void WaitForMessagesOrTimeout(U ms) override { waits++, clock += ms; }
  wstring AppPath() override { return L"C:\\Tools"; }
  wstring AppEXEName() override { return L"app"; }
  wstring Command() override { return L""; }
  float TwipsPerPixelX() override { return twipsX; }
  float TwipsPerPixelY() override { return twipsY; }

  string ToAnsi(W text) override;  // Latin-1, '?' for the rest
  wstring FromAnsi(const string& bytes) override;

  I GetComputerName(string&, U&) override { return 0; }
  I SetComputerName(W) override { return 0; }
  I GetUserName(string&, U&) override { return 0; }
  I GetVolumeInformation(W, string&, U, U*, U*, U* flags, string&, U) override {
    return (*flags = volumeFlags), 1;
  }
  I GetDiskFreeSpace(W, U& sectors, U& bytes, U& free, U& total) override {
    return std::tie(sectors, bytes, free, total) = std::tuple_cat(clusters), 1;
  }
  I GetDiskFreeSpaceEx(W, uint64_t& toCaller, uint64_t& total, uint64_t&) override {
    toCaller = freeToCaller;
    total = totalBytes;
    return totalBytes != 0;
  }
  U GetWindowsDirectory(string&, U) override { return 0; }
  U GetSystemDirectory(string& out, U) override { return Folder(out, "C:\\WINDOWS\\system32"); }
  U GetSystemWindowsDirectory(string& out, U) override {
    return systemWindowsDirectory.empty() ? 0 : Folder(out, systemWindowsDirectory);
  }
  static U Folder(string& buffer, const string& folder) {
    buffer.replace(0, folder.size(), folder);
    return static_cast<U>(folder.size());
  }
  U GetTempPath(U, string&) override { return 0; }
  I IsWow64Process(I& result) override { return (result = wow64), 1; }
  I AdjustTokenPrivilege(W privilege, bool enable, bool& wasEnabled) override {
    if (!privilegeHeld || privilege != win::SE_SHUTDOWN_NAME) return 0;
    return wasEnabled = std::exchange(privilegeEnabled, enable), 1;
  }

  I CoInitializeEx(U) override {
    ++comInits;
    return 0;
  }
  I ShellExecute(I, const wstring*, W file, const wstring* parameters, const wstring*, I) override {
    return Log(handedOn, file + L"|" + (parameters ? *parameters : L""), kHighestShellFailure);
  }
  I Shell_NotifyIcon(U m, const Bytes& r) override { return notified.emplace_back(m, r), 1; }
  I SHGetFileInfo(W, U, Bytes&, U, U) override { return 0; }
  void SHAddToRecentDocs(U, const wstring* p) override { recentDocs.push_back(p ? *p : L"(null)"); }
  I ImageList_Draw(I, I, I, I, I, U) override { return 0; }

  I sndPlaySound(W sound, U flags) override { return sounds.emplace_back(sound, flags), 1; }
  U mciSendString(W command, string&, U, I) override { return Log(handedOn, command, 0); }
  U waveOutGetNumDevs() override { return 1; }

  void CreateForm(const FormSpec&, IFormEvents& ev) override {
    events = createFails ? throw RuntimeError(kErrOutOfMemory, {}, 1400) : &ev;
  }
  void SetCaption(int id, W text) override { captions[id] = text; }
  void SetForeColour(int id, U colour) override { colours[id] = colour; }
  wstring Caption(int id) override { return captions[id]; }
  int RunMessageLoop() override { return 0; }

  I SendMessage(I hwnd, U msg, I, W text) override {
    if (msg == win::LB_ADDSTRING && (listBoxes[hwnd].push_back(text), onAddString)) onAddString();
    return 0;
  }
  I GetCursorPos(Point32& point) override { return (point = cursor), 1; }
  I ExitWindowsEx(U flags, U) override { return exits.emplace_back(flags, privilegeEnabled), 1; }
  // The rest must not run for real, or is checked on real windows under Wine.
  I SetWindowPos(I, I, I, I, I, I, U) override { return 1; }
  I SetWindowLong(I, I, I) override { return 0; }
  I FindWindow(const wstring*, const wstring*) override { return 0; }
  I FindWindowEx(I, I, const wstring*, const wstring*) override { return 0; }
  I SendMessage(I, U, I, I) override { return 0; }
  I DefWindowProc(I, U, I, I) override { return 0; }
  I ReleaseCapture() override { return 1; }
  I ShowCursor(I) override { return 0; }
  I SetCursorPos(I, I) override { return 1; }
  I SystemParametersInfo(U, U, Rect32&, U) override { return 1; }
  I SystemParametersInfo(U, U, W text, U) override { return Log(handedOn, text, 1); }
  I SystemParametersInfo(U, U, I&, U) override { return 1; }
  void keybd_event(uint8_t, uint8_t, U, U) override {}
  I GetMenu(I) override { return 0; }
  I GetSubMenu(I, I) override { return 0; }
  I GetMenuItemID(I, I) override { return -1; }
  I SetMenuItemBitmaps(I, U, U, I, I) override { return 1; }

  I CreateToolhelp32Snapshot(U, U) override;
  I Process32First(I snapshot, ProcessEntry& entry) override;
  I Process32Next(I snapshot, ProcessEntry& entry) override;
  I OpenProcess(U access, I, U id) override;
  I QueryFullProcessImageName(I process, U, wstring& exeName) override;
  I TerminateProcess(I process, U) override;
  U WaitForMultipleObjects(const std::vector<I>& handles, I waitAll, U ms) override;
  I CreateFile(W path, U, U, U, U) override;
  I GetFileInformationByHandle(I file, FileIdentity& identity) override;
  I CloseHandle(I handle) override { return static_cast<I>(kernelHandles_.erase(handle)); }
  U GetCurrentProcessId() override { return processId; }
  U GetLastError() override { return lastError_; }

 private:
  // What a kernel handle stands for: a snapshot (the ids and names it took, and how far it was
  // read), a process or a file (by index).
  struct KernelObject {
    std::vector<ProcessEntry> taken;
    size_t next = 0;
    size_t process = 0;
    U fileIndex = 0;
  };
  I Issue(KernelObject object) {
    kernelHandles_[nextHandle_] = std::move(object);
    return nextHandle_++;
  }
  U IndexOf(W path) {
    const FakeFile* f = files.Get(path);
    return f && !(f->attributes & win::FILE_ATTRIBUTE_DIRECTORY) ? f->fileIndex : 0;
  }
  std::map<I, KernelObject> kernelHandles_;
  I nextHandle_ = 0x700;
  U lastError_ = 0;
};

}  // namespace qc::test
