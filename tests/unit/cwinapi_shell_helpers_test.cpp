#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "support/error_number.h"
#include "support/fake_platform.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

using test::FakePlatform;
using Calls = std::vector<std::string>;

struct ShellFixture : ::testing::Test {
  FakePlatform p;
  CWinAPI api{p};
  void SetUp() override { p.log.Clear(); }
};

using RetrieveIconTest = ShellFixture;

TEST_F(RetrieveIconTest, SmallAndLargeIconsDrawAtTheOriginAndOtherSizesDoNothing) {
  String file = L"c:\\docs\\a.txt";
  Long dc = 99;
  Long size = 16;
  api.RetrieveIcon(file, dc, size);
  size = 32;
  api.RetrieveIcon(file, dc, size);
  EXPECT_EQ(p.log.Calls(), (Calls{"SHGetFileInfo(\"c:\\docs\\a.txt\", 0, 352, 0x4605)",
                                  "ImageList_Draw(28672, 7, 99, 0, 0, 1)",
                                  "SHGetFileInfo(\"c:\\docs\\a.txt\", 0, 352, 0x4604)",
                                  "ImageList_Draw(28672, 7, 99, 0, 0, 1)"}));
  p.log.Clear();
  for (Long other : {24, 0, -16, 48}) {
    size = other;
    api.RetrieveIcon(file, dc, size);
  }
  EXPECT_TRUE(p.log.Calls().empty());
}

TEST_F(RetrieveIconTest, TheRecordKeepsTheLastAnswerWhenTheShellFails) {
  String file = L"c:\\a.txt";
  Long dc = 5, size = 16;
  p.shell.iconIndex = 12;
  api.RetrieveIcon(file, dc, size);
  // A path the shell cannot resolve: the call returns 0 and fills nothing, so the draw uses image
  // list 0 (draws nothing) with the index and type name the record still holds.
  p.shell.results["SHGetFileInfo"] = 0;
  String missing = L"c:\\nowhere\\x.zzz";
  p.log.Clear();
  api.RetrieveIcon(missing, dc, size);
  EXPECT_EQ(p.log.Calls().back(), "ImageList_Draw(0, 12, 5, 0, 0, 1)");
  EXPECT_EQ(api.RetrieveFileTypeName(missing), L"Text Document");
}

TEST_F(ShellFixture, RetrieveFileTypeNameCutsTheFieldAtItsFirstNul) {
  String file = L"c:\\a.txt";
  p.shell.typeName = "Fichier texte \xE9";  // ANSI bytes: converted back through the code page
  EXPECT_EQ(api.RetrieveFileTypeName(file), L"Fichier texte \u00E9");
  EXPECT_EQ(p.log.Calls(), (Calls{"SHGetFileInfo(\"c:\\a.txt\", 0, 352, 0x4605)"}));
  p.shell.typeName = std::string(79, 'T');  // the longest that fits the 80-byte field
  EXPECT_EQ(api.RetrieveFileTypeName(file), String(79, L'T'));
  p.shell.typeName = "";
  EXPECT_EQ(api.RetrieveFileTypeName(file), L"");
}

TEST_F(ShellFixture, DocumentListUpperCasesTheCallersVariable) {
  String func = L"add", name = L"c:\\docs\\report.doc";
  api.DocumentList(func, name);
  EXPECT_EQ(func, L"ADD");
  func = L"Clear";
  api.DocumentList(func, name);
  EXPECT_EQ(func, L"CLEAR");
  func = L"remove";
  api.DocumentList(func, name);  // not a command: only the upper-casing happens
  EXPECT_EQ(func, L"REMOVE");
  func = L"add";
  api.DocumentList(func);  // no name: the empty text is added
  EXPECT_EQ(p.log.Calls(), (Calls{"SHAddToRecentDocs(2, \"c:\\docs\\report.doc\")",
                                  "SHAddToRecentDocs(2, NULL)", "SHAddToRecentDocs(2, \"\")"}));
}

TEST_F(ShellFixture, ShowRecycleBinOpensExplorerAtTheBinWhateverTheAnswer) {
  Long h = 0x1234;
  p.shell.results["ShellExecute"] = 2;
  api.ShowRecycleBin(h);
  EXPECT_EQ(p.log.Calls(), (Calls{"ShellExecute(4660, \"Open\", \"explorer.exe\", "
                                  "\"/root,::{645FF040-5081-101B-9F08-00AA002F954E}\", NULL, 1)"}));
  EXPECT_TRUE(p.runtime.started.empty());
}

TEST_F(ShellFixture, OpeningFallsBackToOpenWithBelowThirtyTwoOnly) {
  String site = L"http://example.invalid/page", file = L"c:\\My Files\\odd.xyz";
  Long h = 7;
  p.shell.results["ShellExecute"] = 32;  // the lowest success
  api.OpenWebSite(site, h);
  api.ExecuteFile(file, h);
  EXPECT_TRUE(p.runtime.started.empty());
  EXPECT_EQ(p.log.Calls(),
            (Calls{"ShellExecute(7, \"Open\", \"http://example.invalid/page\", NULL, NULL, 3)",
                   // an omitted sParams is the empty text, not a null pointer
                   "ShellExecute(7, \"Open\", \"c:\\My Files\\odd.xyz\", \"\", NULL, 3)"}));
  p.log.Clear();
  p.shell.results["ShellExecute"] = 31;  // SE_ERR_NOASSOC and the like
  String params = L"/x 1";
  api.ExecuteFile(file, h, params);
  p.shell.results["ShellExecute"] = 0;
  api.OpenWebSite(site, h);
  EXPECT_EQ(p.log.Calls(),
            (Calls{"ShellExecute(7, \"Open\", \"c:\\My Files\\odd.xyz\", \"/x 1\", NULL, 3)",
                   "GetSystemDirectory(260)",
                   // the program by its path in the system folder, never searched for; a path
                   // with blanks goes unquoted, as the command has always been built
                   "ShellProgram(\"C:\\windows\\system32\\rundll32.exe\", "
                   "\"rundll32.exe shell32.dll,OpenAs_RunDLL c:\\My Files\\odd.xyz\", 1)",
                   "ShellExecute(7, \"Open\", \"http://example.invalid/page\", NULL, NULL, 3)",
                   "GetSystemDirectory(260)",
                   "ShellProgram(\"C:\\windows\\system32\\rundll32.exe\", "
                   "\"rundll32.exe shell32.dll,OpenAs_RunDLL http://example.invalid/page\", 1)"}));
}

TEST_F(ShellFixture, AFallbackThatCannotStartReachesTheCaller) {
  String file = L"c:\\x.abc";
  Long h = 0;
  p.shell.results["ShellExecute"] = 2;
  p.runtime.shellFails = true;
  EXPECT_EQ(test::ErrorNumberOf([&] { api.ExecuteFile(file, h); }), kErrFileNotFound)
      << "the failed start must reach the caller";
  // Without the system folder there is no program to start: no search for one elsewhere.
  p.runtime.shellFails = false;
  p.system.fail = true;
  EXPECT_EQ(test::ErrorNumberOf([&] { api.ExecuteFile(file, h); }), kErrFileNotFound);
  EXPECT_TRUE(p.runtime.started.empty());
}

TEST(ShellCom, EachShellMemberRunsInAnApartmentSetUpOnceAtFirstUse) {
  String file = L"c:\\a.txt", address = L"a@b.invalid", add = L"ADD";
  Long h = 1, dc = 2, size = 16;
  const std::function<void(CWinAPI&)> members[] = {
      [&](CWinAPI& a) { a.RetrieveIcon(file, dc, size); },
      [&](CWinAPI& a) { a.RetrieveFileTypeName(file); },
      [&](CWinAPI& a) { a.DocumentList(add, file); },
      [&](CWinAPI& a) { a.ShowRecycleBin(h); },
      [&](CWinAPI& a) { a.OpenWebSite(file, h); },
      [&](CWinAPI& a) { a.ExecuteFile(file, h); },
      [&](CWinAPI& a) { a.SendEmail(address, h); },
  };
  for (size_t i = 0; i < std::size(members); ++i) {
    FakePlatform p;
    p.shell.results["ShellExecute"] = 2;  // and the Open With fallback
    CWinAPI api(p);
    Long user = 2;
    api.ComputerName(user);
    EXPECT_EQ(p.shell.comInits, 0) << i;  // not for the class, only for the shell
    members[i](api);
    members[i](api);
    EXPECT_EQ(p.shell.comMode, 0x2u) << i;  // COINIT_APARTMENTTHREADED
    EXPECT_EQ(p.shell.comInits, 1) << i;
    EXPECT_EQ(p.shell.callsOutsideApartment, 0) << i;
  }
}

TEST_F(ShellFixture, SendEmailPrefixesTheCallersVariableEachTime) {
  String address = L"someone@example.invalid";
  Long h = 3;
  p.shell.results["ShellExecute"] = 2;  // a failure: no fallback for mail
  api.SendEmail(address, h);
  api.SendEmail(address, h);
  EXPECT_EQ(address, L"mailto:mailto:someone@example.invalid");
  EXPECT_EQ(p.log.Calls(),
            (Calls{"ShellExecute(3, \"Open\", \"mailto:someone@example.invalid\", NULL, NULL, 3)",
                   "ShellExecute(3, \"Open\", \"mailto:mailto:someone@example.invalid\", NULL, "
                   "NULL, 3)"}));
}

}  // namespace
}  // namespace qc
