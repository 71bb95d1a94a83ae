// Counters at their limit, a level with too many sub-folders, and link kinds Wine cannot report.
#include <gtest/gtest.h>

#include <tuple>

#include "support/error_number.h"
#include "support/fake_platform.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

using Outcome = std::tuple<int, Integer, Integer, size_t>;  // error, files, dirs, rows listed

Outcome Search(test::FakePlatform& p, Integer files, Integer dirs, String pattern = L"*.txt") {
  CWinAPI api(p);
  String path = L"c:\\data";
  Long box = 77;
  const int error = test::ErrorNumberOf([&] { api.FindFilesAPI(path, pattern, files, dirs, box); });
  EXPECT_EQ(p.files.OpenFindHandles(), 0);
  return {error, files, dirs, p.windows.listBoxes[box].size()};
}

TEST(FindFilesAPI, CountersAndTheSubFolderListOverflowKeepingWhatWasCounted) {
  const std::tuple<int, Integer, Integer, Outcome> rows[] = {
      // sub-folders, files, dirs
      {1, 32765, 0, {kErrOverflow, 32767, 1, 2}},  // b.txt, one level down, is one too many
      {1, 0, 32767, {kErrOverflow, 0, 32767, 0}},
      {32768, 0, -32768, {kErrOverflow, 0, -1, 0}},  // one level lists at most 32767
  };
  for (const auto& [subFolders, files, dirs, want] : rows) {
    test::FakePlatform p;
    for (const wchar_t* f : {L"a.txt", L"z.txt", L"s0\\b.txt"})
      p.fs.AddFile(L"c:\\data\\" + String(f));
    for (int i = 1; i < subFolders; ++i) p.fs.AddFolder(L"c:\\data\\s" + std::to_wstring(i));
    EXPECT_EQ(Search(p, files, dirs), want) << subFolders << " " << files;
  }
}

TEST(FindFilesAPI, AFolderLinkIsCountedAndListedButNotSearched) {
  const std::tuple<uint32_t, uint32_t, size_t> rows[] = {
      // attributes, tag, rows listed
      {0x410, 0xA000000C, 1}, {0x410, 0xA0000003, 1}, {0x410, 0, 1},  // symlink, junction, unknown
      {0x410, 0x9000601A, 2},  // a cloud placeholder holds its own entries
      {0x10, 0xA000000C, 2},   // not a reparse point: the field means nothing
  };
  for (const auto& [attributes, tag, listed] : rows) {
    test::FakePlatform p;
    p.fs.AddFolder(L"c:\\data\\link", attributes);
    p.fs.Get(L"c:\\data\\link")->reparseTag = tag;
    p.fs.AddFile(L"c:\\data\\link\\inside.txt");
    EXPECT_EQ(Search(p, 0, 0, L"*"), Outcome(0, Integer(listed), 1, listed)) << std::hex << tag;
  }
}

}  // namespace
}  // namespace qc
