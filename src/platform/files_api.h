// The file-system family of the seam (kernel32), one method per call.
#pragma once
#include <cstdint>
#include <string>

namespace qc {

// The fields of WIN32_FIND_DATAA the program reads; cFileName is the raw 260-byte buffer.
struct FindData {
  uint32_t dwFileAttributes = 0;
  uint32_t nFileSizeHigh = 0;
  uint32_t nFileSizeLow = 0;
  // The reparse tag, when dwFileAttributes has FILE_ATTRIBUTE_REPARSE_POINT.
  uint32_t dwReserved0 = 0;
  std::string cFileName;
};

class IFiles {
 public:
  virtual ~IFiles() = default;

  // For a 32-bit process on 64-bit Windows: make system32 mean the real one for a moment.
  // Both return false (and do nothing) where there is no redirection.
  virtual bool Wow64DisableWow64FsRedirection(uintptr_t& oldValue) = 0;
  virtual bool Wow64RevertWow64FsRedirection(uintptr_t oldValue) = 0;

  // Returns the find handle, or INVALID_HANDLE_VALUE (-1).
  virtual int32_t FindFirstFile(const std::wstring& pattern, FindData& data) = 0;
  virtual int32_t FindNextFile(int32_t handle, FindData& data) = 0;
  virtual int32_t FindClose(int32_t handle) = 0;
  virtual uint32_t GetFileAttributes(const std::wstring& path) = 0;
  // newName null: delete (with MOVEFILE_DELAY_UNTIL_REBOOT, at the next start).
  virtual int32_t MoveFileEx(const std::wstring& existing, const std::wstring* newName,
                             uint32_t flags) = 0;
  // DRIVE_UNKNOWN (0) ... DRIVE_RAMDISK (6) for a root path such as "e:\\".
  virtual uint32_t GetDriveType(const std::wstring& rootPath) = 0;
  // The calling thread's last error, for the calls above that report failure as FALSE.
  virtual uint32_t GetLastError() = 0;
};

}  // namespace qc
