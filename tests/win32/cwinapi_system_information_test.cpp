// The system's own names, folders, volume (beyond 2 GiB on any build machine) and sound devices.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "platform/win32/win32_platform.h"
#include "winapi/cwinapi.h"

namespace {

using qc::win32::Wide;

TEST(SystemInformation, NamesFoldersDevicesAndVolumesAreTheSystemsOwn) {
  qc::CWinAPI api(qc::win32::TheWin32Platform());
  char user[256], computer[MAX_COMPUTERNAME_LENGTH + 1], windows[MAX_PATH], system[MAX_PATH],
      temp[MAX_PATH];
  DWORD n = sizeof user, m = sizeof computer;
  ASSERT_TRUE(GetUserNameA(user, &n) && GetComputerNameA(computer, &m));
  GetWindowsDirectoryA(windows, MAX_PATH);
  GetSystemDirectoryA(system, MAX_PATH);
  GetTempPathA(MAX_PATH, temp);
  const std::pair<qc::Long, std::wstring> names[] = {
      {2, Wide(user)}, {0, Wide(computer)}, {7, L""}};
  for (auto [selector, want] : names) EXPECT_EQ(api.ComputerName(selector), want) << selector;
  const std::pair<qc::Long, std::wstring> folders[] = {
      {0, Wide(windows)}, {1, Wide(system)}, {2, Wide(temp)}, {5, L""}};
  for (auto [selector, want] : folders) EXPECT_EQ(qc::CStr(api.GetSystemFolders(selector)), want);
  EXPECT_EQ(api.SoundCardDetect(), waveOutGetNumDevs() > 0 ? qc::kTrue : qc::kFalse);
  ULARGE_INTEGER freeToCaller, total, totalFree;
  ASSERT_TRUE(GetDiskFreeSpaceExA("c:\\", &freeToCaller, &total, &totalFree));
  qc::String c = L"c:\\windows", none = L"q";  // no drive behind q: in the test prefix
  qc::Double dFree = -1, dUsed = -1, dTotal = -1;
  api.DiskSpace(c, dFree, dUsed, dTotal);
  EXPECT_NEAR(dTotal, static_cast<double>(total.QuadPart), 1 << 20);
  EXPECT_NEAR(dFree, static_cast<double>(freeToCaller.QuadPart), 64.0 * (1 << 20));
  EXPECT_DOUBLE_EQ(dUsed, dTotal - dFree);
  api.DiskSpace(none, dFree, dUsed, dTotal);
  EXPECT_EQ(dFree + dUsed + dTotal, 0.0);

  qc::String root = L"c:\\", label(64, L' '), fs(32, L' ');
  qc::Long lLength = 64, serial = 0, maxChar = 0, flags = 0, lLeng = 32;
  api.DiskVolumeInfo(root, label, lLength, serial, maxChar, flags, fs, lLeng);
  const size_t nameEnd = fs.find(L'\0');  // the file system has a name, NUL-ended in the buffer
  EXPECT_EQ(std::make_tuple(label.size(), fs.size(), nameEnd > 0, nameEnd < fs.size()),
            std::make_tuple(size_t{64}, size_t{32}, true, true));
  EXPECT_GT(maxChar, 0);
}

}  // namespace
