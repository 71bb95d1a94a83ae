// The system-information family of the seam (kernel32, advapi32). Receive buffers are the ANSI
// bytes of the "A" calls: the caller sizes them (typically with blanks) and converts them back.
#pragma once
#include <cstdint>
#include <string>

namespace qc {

class ISystem {
 public:
  virtual ~ISystem() = default;

  virtual int32_t GetComputerName(std::string& buffer, uint32_t& size) = 0;
  virtual int32_t SetComputerName(const std::wstring& name) = 0;
  virtual int32_t GetUserName(std::string& buffer, uint32_t& size) = 0;
  // volumeNameSize / fileSystemNameSize are the sizes passed to the call; the buffers must hold
  // at least that many bytes. Null outputs pass NULL.
  virtual int32_t GetVolumeInformation(const std::wstring& rootPath, std::string& volumeName,
                                       uint32_t volumeNameSize, uint32_t* serialNumber,
                                       uint32_t* maxComponentLength, uint32_t* fileSystemFlags,
                                       std::string& fileSystemName,
                                       uint32_t fileSystemNameSize) = 0;
  virtual int32_t GetDiskFreeSpace(const std::wstring& rootPath, uint32_t& sectorsPerCluster,
                                   uint32_t& bytesPerSector, uint32_t& freeClusters,
                                   uint32_t& totalClusters) = 0;
  // Bytes free to the caller, in total and free on the volume.
  virtual int32_t GetDiskFreeSpaceEx(const std::wstring& rootPath, uint64_t& freeToCaller,
                                     uint64_t& totalBytes, uint64_t& totalFreeBytes) = 0;
  virtual uint32_t GetWindowsDirectory(std::string& buffer, uint32_t size) = 0;
  // The system-wide Windows folder (the per-user one differs under Terminal Services).
  virtual uint32_t GetSystemWindowsDirectory(std::string& buffer, uint32_t size) = 0;
  virtual uint32_t GetSystemDirectory(std::string& buffer, uint32_t size) = 0;
  virtual uint32_t GetTempPath(uint32_t size, std::string& buffer) = 0;
  // For the running process: wow64 receives nonzero for a 32-bit process on 64-bit Windows.
  // Returns 0 and leaves wow64 where the system has no such call.
  virtual int32_t IsWow64Process(int32_t& wow64) = 0;
  // Enables or disables one privilege of the process's token (OpenProcessToken,
  // LookupPrivilegeValue, AdjustTokenPrivileges). Nonzero when the token holds it and it is now
  // in that state; wasEnabled then receives its state before.
  virtual int32_t AdjustTokenPrivilege(const std::wstring& privilege, bool enable,
                                       bool& wasEnabled) = 0;
};

}  // namespace qc
