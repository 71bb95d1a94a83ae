#include <algorithm>
#include <string>

#include "winapi/cwinapi.h"

namespace qc {
namespace {

constexpr size_t kNameBufferLength = 255;
constexpr size_t kFolderBufferLength = 256;

enum ComputerNameSelector : Long { kReadComputerName = 0, kSetComputerName = 1, kReadUserName = 2 };
enum FolderSelector : Long { kWindowsFolder = 0, kSystemFolder = 1, kTempFolder = 2 };

// A size the caller passes for a buffer, never more than the buffer really holds (nor negative).
uint32_t Clamp(Long requested, const std::string& buffer) {
  if (requested <= 0) return 0;
  return static_cast<uint32_t>(std::min<size_t>(static_cast<size_t>(requested), buffer.size()));
}

}  // namespace

String CWinAPI::ComputerName(Long& func) {
  String none;
  return ComputerName(func, none);
}

String CWinAPI::ComputerName(Long& func, String& CmpName) {
  ISystem& sys = platform_.System();
  switch (func) {
    case kReadComputerName:
    case kReadUserName: {
      // A failed query leaves the blanks: the caller then gets 255 of them.
      std::string buffer(kNameBufferLength, ' ');
      uint32_t size = static_cast<uint32_t>(kNameBufferLength);
      if (func == kReadComputerName) {
        sys.GetComputerName(buffer, size);
      } else {
        sys.GetUserName(buffer, size);
      }
      String text = platform_.CodePage().FromAnsi(buffer);
      return StripNull(text);
    }
    case kSetComputerName:
      if (!CmpName.empty()) sys.SetComputerName(CmpName);
      return String();
    default:
      return String();
  }
}

Variant CWinAPI::DiskVolumeInfo(String& sPath, String& sDriveName, Long& lLength, Long& lSerialNo,
                                Long& lMaximumChar, Long& lFileSystemFlags,
                                String& sNameOfFileSystem, Long& lLeng) {
  ICodePage& cp = platform_.CodePage();
  std::string volumeName = cp.ToAnsi(sDriveName);
  std::string fileSystemName = cp.ToAnsi(sNameOfFileSystem);
  // The caller's sizes are trusted only as far as its buffers reach.
  const uint32_t volumeSize = Clamp(lLength, volumeName);
  const uint32_t fileSystemSize = Clamp(lLeng, fileSystemName);
  uint32_t serial = static_cast<uint32_t>(lSerialNo);
  uint32_t maxComponent = static_cast<uint32_t>(lMaximumChar);
  uint32_t flags = static_cast<uint32_t>(lFileSystemFlags);
  platform_.System().GetVolumeInformation(sPath, volumeName, volumeSize, &serial, &maxComponent,
                                          &flags, fileSystemName, fileSystemSize);
  lSerialNo = static_cast<Long>(serial);
  lMaximumChar = static_cast<Long>(maxComponent);
  lFileSystemFlags = static_cast<Long>(flags);
  sDriveName = cp.FromAnsi(volumeName);
  sNameOfFileSystem = cp.FromAnsi(fileSystemName);
  return Variant();
}

Variant CWinAPI::DiskSpace(String& sPath, Double& dFree, Double& dUsed, Double& dTotal) {
  const String root = sPath.substr(0, 1) + L":\\";
  ISystem& sys = platform_.System();
  // Byte counts first: cluster counts stop at 2^32, which large volumes and network shares pass.
  // The free bytes are the caller's, as the cluster call reports them.
  uint64_t freeBytes = 0, totalBytes = 0, totalFreeBytes = 0;
  if (!sys.GetDiskFreeSpaceEx(root, freeBytes, totalBytes, totalFreeBytes)) {
    uint32_t sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    sys.GetDiskFreeSpace(root, sectorsPerCluster, bytesPerSector, freeClusters, totalClusters);
    // Volumes beyond 2 GiB are the rule: the products need 64 bits (and still fit a Double
    // exactly, up to 2^53 bytes).
    const uint64_t bytesPerCluster = uint64_t{bytesPerSector} * sectorsPerCluster;
    freeBytes = bytesPerCluster * freeClusters;
    totalBytes = bytesPerCluster * totalClusters;
  }
  dFree = static_cast<Double>(freeBytes);
  dTotal = static_cast<Double>(totalBytes);
  dUsed = dTotal - dFree;
  return Variant();
}

Variant CWinAPI::GetSystemFolders(Long& func) {
  if (func != kWindowsFolder && func != kSystemFolder && func != kTempFolder) return Variant();
  ISystem& sys = platform_.System();
  std::string buffer(kFolderBufferLength, ' ');
  const uint32_t size = static_cast<uint32_t>(kFolderBufferLength);
  if (func == kWindowsFolder) {
    sys.GetWindowsDirectory(buffer, size);
  } else if (func == kSystemFolder) {
    sys.GetSystemDirectory(buffer, size);
  } else {
    sys.GetTempPath(size, buffer);
  }
  return TextBeforeNull(platform_.CodePage().FromAnsi(buffer));
}

Boolean CWinAPI::SoundCardDetect() {
  // The count goes through a 16-bit Integer, which overflows beyond 32767 devices.
  const Integer devices =
      CInt(Variant::Double(static_cast<double>(platform_.Multimedia().waveOutGetNumDevs())));
  return devices > 0 ? kTrue : kFalse;
}

}  // namespace qc
