#include "platform/win32/win32_platform.h"

namespace qc::win32 {
namespace {

bool Copy(BOOL ok, const PROCESSENTRY32W& from, ProcessEntry& to) {
  if (!ok) return false;
  to.th32ProcessID = from.th32ProcessID;
  to.szExeFile = from.szExeFile;
  return true;
}

}  // namespace

int32_t Win32Processes::CreateToolhelp32Snapshot(uint32_t flags, uint32_t processId) {
  return FromHandle(::CreateToolhelp32Snapshot(flags, processId));
}

int32_t Win32Processes::Process32First(int32_t snapshot, ProcessEntry& entry) {
  PROCESSENTRY32W e{};
  e.dwSize = sizeof e;
  return Copy(::Process32FirstW(ToHandle<HANDLE>(snapshot), &e), e, entry);
}

int32_t Win32Processes::Process32Next(int32_t snapshot, ProcessEntry& entry) {
  PROCESSENTRY32W e{};
  e.dwSize = sizeof e;
  return Copy(::Process32NextW(ToHandle<HANDLE>(snapshot), &e), e, entry);
}

int32_t Win32Processes::OpenProcess(uint32_t access, int32_t inheritHandle, uint32_t processId) {
  return FromHandle(::OpenProcess(access, inheritHandle, processId));
}

int32_t Win32Processes::QueryFullProcessImageName(int32_t process, uint32_t flags,
                                                  std::wstring& exeName) {
  // Long paths exist; the call says how much it wrote.
  std::wstring buffer(UNICODE_STRING_MAX_CHARS, L'\0');
  DWORD size = static_cast<DWORD>(buffer.size());
  if (!::QueryFullProcessImageNameW(ToHandle<HANDLE>(process), flags, buffer.data(), &size)) {
    return 0;
  }
  exeName.assign(buffer.data(), size);
  return 1;
}

int32_t Win32Processes::TerminateProcess(int32_t process, uint32_t exitCode) {
  return ::TerminateProcess(ToHandle<HANDLE>(process), exitCode);
}

uint32_t Win32Processes::WaitForMultipleObjects(const std::vector<int32_t>& handles,
                                                int32_t waitAll, uint32_t milliseconds) {
  std::vector<HANDLE> h;
  for (int32_t v : handles) h.push_back(ToHandle<HANDLE>(v));
  return ::WaitForMultipleObjects(static_cast<DWORD>(h.size()), h.data(), waitAll, milliseconds);
}

int32_t Win32Processes::CreateFile(const std::wstring& path, uint32_t access, uint32_t shareMode,
                                   uint32_t creationDisposition, uint32_t flags) {
  if (path.find(L'\0') != std::wstring::npos) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return FromHandle(INVALID_HANDLE_VALUE);
  }
  return FromHandle(
      ::CreateFileW(path.c_str(), access, shareMode, nullptr, creationDisposition, flags, nullptr));
}

int32_t Win32Processes::GetFileInformationByHandle(int32_t file, FileIdentity& identity) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(ToHandle<HANDLE>(file), &info)) return 0;
  identity.dwVolumeSerialNumber = info.dwVolumeSerialNumber;
  identity.nFileIndexHigh = info.nFileIndexHigh;
  identity.nFileIndexLow = info.nFileIndexLow;
  return 1;
}

int32_t Win32Processes::CloseHandle(int32_t handle) {
  return ::CloseHandle(ToHandle<HANDLE>(handle));
}

uint32_t Win32Processes::GetCurrentProcessId() {
  return ::GetCurrentProcessId();
}

uint32_t Win32Processes::GetLastError() {
  return ::GetLastError();
}

}  // namespace qc::win32
