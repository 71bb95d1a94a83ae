// The process family of the seam (kernel32): listing other processes, reading their image,
// ending them and waiting for them, and telling whether two paths name the same file. Handles
// travel as 32-bit values (kernel handles fit in 32 bits in every process); 0 and
// INVALID_HANDLE_VALUE (-1) are no handle.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace qc {

// The fields of PROCESSENTRY32W the program reads.
struct ProcessEntry {
  uint32_t th32ProcessID = 0;
  std::wstring szExeFile;
};

// The fields of BY_HANDLE_FILE_INFORMATION that identify a file.
struct FileIdentity {
  uint32_t dwVolumeSerialNumber = 0;
  uint32_t nFileIndexHigh = 0;
  uint32_t nFileIndexLow = 0;
  bool operator==(const FileIdentity& o) const {
    return dwVolumeSerialNumber == o.dwVolumeSerialNumber && nFileIndexHigh == o.nFileIndexHigh &&
           nFileIndexLow == o.nFileIndexLow;
  }
};

class IProcesses {
 public:
  virtual ~IProcesses() = default;

  // Returns INVALID_HANDLE_VALUE on failure.
  virtual int32_t CreateToolhelp32Snapshot(uint32_t flags, uint32_t processId) = 0;
  virtual int32_t Process32First(int32_t snapshot, ProcessEntry& entry) = 0;
  virtual int32_t Process32Next(int32_t snapshot, ProcessEntry& entry) = 0;
  // Returns 0 on failure.
  virtual int32_t OpenProcess(uint32_t access, int32_t inheritHandle, uint32_t processId) = 0;
  virtual int32_t QueryFullProcessImageName(int32_t process, uint32_t flags,
                                            std::wstring& exeName) = 0;
  virtual int32_t TerminateProcess(int32_t process, uint32_t exitCode) = 0;
  // At most MAXIMUM_WAIT_OBJECTS handles.
  virtual uint32_t WaitForMultipleObjects(const std::vector<int32_t>& handles, int32_t waitAll,
                                          uint32_t milliseconds) = 0;
  // Returns INVALID_HANDLE_VALUE on failure.
  virtual int32_t CreateFile(const std::wstring& path, uint32_t access, uint32_t shareMode,
                             uint32_t creationDisposition, uint32_t flags) = 0;
  virtual int32_t GetFileInformationByHandle(int32_t file, FileIdentity& identity) = 0;
  virtual int32_t CloseHandle(int32_t handle) = 0;
  virtual uint32_t GetCurrentProcessId() = 0;
  // The calling thread's last error, for the calls above that report failure as FALSE or 0.
  virtual uint32_t GetLastError() = 0;
};

// Owner of one kernel handle: closes it on every path.
class UniqueHandle {
 public:
  explicit UniqueHandle(IProcesses& processes, int32_t handle = 0)
      : processes_(&processes), handle_(handle) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& o) noexcept : processes_(o.processes_), handle_(o.handle_) {
    o.handle_ = 0;
  }
  ~UniqueHandle() {
    if (valid()) processes_->CloseHandle(handle_);
  }
  int32_t get() const { return handle_; }
  bool valid() const { return handle_ != 0 && handle_ != kInvalid; }

 private:
  static constexpr int32_t kInvalid = -1;
  IProcesses* processes_;
  int32_t handle_;
};

}  // namespace qc
