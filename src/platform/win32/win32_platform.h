// The real backend: each family of the seam implemented on Win32. Only files in this folder
// include <windows.h>.
#pragma once
#include "platform/win32/windows_include.h"

#include <map>
#include <memory>
#include <vector>

#include "platform/platform.h"

namespace qc::win32 {

// Predefined roots are negative 32-bit values, sign-extended to a pointer.
inline HKEY ToHkey(RegKey k) {
  return reinterpret_cast<HKEY>(static_cast<intptr_t>(static_cast<int32_t>(k)));
}
inline RegKey FromHkey(HKEY h) {
  return static_cast<RegKey>(reinterpret_cast<uintptr_t>(h));
}
// Window, menu, bitmap and icon handles travel as 32-bit values.
template <class H>
inline H ToHandle(int32_t v) {
  return reinterpret_cast<H>(static_cast<intptr_t>(v));
}
template <class H>
inline int32_t FromHandle(H h) {
  return static_cast<int32_t>(reinterpret_cast<intptr_t>(h));
}

std::string Ansi(const std::wstring& text);
// The ANSI form of a name, only when it names exactly the same thing: false for a text with a
// NUL in it or with a character that has no exact code in the code page.
bool ExactAnsi(const std::wstring& text, std::string& out);
// ExactAnsi for a path given to an A call: without an exact form it is refused as the system
// refuses a bad parameter (last error 87), since cut or best-fit mapped it would name another file.
bool ExactPath(const std::wstring& path, std::string& ansi);
std::wstring Wide(const std::string& ansi);

// A function of a system DLL that the program does not import: comctl32 and winmm are not
// among the DLLs the loader takes from the system folder by name, so they are loaded on first
// use, after the start-up has narrowed the DLL search to that folder. Null when it is missing.
void* SystemProc(const wchar_t* dll, const char* name);
template <class Fn>
Fn SystemFunction(const wchar_t* dll, const char* name) {
  return reinterpret_cast<Fn>(SystemProc(dll, name));
}

// An optional text for an "A" call: a null pointer passes NULL, the empty text passes "".
struct OptionalAnsi {
  explicit OptionalAnsi(const std::wstring* w) : present(w != nullptr), text(w ? Ansi(*w) : "") {}
  const char* get() const { return present ? text.c_str() : nullptr; }
  bool present;
  std::string text;
};

class Win32CodePage : public ICodePage {
 public:
  std::string ToAnsi(const std::wstring& text) override { return Ansi(text); }
  std::wstring FromAnsi(const std::string& bytes) override { return Wide(bytes); }
};

class Win32Registry : public IRegistry {
 public:
  int32_t RegOpenKeyEx(RegKey hKey, const std::wstring& subKey, uint32_t options,
                       uint32_t samDesired, RegKey& result) override;
  int32_t RegCreateKey(RegKey hKey, const std::wstring& subKey, RegKey& result) override;
  int32_t RegCreateKeyEx(RegKey hKey, const std::wstring& subKey, uint32_t reserved,
                         const std::wstring* cls, uint32_t options, uint32_t samDesired,
                         RegKey& result, uint32_t* disposition) override;
  int32_t RegCloseKey(RegKey hKey) override;
  int32_t RegQueryValueEx(RegKey hKey, const std::wstring& valueName, uint32_t* type, uint8_t* data,
                          uint32_t* cbData) override;
  int32_t RegSetValueEx(RegKey hKey, const std::wstring& valueName, uint32_t reserved,
                        uint32_t type, const uint8_t* data, uint32_t cbData) override;
  int32_t RegDeleteValue(RegKey hKey, const std::wstring& valueName) override;
  int32_t RegDeleteKey(RegKey hKey, const std::wstring& subKey) override;
  int32_t RegDeleteKeyEx(RegKey hKey, const std::wstring& subKey, uint32_t samDesired,
                         uint32_t reserved) override;
  int32_t RegQueryInfoKey(RegKey hKey, char* cls, uint32_t* clsLen, uint32_t* subKeys,
                          uint32_t* maxSubKeyLen, uint32_t* maxClassLen, uint32_t* values,
                          uint32_t* maxValueNameLen, uint32_t* maxValueLen,
                          uint32_t* securityDescriptor, uint64_t* lastWriteTime) override;
  int32_t RegEnumKeyEx(RegKey hKey, uint32_t index, char* name, uint32_t& nameLen, char* cls,
                       uint32_t* clsLen, uint64_t* lastWriteTime) override;
  int32_t RegEnumValue(RegKey hKey, uint32_t index, char* name, uint32_t& nameLen, uint32_t* type,
                       uint8_t* data, uint32_t* dataLen) override;
};

class Win32Runtime : public IRuntime {
 public:
  int MessageBox(const std::wstring& prompt, int style, const std::wstring* title) override;
  double Shell(const std::wstring& commandLine, int windowStyle) override;
  double ShellProgram(const std::wstring& application, const std::wstring& commandLine,
                      int windowStyle) override;
  void SetAttr(const std::wstring& path, uint32_t attributes) override;
  void Kill(const std::wstring& path) override;
  void DoEvents() override;
  void DoEventsWhenDue() override;
  int64_t Now() override;
  int64_t NowMilliseconds() override;
  void WaitForMessagesOrTimeout(uint32_t milliseconds) override;
  std::wstring AppPath() override;
  std::wstring AppEXEName() override;
  std::wstring Command() override;
  float TwipsPerPixelX() override;
  float TwipsPerPixelY() override;

 private:
  int64_t lastProcessed_ = 0;  // performance-counter reading when DoEvents last finished
};

class Win32Files : public IFiles {
 public:
  bool Wow64DisableWow64FsRedirection(uintptr_t& oldValue) override;
  bool Wow64RevertWow64FsRedirection(uintptr_t oldValue) override;
  int32_t FindFirstFile(const std::wstring& pattern, FindData& data) override;
  int32_t FindNextFile(int32_t handle, FindData& data) override;
  int32_t FindClose(int32_t handle) override;
  uint32_t GetFileAttributes(const std::wstring& path) override;
  int32_t MoveFileEx(const std::wstring& existing, const std::wstring* newName,
                     uint32_t flags) override;
  uint32_t GetDriveType(const std::wstring& rootPath) override;
  uint32_t GetLastError() override;
};

class Win32System : public ISystem {
 public:
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
  int32_t GetDiskFreeSpaceEx(const std::wstring& rootPath, uint64_t& freeToCaller,
                             uint64_t& totalBytes, uint64_t& totalFreeBytes) override;
  uint32_t GetWindowsDirectory(std::string& buffer, uint32_t size) override;
  uint32_t GetSystemWindowsDirectory(std::string& buffer, uint32_t size) override;
  uint32_t GetSystemDirectory(std::string& buffer, uint32_t size) override;
  uint32_t GetTempPath(uint32_t size, std::string& buffer) override;
  int32_t IsWow64Process(int32_t& wow64) override;
  int32_t AdjustTokenPrivilege(const std::wstring& privilege, bool enable,
                               bool& wasEnabled) override;
};

// The tray record the class builds (88 bytes, the 32-bit layout) in this build's own layout.
NOTIFYICONDATAA NotifyIconRecord(const std::vector<uint8_t>& record);

class Win32Shell : public IShell {
 public:
  int32_t CoInitializeEx(uint32_t coInit) override;
  int32_t ShellExecute(int32_t hwnd, const std::wstring* operation, const std::wstring& file,
                       const std::wstring* parameters, const std::wstring* directory,
                       int32_t showCommand) override;
  int32_t Shell_NotifyIcon(uint32_t message, const std::vector<uint8_t>& record) override;
  int32_t SHGetFileInfo(const std::wstring& path, uint32_t fileAttributes,
                        std::vector<uint8_t>& record, uint32_t recordSize, uint32_t flags) override;
  void SHAddToRecentDocs(uint32_t flags, const std::wstring* path) override;
  int32_t ImageList_Draw(int32_t imageList, int32_t index, int32_t dc, int32_t x, int32_t y,
                         uint32_t style) override;
};

class Win32Multimedia : public IMultimedia {
 public:
  int32_t sndPlaySound(const std::wstring& sound, uint32_t flags) override;
  uint32_t mciSendString(const std::wstring& command, std::string& reply, uint32_t replyLength,
                         int32_t callbackWindow) override;
  uint32_t waveOutGetNumDevs() override;
};

class Win32Processes : public IProcesses {
 public:
  int32_t CreateToolhelp32Snapshot(uint32_t flags, uint32_t processId) override;
  int32_t Process32First(int32_t snapshot, ProcessEntry& entry) override;
  int32_t Process32Next(int32_t snapshot, ProcessEntry& entry) override;
  int32_t OpenProcess(uint32_t access, int32_t inheritHandle, uint32_t processId) override;
  int32_t QueryFullProcessImageName(int32_t process, uint32_t flags,
                                    std::wstring& exeName) override;
  int32_t TerminateProcess(int32_t process, uint32_t exitCode) override;
  uint32_t WaitForMultipleObjects(const std::vector<int32_t>& handles, int32_t waitAll,
                                  uint32_t milliseconds) override;
  int32_t CreateFile(const std::wstring& path, uint32_t access, uint32_t shareMode,
                     uint32_t creationDisposition, uint32_t flags) override;
  int32_t GetFileInformationByHandle(int32_t file, FileIdentity& identity) override;
  int32_t CloseHandle(int32_t handle) override;
  uint32_t GetCurrentProcessId() override;
  uint32_t GetLastError() override;
};

class Win32Windows : public IWindows {
 public:
  int32_t SetWindowPos(int32_t hwnd, int32_t insertAfter, int32_t x, int32_t y, int32_t cx,
                       int32_t cy, uint32_t flags) override;
  int32_t SetWindowLong(int32_t hwnd, int32_t index, int32_t value) override;
  int32_t FindWindow(const std::wstring* className, const std::wstring* windowName) override;
  int32_t FindWindowEx(int32_t parent, int32_t childAfter, const std::wstring* className,
                       const std::wstring* windowName) override;
  int32_t SendMessage(int32_t hwnd, uint32_t msg, int32_t wParam, int32_t lParam) override;
  int32_t SendMessage(int32_t hwnd, uint32_t msg, int32_t wParam,
                      const std::wstring& text) override;
  int32_t DefWindowProc(int32_t hwnd, uint32_t msg, int32_t wParam, int32_t lParam) override;
  int32_t ReleaseCapture() override;
  int32_t ShowCursor(int32_t show) override;
  int32_t SetCursorPos(int32_t x, int32_t y) override;
  int32_t GetCursorPos(Point32& point) override;
  int32_t SystemParametersInfo(uint32_t action, uint32_t param, Rect32& rect,
                               uint32_t winIni) override;
  int32_t SystemParametersInfo(uint32_t action, uint32_t param, const std::wstring& text,
                               uint32_t winIni) override;
  int32_t SystemParametersInfo(uint32_t action, uint32_t param, int32_t& value,
                               uint32_t winIni) override;
  void keybd_event(uint8_t vk, uint8_t scan, uint32_t flags, uint32_t extraInfo) override;
  int32_t ExitWindowsEx(uint32_t flags, uint32_t reason) override;
  int32_t GetMenu(int32_t hwnd) override;
  int32_t GetSubMenu(int32_t menu, int32_t position) override;
  int32_t GetMenuItemID(int32_t menu, int32_t position) override;
  int32_t SetMenuItemBitmaps(int32_t menu, uint32_t item, uint32_t flags, int32_t uncheckedBitmap,
                             int32_t checkedBitmap) override;
};

class Win32Forms : public IForms {
 public:
  Win32Forms() = default;
  Win32Forms(const Win32Forms&) = delete;
  Win32Forms& operator=(const Win32Forms&) = delete;
  ~Win32Forms() override;

  void CreateForm(const FormSpec& layout, IFormEvents& events) override;
  void SetCaption(int controlId, const std::wstring& text) override;
  void SetForeColour(int controlId, uint32_t colour) override;
  std::wstring Caption(int controlId) override;
  int RunMessageLoop() override;

  // The window that owns the program's message boxes (null before the form exists).
  HWND MainWindow() const { return hwnd_; }
  // Keyboard navigation for a message taken from the queue; true when it was handled.
  bool PreTranslate(MSG& msg);

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Handle(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static COLORREF Resolve(uint32_t colour, int fallbackSysColour);
  // A window made only in part is none: destroys what was made and raises, as when the window
  // itself cannot be made.
  [[noreturn]] void Abandon(const char* what);

  struct FontDeleter {
    void operator()(HFONT f) const {
      if (f) DeleteObject(f);
    }
  };
  HWND hwnd_ = nullptr;
  HWND lastFocus_ = nullptr;
  IFormEvents* events_ = nullptr;
  std::map<int, uint32_t> colours_;
  // Each control's window and the caption last given to it: the timer rewrites the labels ten
  // times a second, and asking the window for either costs a round trip each time.
  std::map<int, HWND> controls_;
  std::map<int, std::wstring> captions_;
  std::vector<std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>> fonts_;
};

class Win32Platform : public Platform {
 public:
  ICodePage& CodePage() override { return codePage_; }
  IRegistry& Registry() override { return registry_; }
  IRuntime& Runtime() override { return runtime_; }
  IFiles& Files() override { return files_; }
  IForms& Forms() override { return forms_; }
  IWindows& Windows() override { return windows_; }
  ISystem& System() override { return system_; }
  IShell& Shell() override { return shell_; }
  IMultimedia& Multimedia() override { return multimedia_; }
  IProcesses& Processes() override { return processes_; }
  Win32Forms& Win32FormsBackend() { return forms_; }

 private:
  Win32CodePage codePage_;
  Win32Registry registry_;
  Win32Runtime runtime_;
  Win32Files files_;
  Win32Forms forms_;
  Win32Windows windows_;
  Win32System system_;
  Win32Shell shell_;
  Win32Multimedia multimedia_;
  Win32Processes processes_;
};

Win32Platform& TheWin32Platform();

}  // namespace qc::win32
