#include "registry_test_support.h"

#include <cctype>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace qc::wintest {
namespace {

const char kTestsKey[] = "Software\\QuorinCleanerTests";

std::string RootName(HKEY root, bool shortForm) {
  if (root == HKEY_LOCAL_MACHINE) return shortForm ? "HKLM" : "HKEY_LOCAL_MACHINE";
  if (root == HKEY_CLASSES_ROOT) return shortForm ? "HKCR" : "HKEY_CLASSES_ROOT";
  if (root == HKEY_USERS) return shortForm ? "HKU" : "HKEY_USERS";
  return shortForm ? "HKCU" : "HKEY_CURRENT_USER";
}

std::string UniqueName() {
  static unsigned counter = 0;
  return "t" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(GetTickCount()) + "_" +
         std::to_string(++counter);
}

}  // namespace

ScratchKey::ScratchKey(HKEY root, REGSAM view)
    : root_(root), view_(view), subKey_(std::string(kTestsKey) + "\\" + UniqueName()) {
  Clean();
}

ScratchKey::~ScratchKey() {
  Clean();
}

void ScratchKey::Clean() const {
  DeleteTree(root_, subKey_, view_);
  if (root_ == HKEY_LOCAL_MACHINE) {
    DeleteTree(root_, subKey_, KEY_WOW64_32KEY);
    DeleteTree(root_, subKey_, KEY_WOW64_64KEY);
  }
}

std::wstring ScratchKey::Path(const std::string& below) const {
  const std::string path =
      RootName(root_, false) + "\\" + subKey_ + (below.empty() ? "" : "\\" + below);
  return std::wstring(path.begin(), path.end());
}

std::string ScratchKey::RegPath(const std::string& below) const {
  return RootName(root_, true) + "\\" + subKey_ + (below.empty() ? "" : "\\" + below);
}

void ScratchKey::Create() const {
  HKEY key = nullptr;
  if (RegCreateKeyExA(root_, subKey_.c_str(), 0, nullptr, 0, KEY_WRITE | view_, nullptr, &key,
                      nullptr) == ERROR_SUCCESS) {
    RegCloseKey(key);
  }
}

bool DeleteTree(HKEY root, const std::string& subKey, REGSAM view) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ | view, &key) == ERROR_SUCCESS) {
    std::vector<std::string> children;
    char name[256];
    for (DWORD i = 0;; ++i) {
      DWORD len = sizeof name;
      if (RegEnumKeyExA(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        break;
      children.emplace_back(name, len);
    }
    RegCloseKey(key);
    for (const auto& child : children) DeleteTree(root, subKey + "\\" + child, view);
  }
  RegDeleteKeyExA(root, subKey.c_str(), view, 0);
  HKEY probe = nullptr;
  if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ | view, &probe) == ERROR_SUCCESS) {
    RegCloseKey(probe);
    return false;
  }
  return true;
}

std::optional<RawValue> ReadRaw(HKEY root, const std::string& subKey, const std::string& name,
                                REGSAM view) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
    return std::nullopt;
  RawValue v;
  DWORD size = 0;
  LONG r = RegQueryValueExA(key, name.c_str(), nullptr, &v.type, nullptr, &size);
  if (r == ERROR_SUCCESS) {
    v.data.resize(size + 1);  // room for a terminator the system may add
    r = RegQueryValueExA(key, name.c_str(), nullptr, &v.type, v.data.data(), &size);
    v.data.resize(size);
  }
  RegCloseKey(key);
  if (r != ERROR_SUCCESS) return std::nullopt;
  return v;
}

ProcessResult RunReg(const std::string& args) {
  ProcessResult result;
  // The full path: a reg.exe in the current folder would be run instead of the system's.
  char system[MAX_PATH];
  GetSystemDirectoryA(system, MAX_PATH);
  std::string command = "\"" + std::string(system) + "\\reg.exe\" " + args;

  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return result;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = writeEnd;
  si.hStdError = writeEnd;
  PROCESS_INFORMATION pi{};
  const BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE,
                                      CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi);
  CloseHandle(writeEnd);  // so that the read ends when the child ends
  if (started) {
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0)
      result.output.append(buffer, got);
    WaitForSingleObject(pi.hProcess, 60000);
    GetExitCodeProcess(pi.hProcess, &result.exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  CloseHandle(readEnd);
  return result;
}

std::string RegQueryValueLine(const std::string& regKey, const std::string& name,
                              const std::string& extra) {
  const ProcessResult r =
      RunReg("query \"" + regKey + "\" /v \"" + name + "\"" + (extra.empty() ? "" : " " + extra));
  if (r.exitCode != 0) return {};
  size_t start = 0;
  while (start < r.output.size()) {
    size_t end = r.output.find('\n', start);
    if (end == std::string::npos) end = r.output.size();
    // Collapse the blanks between the columns.
    std::string line;
    for (size_t i = start; i < end; ++i) {
      const unsigned char c = static_cast<unsigned char>(r.output[i]);
      if (std::isspace(c)) {
        if (!line.empty() && line.back() != ' ') line += ' ';
      } else {
        line += static_cast<char>(c);
      }
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    if (line.compare(0, name.size() + 1, name + " ") == 0) return line;
    start = end + 1;
  }
  return {};
}

long CountOwnHandles() {
  // SYSTEM_HANDLE_INFORMATION, class 16: every handle of every process, with its owner.
  struct Entry {
    ULONG ownerPid;
    BYTE objectType;
    BYTE flags;
    USHORT value;
    PVOID object;
    ULONG access;
  };
  struct Header {
    ULONG count;
    Entry first;  // the entries follow the count
  };
  using QueryFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return -1;
  const LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004L);
  for (ULONG size = 1 << 16; size <= (1u << 26); size *= 2) {
    std::unique_ptr<BYTE[]> buffer(new BYTE[size]);
    ULONG needed = 0;
    const LONG status = query(16, buffer.get(), size, &needed);
    if (status == kInfoLengthMismatch) continue;
    if (status != 0) return -1;
    const ULONG count = reinterpret_cast<const Header*>(buffer.get())->count;
    const BYTE* entries = buffer.get() + offsetof(Header, first);
    if (count > (size - offsetof(Header, first)) / sizeof(Entry)) return -1;
    long own = 0;
    for (ULONG i = 0; i < count; ++i) {
      Entry e;
      std::memcpy(&e, entries + i * sizeof(Entry), sizeof e);
      if (e.ownerPid == GetCurrentProcessId()) ++own;
    }
    return own;
  }
  return -1;
}

}  // namespace qc::wintest
