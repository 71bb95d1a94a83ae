#include <gtest/gtest.h>

#include "support/error_number.h"
#include "support/fake_platform.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

using test::FakePlatform;

TEST(CWinAPIComputerName, ReadsTheUserAndComputerNamesThroughA255ByteBuffer) {
  FakePlatform p;
  p.system.userName = "Jane Doe";
  CWinAPI api(p);
  p.log.Clear();
  Long user = 2, computer = 0;
  EXPECT_EQ(api.ComputerName(user), L"Jane Doe");
  EXPECT_EQ(api.ComputerName(computer), L"QUORINTEST");
  EXPECT_EQ(p.log.Calls(), (std::vector<std::string>{"GetUserName(255)", "GetComputerName(255)"}));
  EXPECT_EQ(user, 2);  // the selector is not written back
}

TEST(CWinAPIComputerName, AFailedQueryGivesTheUntouchedBlanks) {
  FakePlatform p;
  p.system.fail = true;
  CWinAPI api(p);
  Long user = 2;
  EXPECT_EQ(api.ComputerName(user), std::wstring(255, L' '));
}

TEST(CWinAPIComputerName, RenamesOnlyWithANameAndIgnoresOtherSelectors) {
  FakePlatform p;
  CWinAPI api(p);
  p.log.Clear();
  Long set = 1;
  String empty;
  EXPECT_EQ(api.ComputerName(set, empty), L"");
  EXPECT_EQ(api.ComputerName(set), L"");
  EXPECT_TRUE(p.log.Calls().empty());
  String name = L"NEWBOX";
  EXPECT_EQ(api.ComputerName(set, name), L"");
  EXPECT_EQ(p.log.Calls(), std::vector<std::string>{"SetComputerName(\"NEWBOX\")"});
  EXPECT_EQ(p.system.computerName, "NEWBOX");

  p.log.Clear();
  for (Long other : {3, -1, 255}) {
    String n = L"IGNORED";
    EXPECT_EQ(api.ComputerName(other, n), L"") << other;
  }
  EXPECT_TRUE(p.log.Calls().empty());
}

TEST(CWinAPIDiskSpace, GivesExactBytesAboveTwoGibibytes) {
  FakePlatform p;
  // 4 KiB clusters: 100 GB in all, 40 GB free, far beyond a 32-bit product.
  p.system.volumes[L'd'] = {"", "NTFS", 1, 255, 3, 8, 512, 10'000'000, 25'000'000};
  // The largest a cluster count can say: 2^32 - 1 clusters of 64 KiB (about 256 TiB).
  p.system.volumes[L'e'] = {"", "NTFS", 1, 255, 3, 128, 512, 0xFFFFFFFFu, 0xFFFFFFFFu};
  CWinAPI api(p);
  String d = L"d:\\games\\save";
  Double dFree = -1, dUsed = -1, dTotal = -1;
  EXPECT_TRUE(api.DiskSpace(d, dFree, dUsed, dTotal).IsEmpty());
  EXPECT_EQ(dFree, 40'960'000'000.0);
  EXPECT_EQ(dTotal, 102'400'000'000.0);
  EXPECT_EQ(dUsed, 61'440'000'000.0);

  String e = L"e";
  api.DiskSpace(e, dFree, dUsed, dTotal);
  EXPECT_EQ(dTotal, 65536.0 * 4294967295.0);
  EXPECT_EQ(dFree, dTotal);
  EXPECT_EQ(dUsed, 0.0);
  EXPECT_EQ(p.log.Matching("GetDiskFreeSpace"),
            (std::vector<std::string>{"GetDiskFreeSpace(\"d:\\\")", "GetDiskFreeSpace(\"e:\\\")"}));
}

TEST(CWinAPIDiskSpace, ADriveWithoutAVolumeGivesZeros) {
  FakePlatform p;
  CWinAPI api(p);
  String small = L"c:";
  Double dFree = 0, dUsed = 0, dTotal = 0;
  api.DiskSpace(small, dFree, dUsed, dTotal);
  EXPECT_EQ(dFree, 4096.0 * 1000);
  EXPECT_EQ(dTotal, 4096.0 * 4000);
  EXPECT_EQ(dUsed, 4096.0 * 3000);

  String q = L"q";
  dFree = dUsed = dTotal = 123;
  EXPECT_NO_THROW(api.DiskSpace(q, dFree, dUsed, dTotal));
  EXPECT_EQ(dFree, 0.0);
  EXPECT_EQ(dUsed, 0.0);
  EXPECT_EQ(dTotal, 0.0);

  String empty;
  EXPECT_NO_THROW(api.DiskSpace(empty, dFree, dUsed, dTotal));
  EXPECT_EQ(p.log.Matching("GetDiskFreeSpace").back(), "GetDiskFreeSpace(\":\\\")");
}

TEST(CWinAPIDiskVolumeInfo, ReturnsUncutBuffersAndTheNumbersThroughTheArguments) {
  FakePlatform p;
  p.system.volumes[L'c'].label = "SYSTEM";
  p.system.volumes[L'c'].serial = 0xDEADBEEF;
  CWinAPI api(p);
  String path = L"c:\\", label(32, L' '), fs(16, L' ');
  Long lLength = 32, serial = 0, maxChar = 0, flags = 0, lLeng = 16;
  EXPECT_TRUE(
      api.DiskVolumeInfo(path, label, lLength, serial, maxChar, flags, fs, lLeng).IsEmpty());
  EXPECT_EQ(label.size(), 32u);
  EXPECT_EQ(label.substr(0, 7), std::wstring(L"SYSTEM\0", 7));
  EXPECT_EQ(label.substr(7), std::wstring(25, L' '));
  EXPECT_EQ(fs.substr(0, fs.find(L'\0')), L"NTFS");
  EXPECT_EQ(fs.size(), 16u);
  EXPECT_EQ(serial, static_cast<Long>(0xDEADBEEFu));
  EXPECT_EQ(maxChar, 255);
  EXPECT_EQ(flags, 3);
  EXPECT_EQ(path, L"c:\\");
}

TEST(CWinAPIDiskVolumeInfo, SizesAreClampedToTheBuffers) {
  FakePlatform p;
  p.system.volumes[L'c'].label = "A VERY LONG VOLUME LABEL";
  CWinAPI api(p);
  String path = L"c:\\", label(8, L' '), fs;
  Long lLength = 1000, serial = 7, maxChar = 8, flags = 9, lLeng = -5;
  api.DiskVolumeInfo(path, label, lLength, serial, maxChar, flags, fs, lLeng);
  EXPECT_EQ(p.log.Matching("GetVolumeInformation").back(), "GetVolumeInformation(\"c:\\\", 8, 0)");
  EXPECT_EQ(label.size(), 8u) << "nothing may be written past the caller's buffer";
  EXPECT_EQ(fs, L"");

  // A failed query leaves the caller's values as they were.
  String none = L"x:\\", l2 = L"keep", f2 = L"this";
  Long len = 4, s2 = 11, m2 = 12, fl2 = 13, lg = 4;
  api.DiskVolumeInfo(none, l2, len, s2, m2, fl2, f2, lg);
  EXPECT_EQ(l2, L"keep");
  EXPECT_EQ(f2, L"this");
  EXPECT_EQ(s2, 11);
  EXPECT_EQ(m2, 12);
  EXPECT_EQ(fl2, 13);
}

TEST(CWinAPIGetSystemFolders, CutsAt256AndLeavesOtherSelectorsEmpty) {
  FakePlatform p;
  CWinAPI api(p);
  p.log.Clear();
  Long windows = 0, system = 1, temp = 2, other = 5, negative = -1;
  EXPECT_EQ(api.GetSystemFolders(windows).str(), L"C:\\windows");
  EXPECT_EQ(api.GetSystemFolders(system).str(), L"C:\\windows\\system32");
  const Variant t = api.GetSystemFolders(temp);
  EXPECT_EQ(t.str(), L"C:\\users\\tester\\Temp\\");
  EXPECT_EQ(t.type(), VarType::String);
  EXPECT_EQ(p.log.Calls(),
            (std::vector<std::string>{"GetWindowsDirectory(256)", "GetSystemDirectory(256)",
                                      "GetTempPath(256)"}));
  p.log.Clear();
  EXPECT_TRUE(api.GetSystemFolders(other).IsEmpty());
  EXPECT_TRUE(api.GetSystemFolders(negative).IsEmpty());
  EXPECT_TRUE(p.log.Calls().empty());

  p.system.fail = true;
  EXPECT_EQ(api.GetSystemFolders(windows).str(), std::wstring(256, L' '));
}

TEST(CWinAPISoundCardDetect, TrueForAnyDeviceAndOverflowBeyondSixteenBits) {
  FakePlatform p;
  CWinAPI api(p);
  for (const auto& [devices, expected] : {std::pair{0u, kFalse}, {3u, kTrue}, {32767u, kTrue}}) {
    p.multimedia.devices = devices;
    EXPECT_EQ(api.SoundCardDetect(), expected) << devices;
  }
  p.multimedia.devices = 32768;
  EXPECT_EQ(test::ErrorNumberOf([&] { api.SoundCardDetect(); }), kErrOverflow)
      << "a count beyond an Integer must overflow";
}

TEST(CWinAPICapture, ABigWorkAreaNeverFailsCreationOrTheNameQuery) {
  FakePlatform p;
  p.windows.workArea = {-40000, 0, 40000, 3000};  // beyond 16 bits in twips on both sides
  p.windows.cursor = {-3000, 3000};
  p.system.userName = "owner";
  CWinAPI api(p);  // must not throw
  Long user = 2;
  EXPECT_EQ(api.ComputerName(user), L"owner");
  EXPECT_EQ(api.WorkAreaTop(), 0);
  EXPECT_THROW(api.WorkAreaLeft(), RuntimeError);
  EXPECT_THROW(api.MouseX(), RuntimeError);
  EXPECT_THROW(api.MouseY(), RuntimeError);
}

}  // namespace
}  // namespace qc
