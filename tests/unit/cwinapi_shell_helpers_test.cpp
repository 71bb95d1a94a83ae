#include <gtest/gtest.h>

#include <tuple>

#include "support/error_number.h"
#include "support/fake_platform.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

TEST(ShellHelpers, BelowThirtyTwoTheOpenWithDialogStartsFromTheSystemFolder) {
  const std::wstring openWith =
      L"C:\\windows\\system32\\rundll32.exe rundll32.exe "
      L"shell32.dll,OpenAs_RunDLL c:\\My Files\\odd.xyz";
  const std::tuple<int32_t, bool, int, std::wstring> rows[] = {
      {32, false, 0, L""}, {31, false, 0, openWith}, {2, true, kErrFileNotFound, L""}};
  for (const auto& [answer, noFolder, error, started] : rows) {
    test::FakePlatform p;
    p.shell.results["ShellExecute"] = answer;
    p.system.fail = noFolder;
    CWinAPI api(p);
    String file = L"c:\\My Files\\odd.xyz";
    Long h = 7;
    EXPECT_EQ(test::ErrorNumberOf([&] { api.ExecuteFile(file, h); }), error) << answer;
    const auto& r = p.runtime;  // the program, then the command line
    EXPECT_EQ(r.programs.empty() ? L"" : r.programs[0] + L" " + r.started[0], started) << answer;
  }
}

TEST(ShellHelpers, TheTextsHandedToTheShellInAnApartmentSetUpOnceBeforehand) {
  test::FakePlatform p;
  CWinAPI api(p);
  p.log.Clear();  // what the instance read at creation
  String address = L"a@b.invalid", clear = L"clear", add = L"Add", other = L"x", doc = L"c:\\r.doc";
  Long h = 3;
  api.SendEmail(address, h);
  api.ShowRecycleBin(h);
  for (String* verb : {&clear, &add, &other}) api.DocumentList(*verb, doc);
  EXPECT_EQ(address, L"mailto:a@b.invalid");  // the caller's variable, prefixed
  EXPECT_EQ(p.log.Matching("S"),
            (std::vector<std::string>{
                "ShellExecute(3, \"Open\", \"mailto:a@b.invalid\", NULL, NULL, 3)",
                "ShellExecute(3, \"Open\", \"explorer.exe\", "
                "\"/root,::{645FF040-5081-101B-9F08-00AA002F954E}\", NULL, 1)",
                "SHAddToRecentDocs(2, NULL)", "SHAddToRecentDocs(2, \"c:\\r.doc\")"}));
  EXPECT_EQ(std::tie(p.shell.comMode, p.shell.comInits, p.shell.callsOutsideApartment),
            std::make_tuple(0x2u, 1, 0));  // apartment-threaded, once, no shell call before it
}

}  // namespace
}  // namespace qc
