// What only the double can arrange; the real system's answers are checked under Wine.
#include <gtest/gtest.h>

#include "support/error_number.h"
#include "support/fake_platform.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

TEST(CWinAPISystemInformation, FailedQueriesGiveTheUntouchedBuffers) {
  test::FakePlatform p;
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

TEST(CWinAPISystemInformation, RenamesOnlyWithANameForSelectorOneAndCountsDevicesInAnInteger) {
  test::FakePlatform p;
  CWinAPI api(p);
  String empty, name = L"NEWBOX", other = L"IGNORED";
  Long set = 1, three = 3;
  EXPECT_EQ(api.ComputerName(set, empty) + api.ComputerName(three, other), L"");
  EXPECT_EQ(p.system.computerName, "QUORINTEST");
  EXPECT_EQ(api.ComputerName(set, name), L"");
  EXPECT_EQ(p.system.computerName, "NEWBOX");
  for (auto [devices, want, error] : {std::tuple{0u, 0, 0}, {3u, -1, 0}, {32768u, 0, 6}}) {
    p.multimedia.devices = devices;  // an Integer's worth: 32768 overflows
    EXPECT_EQ(test::ErrorNumberOf([&, w = want] { EXPECT_EQ(api.SoundCardDetect(), w); }), error);
  }
}

TEST(CWinAPISystemInformation, VolumesOfAnySizeAndBuffersOfAnyLength) {
  test::FakePlatform p;
  p.system.volumes[L'e'] = {
      "A VERY LONG VOLUME LABEL", "NTFS", 1, 255, 3, 128, 512, 0xFFFFFFFFu, 0xFFFFFFFFu};
  CWinAPI api(p);
  String e = L"e:\\data", root = L"e:\\", label(8, L' '), fs;
  Double dFree = -1, dUsed = -1, dTotal = -1;
  api.DiskSpace(e, dFree, dUsed, dTotal);  // 2^32 - 1 clusters of 64 KiB, all free
  EXPECT_EQ(std::vector<Double>({dTotal, dFree, dUsed}),
            std::vector<Double>({65536.0 * 4294967295.0, 65536.0 * 4294967295.0, 0.0}));
  Long lLength = 1000, serial = 0, maxChar = 0, flags = 0, lLeng = -5;
  api.DiskVolumeInfo(root, label, lLength, serial, maxChar, flags, fs, lLeng);
  EXPECT_EQ(label.size() + fs.size(), 8u);  // lengths trusted only as far as the buffers reach
}

}  // namespace
}  // namespace qc
