// System information on the real platform: the names, a real volume's size (beyond 2 GiB on
// any machine that builds this), a letter with no drive, the folders and the sound devices.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/win32_platform.h"
#include "winapi/cwinapi.h"

namespace {

using qc::CWinAPI;

std::wstring Wide(const char* s) {
  return std::wstring(s, s + std::char_traits<char>::length(s));
}

TEST(SystemInformation, NamesAreTheSystemsOwn) {
  CWinAPI api(qc::win32::TheWin32Platform());
  char user[256];
  DWORD n = sizeof user;
  ASSERT_TRUE(GetUserNameA(user, &n));
  char computer[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD m = sizeof computer;
  ASSERT_TRUE(GetComputerNameA(computer, &m));
  qc::Long userSelector = 2, computerSelector = 0, other = 7;
  EXPECT_EQ(api.ComputerName(userSelector), Wide(user));
  EXPECT_EQ(api.ComputerName(computerSelector), Wide(computer));
  EXPECT_EQ(api.ComputerName(other), L"");
}

TEST(SystemInformation, DiskSpaceOfARealVolumeAndOfNoVolume) {
  CWinAPI api(qc::win32::TheWin32Platform());
  ULARGE_INTEGER freeToCaller, total, totalFree;
  ASSERT_TRUE(GetDiskFreeSpaceExA("c:\\", &freeToCaller, &total, &totalFree));
  qc::String c = L"c:\\windows";
  qc::Double dFree = -1, dUsed = -1, dTotal = -1;
  ASSERT_NO_THROW(api.DiskSpace(c, dFree, dUsed, dTotal));
  // GetDiskFreeSpaceA and its Ex form agree to the cluster; both beyond 32 bits here.
  EXPECT_GT(dTotal, 2147483647.0) << "the build machine's volume is larger than 2 GiB";
  EXPECT_NEAR(dTotal, static_cast<double>(total.QuadPart), 1 << 20);
  EXPECT_NEAR(dFree, static_cast<double>(freeToCaller.QuadPart), 64.0 * (1 << 20));
  EXPECT_DOUBLE_EQ(dUsed, dTotal - dFree);

  qc::String none = L"q";  // no drive behind q: in the test prefix
  ASSERT_EQ(GetDriveTypeA("q:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
  api.DiskSpace(none, dFree, dUsed, dTotal);
  EXPECT_EQ(dFree, 0.0);
  EXPECT_EQ(dUsed, 0.0);
  EXPECT_EQ(dTotal, 0.0);
}

TEST(SystemInformation, VolumeInfoLeavesTheBuffersUncut) {
  CWinAPI api(qc::win32::TheWin32Platform());
  qc::String root = L"c:\\", label(64, L' '), fs(32, L' ');
  qc::Long lLength = 64, serial = 0, maxChar = 0, flags = 0, lLeng = 32;
  EXPECT_TRUE(
      api.DiskVolumeInfo(root, label, lLength, serial, maxChar, flags, fs, lLeng).IsEmpty());
  EXPECT_EQ(label.size(), 64u);
  ASSERT_EQ(fs.size(), 32u);
  const size_t nul = fs.find(L'\0');
  ASSERT_NE(nul, std::wstring::npos);
  EXPECT_FALSE(fs.substr(0, nul).empty()) << "the file system has a name";
  EXPECT_GT(maxChar, 0);
}

TEST(SystemInformation, FoldersAndSound) {
  CWinAPI api(qc::win32::TheWin32Platform());
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  qc::Long w = 0, t = 2, none = 5;
  EXPECT_EQ(api.GetSystemFolders(w).str(), Wide(windows));
  const std::wstring temp = api.GetSystemFolders(t).str();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), L'\\');
  EXPECT_TRUE(api.GetSystemFolders(none).IsEmpty());
  const qc::Boolean sound = api.SoundCardDetect();
  EXPECT_EQ(sound != 0, waveOutGetNumDevs() > 0);
  EXPECT_TRUE(sound == qc::kTrue || sound == qc::kFalse);
}

}  // namespace
