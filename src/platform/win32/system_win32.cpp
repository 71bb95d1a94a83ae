
#include "platform/win32/win32_platform.h"

namespace qc::win32 {
namespace {

// The caller's buffer must hold at least `size` bytes; it decides the size passed.
char* Room(std::string& buffer, uint32_t size) {
  if (buffer.size() < size) buffer.resize(size, ' ');
  return buffer.data();
}

}  // namespace

int32_t Win32System::GetComputerName(std::string& buffer, uint32_t& size) {
  DWORD n = size;
  const BOOL ok = ::GetComputerNameA(Room(buffer, size), &n);
  size = n;
  return ok;
}

int32_t Win32System::SetComputerName(const std::wstring& name) {
  std::string ansi;
  return ExactPath(name, ansi) && ::SetComputerNameA(ansi.c_str());
}

int32_t Win32System::GetUserName(std::string& buffer, uint32_t& size) {
  DWORD n = size;
  const BOOL ok = ::GetUserNameA(Room(buffer, size), &n);
  size = n;
  return ok;
}

int32_t Win32System::GetVolumeInformation(const std::wstring& rootPath, std::string& volumeName,
                                          uint32_t volumeNameSize, uint32_t* serialNumber,
                                          uint32_t* maxComponentLength, uint32_t* fileSystemFlags,
                                          std::string& fileSystemName,
                                          uint32_t fileSystemNameSize) {
  DWORD serial = serialNumber ? *serialNumber : 0;
  DWORD maxLen = maxComponentLength ? *maxComponentLength : 0;
  DWORD flags = fileSystemFlags ? *fileSystemFlags : 0;
  std::string root;
  if (!ExactPath(rootPath, root)) return FALSE;
  const BOOL ok = ::GetVolumeInformationA(
      root.c_str(), Room(volumeName, volumeNameSize), volumeNameSize,
      serialNumber ? &serial : nullptr, maxComponentLength ? &maxLen : nullptr,
      fileSystemFlags ? &flags : nullptr, Room(fileSystemName, fileSystemNameSize),
      fileSystemNameSize);
  if (serialNumber) *serialNumber = serial;
  if (maxComponentLength) *maxComponentLength = maxLen;
  if (fileSystemFlags) *fileSystemFlags = flags;
  return ok;
}

int32_t Win32System::GetDiskFreeSpace(const std::wstring& rootPath, uint32_t& sectorsPerCluster,
                                      uint32_t& bytesPerSector, uint32_t& freeClusters,
                                      uint32_t& totalClusters) {
  DWORD spc = sectorsPerCluster, bps = bytesPerSector, fc = freeClusters, tc = totalClusters;
  std::string root;
  const BOOL ok =
      ExactPath(rootPath, root) && ::GetDiskFreeSpaceA(root.c_str(), &spc, &bps, &fc, &tc);
  sectorsPerCluster = spc;
  bytesPerSector = bps;
  freeClusters = fc;
  totalClusters = tc;
  return ok;
}

int32_t Win32System::GetDiskFreeSpaceEx(const std::wstring& rootPath, uint64_t& freeToCaller,
                                        uint64_t& totalBytes, uint64_t& totalFreeBytes) {
  ULARGE_INTEGER toCaller{}, total{}, totalFree{};
  std::string root;
  if (!ExactPath(rootPath, root) ||
      !::GetDiskFreeSpaceExA(root.c_str(), &toCaller, &total, &totalFree)) {
    return 0;
  }
  freeToCaller = toCaller.QuadPart;
  totalBytes = total.QuadPart;
  totalFreeBytes = totalFree.QuadPart;
  return 1;
}

uint32_t Win32System::GetWindowsDirectory(std::string& buffer, uint32_t size) {
  return ::GetWindowsDirectoryA(Room(buffer, size), size);
}

uint32_t Win32System::GetSystemWindowsDirectory(std::string& buffer, uint32_t size) {
  return ::GetSystemWindowsDirectoryA(Room(buffer, size), size);
}

uint32_t Win32System::GetSystemDirectory(std::string& buffer, uint32_t size) {
  return ::GetSystemDirectoryA(Room(buffer, size), size);
}

uint32_t Win32System::GetTempPath(uint32_t size, std::string& buffer) {
  return ::GetTempPathA(size, Room(buffer, size));
}

int32_t Win32System::IsWow64Process(int32_t& wow64) {
  // Absent before XP SP2: such a system has no second registry view either.
  using Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
  static const Fn fn = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "IsWow64Process")));
  BOOL result = FALSE;
  if (!fn || !fn(GetCurrentProcess(), &result)) return 0;
  wow64 = result ? 1 : 0;
  return 1;
}

int32_t Win32System::AdjustTokenPrivilege(const std::wstring& privilege, bool enable,
                                          bool& wasEnabled) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    return 0;
  }
  TOKEN_PRIVILEGES wanted{};
  wanted.PrivilegeCount = 1;
  wanted.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
  TOKEN_PRIVILEGES before{};
  DWORD size = sizeof before;
  BOOL ok = LookupPrivilegeValueW(nullptr, privilege.c_str(), &wanted.Privileges[0].Luid) &&
            AdjustTokenPrivileges(token, FALSE, &wanted, sizeof before, &before, &size);
  // Success with ERROR_NOT_ALL_ASSIGNED: the token does not hold the privilege.
  if (ok && GetLastError() != ERROR_SUCCESS) ok = FALSE;
  CloseHandle(token);
  if (!ok) return 0;
  // Only a privilege whose state changed is reported back.
  wasEnabled = before.PrivilegeCount == 0
                   ? enable
                   : (before.Privileges[0].Attributes & SE_PRIVILEGE_ENABLED) != 0;
  return 1;
}

}  // namespace qc::win32
