// Shell registration against the in-memory registry: the keys and default values written, the
// quoted command lines, and the rewrites of the caller's sPath.
#include <gtest/gtest.h>

#include <string>

#include "support/fake_platform.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

using test::FakePlatform;

const std::wstring kClasses = L"HKEY_CLASSES_ROOT\\";

class CWinAPIShell : public ::testing::Test {
 protected:
  CWinAPIShell() : api(p) {}
  ~CWinAPIShell() override { EXPECT_EQ(p.registry.OpenHandles(), 0) << "a key was left open"; }

  // The default value of a key as text, "<missing>" when there is none.
  std::string Default(const std::wstring& path) {
    const auto* v = p.registry.GetValue(path, L"");
    if (!v) return "<missing>";
    EXPECT_EQ(v->type, 1u);
    EXPECT_FALSE(v->data.empty());
    EXPECT_EQ(v->data.back(), 0) << "stored without its NUL";
    return std::string(v->data.begin(), v->data.end() - (v->data.empty() ? 0 : 1));
  }

  FakePlatform p;
  CWinAPI api;
};

TEST_F(CWinAPIShell, VerbCommandQuotesTheProgramAndTheFile) {
  p.runtime.appPath = L"C:\\Program Files\\Quorin";
  p.runtime.exeName = L"app";
  p.runtime.command = L"";
  String name = L"Scan with Quorin", path = L"whatever was here";
  api.RegistryCreateRightClickAccess(name, path);

  const std::string expected = "\"C:\\Program Files\\Quorin\\app.exe\"  \"%1\"";  // two blanks
  EXPECT_EQ(Default(kClasses + L"*\\shell\\Scan with Quorin\\Command"), expected);
  EXPECT_EQ(path, std::wstring(expected.begin(), expected.end()));
  // The verb key itself holds no value.
  EXPECT_EQ(p.registry.GetValue(kClasses + L"*\\shell\\Scan with Quorin", L""), nullptr);
  EXPECT_EQ(p.log.Matching("RegCreateKeyEx").at(0),
            "RegCreateKeyEx(0x80000000, \"*\\shell\\Scan with Quorin\\Command\", 0, 0, 0x3)");

  // The program's own arguments stay between the two quoted parts, unchanged.
  p.runtime.command = L"a b";
  api.RegistryCreateRightClickAccess(name, path);
  EXPECT_EQ(path, L"\"C:\\Program Files\\Quorin\\app.exe\" a b \"%1\"");

  // From a drive root no second backslash is put before the file name.
  p.runtime.appPath = L"D:\\";
  p.runtime.command = L"";
  api.RegistryCreateRightClickAccess(name, path);
  EXPECT_EQ(Default(kClasses + L"*\\shell\\Scan with Quorin\\Command"), "\"D:\\app.exe\"  \"%1\"");
}

TEST_F(CWinAPIShell, AssociationWritesTheThreeDefaultsAndExtendsSPath) {
  String ext = L"qcx", type = L"Quorin.Report", path = L"\"C:\\Program Files\\Q\\view.exe\"",
         description = L"Quorin report";
  api.RegistryCreateAssociation(ext, type, path, description);
  EXPECT_EQ(Default(kClasses + L".qcx"), "Quorin.Report");
  EXPECT_EQ(Default(kClasses + L"Quorin.Report"), "Quorin report");
  EXPECT_EQ(Default(kClasses + L"Quorin.Report\\shell\\open\\command"),
            "\"C:\\Program Files\\Q\\view.exe\" \"%1\"");
  EXPECT_EQ(path, L"\"C:\\Program Files\\Q\\view.exe\" \"%1\"");
  for (const auto& call : p.log.Matching("RegCreateKeyEx"))
    EXPECT_NE(call.find(", 0, 0, 0x3)"), std::string::npos) << call;

  // The same variable again: the placeholder is appended a second time, as the caller asked.
  api.RegistryCreateAssociation(ext, type, path);
  EXPECT_EQ(path, L"\"C:\\Program Files\\Q\\view.exe\" \"%1\" \"%1\"");
  EXPECT_EQ(Default(kClasses + L"Quorin.Report"), "");  // omitted description: only the NUL

  // Nothing strips a leading dot.
  String dotted = L".abc";
  api.RegistryCreateAssociation(dotted, type, path);
  EXPECT_TRUE(p.registry.HasKey(kClasses + L"..abc"));
}

TEST_F(CWinAPIShell, WithoutRightsNothingIsWrittenButSPathIsStillRewritten) {
  p.registry.DenyWrite(L"HKEY_CLASSES_ROOT");
  String name = L"V", path = L"old";
  api.RegistryCreateRightClickAccess(name, path);
  EXPECT_EQ(path, L"\"C:\\Tools\\app.exe\"  \"%1\"");
  EXPECT_FALSE(p.registry.HasKey(kClasses + L"*"));

  String ext = L"e", type = L"T", cmd = L"x";
  api.RegistryCreateAssociation(ext, type, cmd);
  EXPECT_EQ(cmd, L"x \"%1\"");
  // Each write was still attempted, on the handle of a key that never opened.
  const auto sets = p.log.Matching("RegSetValueEx");
  EXPECT_EQ(sets.size(), 4u);
  for (const auto& call : sets) EXPECT_EQ(call.rfind("RegSetValueEx(0x0,", 0), 0u) << call;
  EXPECT_FALSE(p.registry.HasKey(kClasses + L".e"));
}

TEST_F(CWinAPIShell, ARedirectedRootTakesTheSameKeys) {
  api.SetClassesRoot(static_cast<Long>(0x80000001u), L"Software\\Classes\\");
  String ext = L"qcx", type = L"Q.T", path = L"p";
  api.RegistryCreateAssociation(ext, type, path);
  EXPECT_EQ(Default(L"HKEY_CURRENT_USER\\Software\\Classes\\.qcx"), "Q.T");
  EXPECT_EQ(Default(L"HKEY_CURRENT_USER\\Software\\Classes\\Q.T\\shell\\open\\command"),
            "p \"%1\"");
  EXPECT_FALSE(p.registry.HasKey(kClasses + L".qcx"));
}

}  // namespace
}  // namespace qc
