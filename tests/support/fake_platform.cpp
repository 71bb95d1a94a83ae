#include "support/fake_platform.h"

#include <algorithm>
#include <cwctype>

#include "platform/runtime_error.h"
#include "platform/win_constants.h"

namespace qc {

// In native builds the process's own platform is the double.
Platform& DefaultPlatform() {
  static test::FakePlatform platform;
  return platform;
}

namespace test {

std::string FakeCodePage::ToAnsi(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  for (wchar_t c : text) out += static_cast<char>(static_cast<uint32_t>(c) < 256 ? c : L'?');
  return out;
}

std::wstring FakeCodePage::FromAnsi(const std::string& bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  for (char c : bytes) out += static_cast<wchar_t>(static_cast<unsigned char>(c));
  return out;
}

int FakeRuntime::MessageBox(const std::wstring& prompt, int style, const std::wstring* title) {
  log_.Add("MessageBox", prompt, style, title ? *title : std::wstring(L"<app>"));
  boxes.push_back({prompt, style, title ? std::optional<std::wstring>(*title) : std::nullopt});
  if (onMessageBox) onMessageBox();
  int answer = win::IDOK;
  if (!answers.empty()) {
    answer = answers.front();
    answers.pop_front();
  }
  return answer;
}

double FakeRuntime::Shell(const std::wstring& commandLine, int windowStyle) {
  log_.Add("Shell", commandLine, windowStyle);
  if (shellFails) throw RuntimeError(kErrFileNotFound, {}, shellError);
  started.push_back(commandLine);
  return 4242;
}

double FakeRuntime::ShellProgram(const std::wstring& application, const std::wstring& commandLine,
                                 int windowStyle) {
  log_.Add("ShellProgram", application, commandLine, windowStyle);
  if (shellFails) throw RuntimeError(kErrFileNotFound, {}, win::ERROR_FILE_NOT_FOUND);
  programs.push_back(application);
  started.push_back(commandLine);
  return 4243;
}

FakeEntry& FakeRuntime::Lookup(const std::wstring& path) {
  if (const uint32_t folderError = fs_.FolderError(path)) {
    throw RuntimeError(kErrPathNotFound, {}, folderError);
  }
  FakeEntry* e = fs_.Get(path);
  if (!e) throw RuntimeError(kErrFileNotFound, {}, win::ERROR_FILE_NOT_FOUND);
  return *e;
}

void FakeRuntime::SetAttr(const std::wstring& path, uint32_t attributes) {
  log_.Add("SetAttr", path, attributes);
  FakeEntry* e = &Lookup(path);
  if (!e->linkTarget.empty()) e = &Lookup(e->linkTarget);  // follows the link, as under Wine
  if (e->writeProtected) throw RuntimeError(kErrPathFileAccess, {}, win::ERROR_WRITE_PROTECT);
  e->attributes = (e->attributes & win::FILE_ATTRIBUTE_DIRECTORY) | attributes;
}

void FakeRuntime::Kill(const std::wstring& path) {
  log_.Add("Kill", path);
  FakeEntry& e = Lookup(path);
  if (e.directory()) throw RuntimeError(kErrFileNotFound, {}, win::ERROR_FILE_NOT_FOUND);
  if (e.writeProtected) throw RuntimeError(kErrPathFileAccess, {}, win::ERROR_WRITE_PROTECT);
  if (e.inUse) throw RuntimeError(kErrPathFileAccess, {}, win::ERROR_SHARING_VIOLATION);
  if (e.pending || (e.attributes & win::FILE_ATTRIBUTE_READONLY)) {
    throw RuntimeError(kErrPathFileAccess, {}, win::ERROR_ACCESS_DENIED);
  }
  if (e.onDelete == FakeEntry::OnDelete::Goes) {
    fs_.Remove(path);
  } else {
    e.pending = e.onDelete != FakeEntry::OnDelete::Stays;
  }
}

void FakeRuntime::DoEvents() {
  log_.Add("DoEvents");
}

int64_t FakeRuntime::NowMilliseconds() {
  const int64_t now = clock;
  clock += clockStep;
  return now;
}

void FakeRuntime::WaitForMessagesOrTimeout(uint32_t milliseconds) {
  log_.Add("WaitForMessagesOrTimeout", milliseconds);
  ++waits;
  clock += milliseconds;
}

bool FakeFiles::Wow64DisableWow64FsRedirection(uintptr_t& oldValue) {
  log_.Add("Wow64DisableWow64FsRedirection");
  if (!wow64) return false;
  oldValue = redirectionOff ? 1 : 0;
  redirectionOff = true;
  return true;
}

bool FakeFiles::Wow64RevertWow64FsRedirection(uintptr_t oldValue) {
  log_.Add("Wow64RevertWow64FsRedirection", static_cast<uint32_t>(oldValue));
  if (!wow64) return false;
  redirectionOff = oldValue != 0;
  return true;
}

namespace {

bool WildcardMatch(const std::wstring& pattern, const std::wstring& name) {
  // '*' any run, '?' one character; case-insensitive as on Windows. "*.*" matches every name.
  if (pattern == L"*.*") return true;
  size_t p = 0, n = 0, star = std::wstring::npos, mark = 0;
  auto eq = [](wchar_t a, wchar_t b) { return std::towlower(a) == std::towlower(b); };
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == L'?' || eq(pattern[p], name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == L'*') {
      star = p++;
      mark = n;
    } else if (star != std::wstring::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == L'*') ++p;
  return p == pattern.size();
}

FindData MakeFindData(const std::string& name, const FakeEntry& e) {
  FindData d;
  d.dwFileAttributes = e.attributes;
  d.nFileSizeHigh = static_cast<uint32_t>(e.size >> 32);
  d.nFileSizeLow = static_cast<uint32_t>(e.size);
  d.dwReserved0 = e.reparseTag;
  d.cFileName = name;
  d.cFileName.resize(260, '\0');  // the raw buffer: the name, then NULs
  return d;
}

}  // namespace

bool FakeFiles::ExactName(const std::wstring& path) {
  for (wchar_t c : path) {
    if (c == 0 || static_cast<uint32_t>(c) > 0xFF) {  // cut or best-fit mapped by the A call
      lastError_ = win::ERROR_INVALID_PARAMETER;
      return false;
    }
  }
  return true;
}

int32_t FakeFiles::FindFirstFile(const std::wstring& pattern, FindData& data) {
  log_.Add("FindFirstFile", pattern);
  if (!ExactName(pattern)) return win::INVALID_HANDLE_VALUE;
  const size_t slash = pattern.find_last_of(L'\\');
  const std::wstring folder = slash == std::wstring::npos ? L"" : pattern.substr(0, slash);
  const std::wstring mask = pattern.substr(slash + 1);
  const FakeEntry* dir = fs_.Get(folder);
  if (!dir || !dir->directory()) {
    lastError_ = fs_.FolderError(pattern) ? fs_.FolderError(pattern) : win::ERROR_PATH_NOT_FOUND;
    return win::INVALID_HANDLE_VALUE;
  }
  if (dir->unreadable) {
    lastError_ = win::ERROR_ACCESS_DENIED;
    return win::INVALID_HANDLE_VALUE;
  }
  std::vector<FindData> found;
  FakeCodePage cp;
  if (FakeFileSystem::Key(folder).size() > 2) {  // folders below a root list "." and ".."
    FakeEntry dot{0x10};
    if (WildcardMatch(mask, L".")) found.push_back(MakeFindData(".", dot));
    if (WildcardMatch(mask, L"..")) found.push_back(MakeFindData("..", dot));
  }
  for (const std::wstring& name : fs_.Children(folder)) {
    if (WildcardMatch(mask, name))
      found.push_back(MakeFindData(cp.ToAnsi(name), *fs_.Get(folder + L"\\" + name)));
  }
  if (found.empty()) {
    lastError_ = win::ERROR_FILE_NOT_FOUND;
    return win::INVALID_HANDLE_VALUE;
  }
  const int32_t h = nextFind_++;
  data = found[0];
  finds_[h] = {std::move(found), 1};
  return h;
}

int32_t FakeFiles::FindNextFile(int32_t handle, FindData& data) {
  log_.Add("FindNextFile", handle);
  auto it = finds_.find(handle);
  if (it == finds_.end()) {
    lastError_ = win::ERROR_INVALID_HANDLE;
    return 0;
  }
  auto& [entries, next] = it->second;
  if (next >= entries.size()) {
    lastError_ = win::ERROR_NO_MORE_FILES;
    return 0;
  }
  data = entries[next++];
  return 1;
}

int32_t FakeFiles::FindClose(int32_t handle) {
  log_.Add("FindClose", handle);
  return finds_.erase(handle) ? 1 : 0;
}

uint32_t FakeFiles::GetFileAttributes(const std::wstring& path) {
  log_.Add("GetFileAttributes", path);
  if (!ExactName(path)) return win::INVALID_FILE_ATTRIBUTES;
  if (fs_.FolderError(path)) {
    lastError_ = fs_.FolderError(path);
    return win::INVALID_FILE_ATTRIBUTES;
  }
  const FakeEntry* e = fs_.Get(path);
  if (!e) {
    lastError_ = win::ERROR_FILE_NOT_FOUND;
    return win::INVALID_FILE_ATTRIBUTES;
  }
  if (e->pending && e->onDelete == FakeEntry::OnDelete::PendingFat) {
    lastError_ = win::ERROR_ACCESS_DENIED;
    return win::INVALID_FILE_ATTRIBUTES;
  }
  return e->attributes;
}

int32_t FakeFiles::MoveFileEx(const std::wstring& existing, const std::wstring* newName,
                              uint32_t flags) {
  log_.Add("MoveFileEx", existing, newName ? *newName : std::wstring(L"NULL"), flags);
  if (!ExactName(existing) || (newName && !ExactName(*newName))) return 0;
  if (moveFileExFails) {
    lastError_ = win::ERROR_ACCESS_DENIED;
    return 0;
  }
  if (!newName && (flags & win::MOVEFILE_DELAY_UNTIL_REBOOT)) deleteAtReboot.push_back(existing);
  return 1;
}

uint32_t FakeFiles::GetDriveType(const std::wstring& rootPath) {
  log_.Add("GetDriveType", rootPath);
  const wchar_t letter = static_cast<wchar_t>(std::towlower(rootPath.empty() ? L'?' : rootPath[0]));
  auto it = driveTypes.find(letter);
  if (it != driveTypes.end()) return it->second;
  return fs_.Exists(rootPath.substr(0, 2)) ? 3 : 1;  // fixed, or no such root
}

namespace {

// Fills an "A" receive buffer: the text, its NUL, the rest as the caller left it.
void Fill(std::string& buffer, uint32_t size, const std::string& text) {
  if (buffer.size() < size) buffer.resize(size, ' ');
  const size_t n = std::min<size_t>(text.size(), size ? size - 1 : 0);
  buffer.replace(0, n, text.substr(0, n));
  if (size) buffer[n] = '\0';
}

}  // namespace

int32_t FakeSystem::GetComputerName(std::string& buffer, uint32_t& size) {
  log_.Add("GetComputerName", size);
  if (fail) return 0;
  Fill(buffer, size, computerName);
  size = static_cast<uint32_t>(computerName.size());
  return 1;
}

int32_t FakeSystem::SetComputerName(const std::wstring& name) {
  log_.Add("SetComputerName", name);
  if (fail) return 0;
  computerName = CallLog::Narrow(name);
  return 1;
}

int32_t FakeSystem::GetUserName(std::string& buffer, uint32_t& size) {
  log_.Add("GetUserName", size);
  if (fail) return 0;
  Fill(buffer, size, userName);
  size = static_cast<uint32_t>(userName.size() + 1);  // the user name's count includes its NUL
  return 1;
}

int32_t FakeSystem::GetVolumeInformation(const std::wstring& rootPath, std::string& volumeName,
                                         uint32_t volumeNameSize, uint32_t* serialNumber,
                                         uint32_t* maxComponentLength, uint32_t* fileSystemFlags,
                                         std::string& fileSystemName, uint32_t fileSystemNameSize) {
  log_.Add("GetVolumeInformation", rootPath, volumeNameSize, fileSystemNameSize);
  auto it = rootPath.empty() ? volumes.end()
                             : volumes.find(static_cast<wchar_t>(std::towlower(rootPath[0])));
  if (fail || it == volumes.end()) return 0;
  Fill(volumeName, volumeNameSize, it->second.label);
  Fill(fileSystemName, fileSystemNameSize, it->second.fileSystem);
  if (serialNumber) *serialNumber = it->second.serial;
  if (maxComponentLength) *maxComponentLength = it->second.maxComponent;
  if (fileSystemFlags) *fileSystemFlags = it->second.flags;
  return 1;
}

int32_t FakeSystem::GetDiskFreeSpace(const std::wstring& rootPath, uint32_t& sectorsPerCluster,
                                     uint32_t& bytesPerSector, uint32_t& freeClusters,
                                     uint32_t& totalClusters) {
  log_.Add("GetDiskFreeSpace", rootPath);
  auto it = rootPath.empty() ? volumes.end()
                             : volumes.find(static_cast<wchar_t>(std::towlower(rootPath[0])));
  if (fail || it == volumes.end()) return 0;
  sectorsPerCluster = it->second.sectorsPerCluster;
  bytesPerSector = it->second.bytesPerSector;
  freeClusters = it->second.freeClusters;
  totalClusters = it->second.totalClusters;
  return 1;
}

uint32_t FakeSystem::GetWindowsDirectory(std::string& buffer, uint32_t size) {
  log_.Add("GetWindowsDirectory", size);
  if (fail) return 0;
  Fill(buffer, size, windowsDir);
  return static_cast<uint32_t>(windowsDir.size());
}

uint32_t FakeSystem::GetSystemDirectory(std::string& buffer, uint32_t size) {
  log_.Add("GetSystemDirectory", size);
  if (fail) return 0;
  Fill(buffer, size, systemDir);
  return static_cast<uint32_t>(systemDir.size());
}

uint32_t FakeSystem::GetTempPath(uint32_t size, std::string& buffer) {
  log_.Add("GetTempPath", size);
  if (fail) return 0;
  Fill(buffer, size, tempPath);
  return static_cast<uint32_t>(tempPath.size());
}

int32_t FakeSystem::IsWow64Process(int32_t& result) {
  log_.Add("IsWow64Process");
  result = wow64 ? 1 : 0;
  return 1;
}

int32_t FakeSystem::AdjustTokenPrivilege(const std::wstring& privilege, bool enable,
                                         bool& wasEnabled) {
  log_.Add("AdjustTokenPrivilege", privilege, enable);
  if (!heldPrivileges.count(privilege)) return 0;
  wasEnabled = enabledPrivileges.count(privilege) != 0;
  if (enable) {
    enabledPrivileges.insert(privilege);
  } else {
    enabledPrivileges.erase(privilege);
  }
  return 1;
}

namespace {
std::string Opt(const std::wstring* w) {
  return w ? "\"" + CallLog::Narrow(*w) + "\"" : "NULL";
}
}  // namespace

int32_t FakeShell::CoInitializeEx(uint32_t coInit) {
  ++comInits;
  if (comMode == 0) comMode = coInit;
  if (comMode != coInit) return static_cast<int32_t>(0x80010106u);  // RPC_E_CHANGED_MODE
  return comInits == 1 ? 0 : 1;                                     // S_OK, then S_FALSE
}

int32_t FakeShell::ShellExecute(int32_t hwnd, const std::wstring* operation,
                                const std::wstring& file, const std::wstring* parameters,
                                const std::wstring* directory, int32_t showCommand) {
  NeedsCom();
  log_.Add("ShellExecute", hwnd, Opt(operation), file, Opt(parameters), Opt(directory),
           showCommand);
  return Result("ShellExecute", 42);
}

int32_t FakeShell::Shell_NotifyIcon(uint32_t message, const std::vector<uint8_t>& record) {
  log_.Add("Shell_NotifyIcon", message, static_cast<uint32_t>(record.size()));
  notifyRecords.push_back(record);
  return Result("Shell_NotifyIcon", 1);
}

void FakeShell::SHAddToRecentDocs(uint32_t flags, const std::wstring* path) {
  NeedsCom();
  log_.Add("SHAddToRecentDocs", flags, Opt(path));
}

int32_t FakeMultimedia::sndPlaySound(const std::wstring& sound, uint32_t flags) {
  log_.Add("sndPlaySound", sound, CallLog::Hex(flags));
  return 1;
}

uint32_t FakeMultimedia::mciSendString(const std::wstring& command, std::string& reply,
                                       uint32_t replyLength, int32_t callbackWindow) {
  log_.Add("mciSendString", command, replyLength, callbackWindow);
  if (reply.size() < replyLength) reply.resize(replyLength, ' ');
  return 0;
}

void FakeForms::CreateForm(const FormSpec& layout, IFormEvents& ev) {
  log_.Add("CreateForm", layout.caption);
  form = layout;
  events = &ev;
  for (const auto& c : layout.controls) {
    captions[c.id] = c.caption;
    colours[c.id] = c.foreColour;
  }
}

void FakeForms::SetCaption(int controlId, const std::wstring& text) {
  log_.Add("SetCaption", controlId, text);
  captions[controlId] = text;
}

void FakeForms::SetForeColour(int controlId, uint32_t colour) {
  log_.Add("SetForeColour", controlId, CallLog::Hex(colour));
  colours[controlId] = colour;
}

namespace {
std::string Text(const std::wstring* w) {
  return w ? "\"" + CallLog::Narrow(*w) + "\"" : "NULL";
}
constexpr uint32_t kListBoxAddString = 0x180;
}  // namespace

int32_t FakeWindows::SetWindowPos(int32_t hwnd, int32_t insertAfter, int32_t x, int32_t y,
                                  int32_t cx, int32_t cy, uint32_t flags) {
  log_.Add("SetWindowPos", hwnd, insertAfter, x, y, cx, cy, CallLog::Hex(flags));
  return Result("SetWindowPos", 1);
}

int32_t FakeWindows::FindWindow(const std::wstring* className, const std::wstring* windowName) {
  log_.Add("FindWindow", Text(className), Text(windowName));
  return Result("FindWindow", 0);
}

int32_t FakeWindows::SendMessage(int32_t hwnd, uint32_t msg, int32_t wParam, int32_t lParam) {
  log_.Add("SendMessage", hwnd, CallLog::Hex(msg), wParam, lParam);
  if (onSendMessage) onSendMessage(msg);
  return Result("SendMessage", 0);
}

int32_t FakeWindows::SendMessage(int32_t hwnd, uint32_t msg, int32_t wParam,
                                 const std::wstring& text) {
  log_.Add("SendMessage", hwnd, CallLog::Hex(msg), wParam, text);
  if (msg == kListBoxAddString && hwnd != 0) listBoxes[hwnd].push_back(text);
  if (onSendMessage) onSendMessage(msg);
  return Result("SendMessage", 0);
}

int32_t FakeWindows::GetCursorPos(Point32& point) {
  log_.Add("GetCursorPos");
  point = cursor;
  return Result("GetCursorPos", 1);
}

int32_t FakeWindows::SystemParametersInfo(uint32_t action, uint32_t param, Rect32& rect,
                                          uint32_t winIni) {
  log_.Add("SystemParametersInfo", action, param,
           "{" + std::to_string(rect.Left) + "," + std::to_string(rect.Top) + "," +
               std::to_string(rect.Right) + "," + std::to_string(rect.Bottom) + "}",
           winIni);
  constexpr uint32_t kSetWorkArea = 47, kGetWorkArea = 48;
  if (action == kGetWorkArea) rect = workArea;
  if (action == kSetWorkArea) workArea = rect;
  return Result("SystemParametersInfo", 1);
}

void FakeWindows::keybd_event(uint8_t vk, uint8_t scan, uint32_t flags, uint32_t extraInfo) {
  log_.Add("keybd_event", CallLog::Hex(vk), scan, flags, extraInfo);
}

int32_t FakeWindows::ExitWindowsEx(uint32_t flags, uint32_t reason) {
  log_.Add("ExitWindowsEx", flags, reason);
  if (onExitWindowsEx) onExitWindowsEx(flags);
  return Result("ExitWindowsEx", 1);
}

}  // namespace test
}  // namespace qc
