// The selectors, and what only the double can arrange: failing queries, volumes of any size,
// renaming the computer, device counts beyond 16 bits. The real system's answers: under Wine.
#include <gtest/gtest.h>

#include "support/error_number.h"
#include "support/fake_platform.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

using test::FakePlatform;

TEST(CWinAPISystemInformation, EachSelectorItsQuery) {
  FakePlatform p;
  p.system.userName = "Jane Doe";
  CWinAPI api(p);
  const std::pair<Long, std::wstring> names[] = {{0, L"QUORINTEST"}, {2, L"Jane Doe"}, {3, L""}};
  for (auto [selector, want] : names) EXPECT_EQ(api.ComputerName(selector), want) << selector;
  const std::pair<Long, std::wstring> folders[] = {
      {0, L"C:\\windows"}, {1, L"C:\\windows\\system32"}, {2, L"C:\\users\\tester\\Temp\\"}};
  for (auto [selector, want] : folders) EXPECT_EQ(api.GetSystemFolders(selector).str(), want);
  Long other = 5;
  EXPECT_TRUE(api.GetSystemFolders(other).IsEmpty());
}

TEST(CWinAPISystemInformation, FailedQueriesGiveTheUntouchedBuffers) {
  FakePlatform p;
  p.system.fail = true;
  CWinAPI api(p);
  Long user = 2, windows = 0;
  EXPECT_EQ(api.ComputerName(user), std::wstring(255, L' '));
  EXPECT_EQ(api.GetSystemFolders(windows).str(), std::wstring(256, L' '));
  String none = L"x:\\", label = L"keep", fs = L"this";
  Long len = 4, serial = 11, maxChar = 12, flags = 13, fsLen = 4;
  api.DiskVolumeInfo(none, label, len, serial, maxChar, flags, fs, fsLen);
  EXPECT_EQ(label + fs, L"keepthis");
  EXPECT_EQ(std::vector<Long>({serial, maxChar, flags}), std::vector<Long>({11, 12, 13}));
}

TEST(CWinAPISystemInformation, RenamesOnlyWithANameAndOnlyForSelectorOne) {
  FakePlatform p;
  CWinAPI api(p);
  String empty, name = L"NEWBOX", other = L"IGNORED";
  Long set = 1, three = 3;
  EXPECT_EQ(api.ComputerName(set, empty), L"");
  EXPECT_EQ(api.ComputerName(three, other), L"");
  EXPECT_EQ(p.system.computerName, "QUORINTEST");
  EXPECT_EQ(api.ComputerName(set, name), L"");
  EXPECT_EQ(p.system.computerName, "NEWBOX");
}

TEST(CWinAPISystemInformation, VolumesOfAnySizeAndBuffersOfAnyLength) {
  FakePlatform p;
  // 2^32 - 1 clusters of 64 KiB, all free: about 256 TiB, exact in a Double.
  p.system.volumes[L'e'] = {
      "A VERY LONG VOLUME LABEL", "NTFS", 1, 255, 3, 128, 512, 0xFFFFFFFFu, 0xFFFFFFFFu};
  CWinAPI api(p);
  String e = L"e:\\data";
  Double dFree = -1, dUsed = -1, dTotal = -1;
  EXPECT_TRUE(api.DiskSpace(e, dFree, dUsed, dTotal).IsEmpty());
  EXPECT_EQ(dTotal, 65536.0 * 4294967295.0);
  EXPECT_EQ(dFree, dTotal);
  EXPECT_EQ(dUsed, 0.0);
  // The sizes passed are trusted only as far as the caller's buffers reach.
  String root = L"e:\\", label(8, L' '), fs;
  Long lLength = 1000, serial = 0, maxChar = 0, flags = 0, lLeng = -5;
  api.DiskVolumeInfo(root, label, lLength, serial, maxChar, flags, fs, lLeng);
  EXPECT_EQ(label.size(), 8u);
  EXPECT_EQ(fs, L"");
}

TEST(CWinAPISystemInformation, SoundDevicesCountedInAnInteger) {
  FakePlatform p;
  CWinAPI api(p);
  for (const auto& [devices, want] : {std::pair{0u, 0}, {3u, -1}, {32767u, -1}, {32768u, 6}}) {
    p.multimedia.devices = devices;
    int got = 0;
    const int error = test::ErrorNumberOf([&] { got = api.SoundCardDetect(); });
    EXPECT_EQ(error ? error : got, want) << devices;
  }
}

}  // namespace
}  // namespace qc
