#include <cstring>

#include "platform/win32/win32_platform.h"

namespace qc::win32 {
namespace {

void Copy(const WIN32_FIND_DATAA& from, FindData& to) {
  to.dwFileAttributes = from.dwFileAttributes;
  to.nFileSizeHigh = from.nFileSizeHigh;
  to.nFileSizeLow = from.nFileSizeLow;
  to.dwReserved0 = from.dwReserved0;  // Wine writes no tag: the zeroed record then says 0
  to.cFileName.assign(from.cFileName, sizeof from.cFileName);
}

}  // namespace

bool Win32Files::Wow64DisableWow64FsRedirection(uintptr_t& oldValue) {
  // Absent on 32-bit systems before Vista; there is nothing to switch off there.
  using Fn = BOOL(WINAPI*)(PVOID*);
  static const Fn fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "Wow64DisableWow64FsRedirection")));
  PVOID old = nullptr;
  if (!fn || !fn(&old)) return false;
  oldValue = reinterpret_cast<uintptr_t>(old);
  return true;
}

bool Win32Files::Wow64RevertWow64FsRedirection(uintptr_t oldValue) {
  using Fn = BOOL(WINAPI*)(PVOID);
  static const Fn fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "Wow64RevertWow64FsRedirection")));
  return fn && fn(reinterpret_cast<PVOID>(oldValue));
}

int32_t Win32Files::FindFirstFile(const std::wstring& pattern, FindData& data) {
  std::string ansi;
  if (!ExactPath(pattern, ansi)) return FromHandle(INVALID_HANDLE_VALUE);
  WIN32_FIND_DATAA fd{};
  const HANDLE h = ::FindFirstFileA(ansi.c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) Copy(fd, data);
  return FromHandle(h);
}

int32_t Win32Files::FindNextFile(int32_t handle, FindData& data) {
  WIN32_FIND_DATAA fd{};
  const BOOL ok = ::FindNextFileA(ToHandle<HANDLE>(handle), &fd);
  if (ok) Copy(fd, data);
  return ok;
}

int32_t Win32Files::FindClose(int32_t handle) {
  return ::FindClose(ToHandle<HANDLE>(handle));
}

uint32_t Win32Files::GetFileAttributes(const std::wstring& path) {
  std::string ansi;
  if (!ExactPath(path, ansi)) return INVALID_FILE_ATTRIBUTES;
  return ::GetFileAttributesA(ansi.c_str());
}

int32_t Win32Files::MoveFileEx(const std::wstring& existing, const std::wstring* newName,
                               uint32_t flags) {
  std::string from, to;
  if (!ExactPath(existing, from) || (newName && !ExactPath(*newName, to))) return FALSE;
  return ::MoveFileExA(from.c_str(), newName ? to.c_str() : nullptr, flags);
}

uint32_t Win32Files::GetDriveType(const std::wstring& rootPath) {
  std::string root;
  return ExactPath(rootPath, root) ? ::GetDriveTypeA(root.c_str()) : DRIVE_NO_ROOT_DIR;
}

uint32_t Win32Files::GetLastError() {
  return ::GetLastError();
}

}  // namespace qc::win32
