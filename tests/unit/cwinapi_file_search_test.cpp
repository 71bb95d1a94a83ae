#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/error_number.h"
#include "support/fake_platform.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

using test::FakePlatform;
using Rows = std::vector<std::wstring>;

constexpr Long kListBox = 77;

// c:\data: a.txt (10), sub1\ (b.txt 20, deep\ c.txt 30), notes.txt\ (a folder named like the
// pattern, holding d.txt 40), e.log (50), z.txt (60).
void BuildTree(FakePlatform& p) {
  p.fs.AddFolder(L"c:\\data");
  p.fs.AddFile(L"c:\\data\\a.txt", 0x20, 10);
  p.fs.AddFolder(L"c:\\data\\sub1");
  p.fs.AddFile(L"c:\\data\\sub1\\b.txt", 0x20, 20);
  p.fs.AddFolder(L"c:\\data\\sub1\\deep");
  p.fs.AddFile(L"c:\\data\\sub1\\deep\\c.txt", 0x20, 30);
  p.fs.AddFolder(L"c:\\data\\notes.txt");
  p.fs.AddFile(L"c:\\data\\notes.txt\\d.txt", 0x20, 40);
  p.fs.AddFile(L"c:\\data\\e.log", 0x20, 50);
  p.fs.AddFile(L"c:\\data\\z.txt", 0x20, 60);
}

struct Search {
  String path = L"c:\\data";
  String pattern = L"*.txt";
  Integer files = 0, dirs = 0;
  Long listBox = kListBox;
  Boolean nameTabFolder = kFalse, thisFolderOnly = kFalse;
  Variant Run(CWinAPI& api) {
    return api.FindFilesAPI(path, pattern, files, dirs, listBox, nameTabFolder, thisFolderOnly);
  }
};

class FindFilesAPI : public ::testing::Test {
 protected:
  FakePlatform p;
  CWinAPI api{p};
};

int ErrorOf(CWinAPI& api, Search& s) {
  return test::ErrorNumberOf([&] { s.Run(api); });
}

TEST_F(FindFilesAPI, ListsEachFoldersMatchesBeforeDescendingDepthFirst) {
  BuildTree(p);
  Search s;
  const Variant total = s.Run(api);
  EXPECT_EQ(s.path, L"c:\\data\\");  // the caller's variable gains the backslash
  EXPECT_EQ(p.windows.listBoxes[kListBox],
            (Rows{L"c:\\data\\a.txt", L"c:\\data\\notes.txt", L"c:\\data\\z.txt",
                  L"c:\\data\\sub1\\b.txt", L"c:\\data\\sub1\\deep\\c.txt",
                  L"c:\\data\\notes.txt\\d.txt"}));
  // The folder notes.txt is a match (size 0) and a sub-folder at once.
  EXPECT_EQ(s.files, 6);
  EXPECT_EQ(s.dirs, 3);
  ASSERT_EQ(total.type(), VarType::Double);
  EXPECT_EQ(total.num(), 10 + 60 + 20 + 30 + 40);
  // Each level closes its handles before descending: one open at a time, none left.
  EXPECT_EQ(p.files.MostFindHandlesOpen(), 1);
  EXPECT_EQ(p.files.OpenFindHandles(), 0);
}

TEST_F(FindFilesAPI, CallsAndMessageProcessingFollowTheSearchSteps) {
  p.fs.AddFolder(L"c:\\d");
  p.fs.AddFile(L"c:\\d\\x.txt", 0x20, 1);
  p.fs.AddFolder(L"c:\\d\\s");
  p.log.Clear();
  Search s;
  s.path = L"c:\\d\\";  // already ends with a backslash: unchanged
  s.listBox = 0;        // no list box: the rows still go out, to nowhere
  s.Run(api);
  EXPECT_EQ(s.path, L"c:\\d\\");
  EXPECT_EQ(p.log.Calls(),
            (std::vector<std::string>{
                "FindFirstFile(\"c:\\d\\*\")",  // sub-folder scan: ".", "..", x.txt, s
                "FindNextFile(1280)",
                "DoEvents()",
                "FindNextFile(1280)",
                "DoEvents()",
                "GetFileAttributes(\"c:\\d\\x.txt\")",
                "FindNextFile(1280)",
                "DoEvents()",
                "GetFileAttributes(\"c:\\d\\s\")",
                "FindNextFile(1280)",
                "DoEvents()",
                "FindClose(1280)",
                "FindFirstFile(\"c:\\d\\*.txt\")",  // file search
                "DoEvents()",
                "SendMessage(0, 0x180, -1, \"c:\\d\\x.txt\")",
                "FindNextFile(1281)",
                "FindClose(1281)",
                "DoEvents()",  // before descending into s
                "FindFirstFile(\"c:\\d\\s\\*\")",
                "FindNextFile(1282)",
                "DoEvents()",
                "FindNextFile(1282)",
                "DoEvents()",
                "FindClose(1282)",
                "FindFirstFile(\"c:\\d\\s\\*.txt\")"}));
  EXPECT_TRUE(p.windows.listBoxes.empty());
}

TEST(FindFilesAPILinks, AFolderLinkIsCountedAndListedButNotSearched) {
  const struct {
    uint32_t attributes, tag;
    bool searched;
  } rows[] = {
      {0x410, 0xA000000C, false},  // a symbolic link (FILE_ATTRIBUTE_REPARSE_POINT, its tag)
      {0x410, 0xA0000003, false},  // a junction
      {0x410, 0, false},           // kind not given (Wine's Unix symbolic links)
      {0x410, 0x9000601A, true},   // a cloud placeholder holds its own entries
      {0x10, 0xA000000C, true},    // not a reparse point: the field means nothing
  };
  for (const auto& r : rows) {
    FakePlatform p;
    CWinAPI api(p);
    p.fs.AddFolder(L"c:\\data\\link", r.attributes);
    p.fs.Get(L"c:\\data\\link")->reparseTag = r.tag;
    p.fs.AddFile(L"c:\\data\\link\\inside.txt", 0x20, 5);  // what the link leads to
    Search s;
    s.pattern = L"*";
    s.Run(api);
    Rows listed{L"c:\\data\\link"};
    if (r.searched) listed.push_back(L"c:\\data\\link\\inside.txt");
    EXPECT_EQ(p.windows.listBoxes[kListBox], listed) << std::hex << r.tag;
    EXPECT_EQ(s.dirs, 1) << std::hex << r.tag;
  }
}

TEST_F(FindFilesAPI, NameTabFolderFormatHoldsAtEveryLevel) {
  BuildTree(p);
  Search s;
  s.nameTabFolder = 1;  // any non-zero value
  s.Run(api);
  const Rows& rows = p.windows.listBoxes[kListBox];
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(rows[0], L"a.txt\tc:\\data\\");
  EXPECT_EQ(rows[4], L"c.txt\tc:\\data\\sub1\\deep\\");
  EXPECT_EQ(rows[5], L"d.txt\tc:\\data\\notes.txt\\");
}

TEST_F(FindFilesAPI, ThisFolderOnlySkipsTheScanAndTheDescent) {
  BuildTree(p);
  Search s;
  s.thisFolderOnly = kTrue;
  s.dirs = 5;
  const Variant total = s.Run(api);
  EXPECT_EQ(s.dirs, 5);
  EXPECT_EQ(s.files, 3);  // a.txt, notes.txt, z.txt
  EXPECT_EQ(total.num(), 70);
  EXPECT_TRUE(p.log.Matching("GetFileAttributes").empty());
  EXPECT_EQ(p.log.Matching("FindFirstFile"),
            (std::vector<std::string>{"FindFirstFile(\"c:\\data\\*.txt\")"}));
}

TEST_F(FindFilesAPI, NothingFoundIsEmptyAndLeavesTheCounters) {
  p.fs.AddFolder(L"c:\\empty");
  p.fs.AddFolder(L"c:\\bare\\inner");
  p.fs.AddFolder(L"c:\\locked");
  p.fs.Get(L"c:\\locked")->unreadable = true;
  for (const wchar_t* folder : {L"c:\\empty", L"c:\\missing", L"c:\\locked"}) {
    Search s;
    s.path = folder;
    s.files = 4;
    s.dirs = 2;
    EXPECT_TRUE(s.Run(api).IsEmpty()) << test::CallLog::Narrow(folder);
    EXPECT_EQ(s.files, 4);
    EXPECT_EQ(s.dirs, 2);
  }
  // Sub-folders without matches: counted, and the sum is still Empty.
  Search s;
  s.path = L"c:\\bare";
  EXPECT_TRUE(s.Run(api).IsEmpty());
  EXPECT_EQ(s.dirs, 1);
  EXPECT_EQ(p.files.OpenFindHandles(), 0);
}

TEST_F(FindFilesAPI, SizesBeyondThirtyTwoBitsAddUp) {
  const uint64_t fiveGiB = 5ull << 30;  // nFileSizeHigh 1, nFileSizeLow 1 GiB
  p.fs.AddFile(L"c:\\big\\movie.bin", 0x20, fiveGiB);
  p.fs.AddFile(L"c:\\big\\more\\disk.img", 0x20, 0xFFFFFFFFull);  // low word all ones
  Search s;
  s.path = L"c:\\big";
  s.pattern = L"*";
  const Variant total = s.Run(api);
  ASSERT_EQ(total.type(), VarType::Double);
  EXPECT_EQ(total.num(), 5368709120.0 + 4294967295.0);
}

TEST_F(FindFilesAPI, CountersOverflowPastThirtyTwoThousand) {
  BuildTree(p);
  {
    Search s;
    s.files = 32766;  // a.txt takes it to 32767; notes.txt overflows
    EXPECT_EQ(ErrorOf(api, s), kErrOverflow);
    EXPECT_EQ(s.files, 32767);
    EXPECT_EQ(p.windows.listBoxes[kListBox], (Rows{L"c:\\data\\a.txt"}));
    EXPECT_EQ(p.files.OpenFindHandles(), 0);
  }
  {
    Search s;
    s.dirs = 32767;  // the first sub-folder, sub1, overflows
    EXPECT_EQ(ErrorOf(api, s), kErrOverflow);
    EXPECT_EQ(s.dirs, 32767);
    EXPECT_EQ(p.files.OpenFindHandles(), 0);
  }
  {
    // A deeper level's overflow ends the levels above it; what was counted stays counted.
    p.windows.listBoxes.clear();
    Search s;
    s.files = 32764;  // a.txt, notes.txt, z.txt fill it; b.txt in sub1 overflows
    EXPECT_EQ(ErrorOf(api, s), kErrOverflow);
    EXPECT_EQ(s.files, 32767);
    EXPECT_EQ(s.dirs, 3);  // sub1 and notes.txt, then deep: sub1 is scanned before it is searched
    EXPECT_EQ(p.windows.listBoxes[kListBox].size(), 3u);
    EXPECT_EQ(p.files.OpenFindHandles(), 0);
  }
}

TEST_F(FindFilesAPI, HandlersRunDuringTheSearchAndMayStartAnotherOne) {
  BuildTree(p);
  p.fs.AddFile(L"c:\\other\\o.txt", 0x20, 1);
  Search inner;
  inner.path = L"c:\\other";
  inner.listBox = 88;
  bool started = false;
  p.runtime.onDoEvents = [&] {
    if (started) return;
    started = true;
    inner.Run(api);  // a click handler searching elsewhere, mid-search
  };
  Search outer;
  outer.Run(api);
  EXPECT_EQ(outer.files, 6);
  EXPECT_EQ(inner.files, 1);
  EXPECT_EQ(p.windows.listBoxes[88], (Rows{L"c:\\other\\o.txt"}));
  EXPECT_EQ(p.windows.listBoxes[kListBox].size(), 6u);
  EXPECT_EQ(p.files.MostFindHandlesOpen(), 2);  // the outer level's handle and the handler's
  EXPECT_EQ(p.files.OpenFindHandles(), 0);
}

}  // namespace
}  // namespace qc
