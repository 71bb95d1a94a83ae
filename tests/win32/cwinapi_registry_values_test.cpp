// CWinAPI's registry toolkit and shell registration against the real registry, with the stored
// data confirmed by the system's reg.exe and by plain A calls.
#include <gtest/gtest.h>

#include <string>
#include <vector>

// Before <windows.h>: its macros (ExitWindows, PlaySound ...) would rename members of the class.
#include "registry_test_support.h"
#include "winapi/cwinapi.h"

namespace qc::wintest {
namespace {

constexpr Long kHKCU = static_cast<Long>(0x80000001u);

std::wstring W(const std::string& s) {
  return std::wstring(s.begin(), s.end());
}

// The exact data of one value as `reg query` prints it (blanks inside the data kept), or
// "<missing>" when reg.exe reports no such value. name empty: the default value.
std::string RegData(const std::string& regKey, const std::string& name) {
  const ProcessResult r =
      RunReg("query \"" + regKey + "\" " + (name.empty() ? "/ve" : "/v \"" + name + "\""));
  if (r.exitCode != 0) return "<missing>";
  const std::string shown = name.empty() ? "(Default)" : name;
  size_t start = 0;
  while (start < r.output.size()) {
    size_t end = r.output.find('\n', start);
    if (end == std::string::npos) end = r.output.size();
    std::string line = r.output.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t at = line.find_first_not_of(' ');
    if (at != std::string::npos && line.compare(at, shown.size() + 4, shown + "    ") == 0) {
      // "    name    REG_TYPE    data": the data follow the type column and its four blanks.
      const size_t type = line.find("REG_", at + shown.size());
      const size_t gap = type == std::string::npos ? type : line.find("    ", type);
      return gap == std::string::npos ? "" : line.substr(gap + 4);
    }
    start = end + 1;
  }
  return "<missing>";
}

bool RegKeyExists(const std::string& regKey) {
  return RunReg("query \"" + regKey + "\"").exitCode == 0;
}

class CWinAPIRealRegistry : public ::testing::Test {
 protected:
  CWinAPIRealRegistry() { scratch.Create(); }

  ScratchKey scratch;
  CWinAPI api;
  String key = W(scratch.SubKey());
  Long home = kHKCU;
};

TEST_F(CWinAPIRealRegistry, WrappersStoreTheBytesAnotherReaderSees) {
  String s = L"s", d = L"d", b = L"b", abc = L"abc", n700 = L"700";
  Byte ff = 255;
  api.RegistryValueS(key, s, abc, home);
  api.RegistryValueD(key, d, n700, home);
  api.RegistryValueB(key, b, ff, home);

  EXPECT_EQ(RegData(scratch.RegPath(), "s"), "abc");
  EXPECT_EQ(RegQueryValueLine(scratch.RegPath(), "d"), "d REG_DWORD 0x2bc");
  EXPECT_EQ(RegQueryValueLine(scratch.RegPath(), "b"), "b REG_BINARY FF000000");
  const auto sz = ReadRaw(HKEY_CURRENT_USER, scratch.SubKey(), "s");
  ASSERT_TRUE(sz);
  EXPECT_EQ(sz->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(sz->data, (std::vector<BYTE>{'a', 'b', 'c', 0}));  // 4 bytes: the text and its NUL
  const auto dw = ReadRaw(HKEY_CURRENT_USER, scratch.SubKey(), "d");
  ASSERT_TRUE(dw);
  EXPECT_EQ(dw->data, (std::vector<BYTE>{0xBC, 0x02, 0x00, 0x00}));

  // A text that is not a number stores nothing.
  String bad = L"abc";
  try {
    api.RegistryValueD(key, d, bad, home);
    ADD_FAILURE() << "no conversion error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), kErrTypeMismatch);
  }
  EXPECT_EQ(RegQueryValueLine(scratch.RegPath(), "d"), "d REG_DWORD 0x2bc");
}

TEST_F(CWinAPIRealRegistry, AWriteIntoAMissingKeyCreatesNothing) {
  String missing = key + L"\\missing\\deeper", v = L"v", text = L"x";
  api.RegistryValueS(missing, v, text, home);
  EXPECT_FALSE(RegKeyExists(scratch.RegPath("missing")));

  api.RegistryNewKey(missing, home);
  EXPECT_TRUE(RegKeyExists(scratch.RegPath("missing\\deeper")));
  api.RegistryValueS(missing, v, text, home);
  EXPECT_EQ(RegData(scratch.RegPath("missing\\deeper"), "v"), "x");
}

TEST_F(CWinAPIRealRegistry, GetValueByKind) {
  const std::string at = "\"" + scratch.RegPath() + "\"";
  ASSERT_EQ(RunReg("add " + at + " /v s /t REG_SZ /d abc /f").exitCode, 0u);
  ASSERT_EQ(RunReg("add " + at + " /v e /t REG_EXPAND_SZ /d %TEMP%\\x /f").exitCode, 0u);
  ASSERT_EQ(RunReg("add " + at + " /v d /t REG_DWORD /d 4294967295 /f").exitCode, 0u);

  Variant v;
  Long type = 1;
  String name = L"s";
  EXPECT_TRUE(api.RegistryGetValue(key, name, v, type, home).IsEmpty());
  EXPECT_EQ(v.str(), L"abc");
  EXPECT_EQ(type, 1);

  name = L"e";
  type = 1;
  api.RegistryGetValue(key, name, v, type, home);
  EXPECT_EQ(v.str(), L"%TEMP%\\x");
  EXPECT_EQ(type, 2);

  name = L"d";
  type = 4;
  v = Variant();
  api.RegistryGetValue(key, name, v, type, home);
  EXPECT_EQ(v.type(), VarType::Long);
  EXPECT_EQ(CLng(v), -1);
  EXPECT_EQ(type, 4);

  // Kind 0 reads nothing.
  v = L"kept";
  type = 0;
  name = L"s";
  EXPECT_TRUE(api.RegistryGetValue(key, name, v, type, home).IsEmpty());
  EXPECT_EQ(v.str(), L"kept");
  EXPECT_EQ(type, 0);

  // A missing value: the untouched buffer of blanks (the type after a failed read is the
  // system's business).
  name = L"nothing";
  type = 1;
  api.RegistryGetValue(key, name, v, type, home);
  EXPECT_EQ(v.str(), std::wstring(255, L' '));
}

TEST_F(CWinAPIRealRegistry, DeletekeyTakesTheSubKeyFirst) {
  const std::string at = "\"" + scratch.RegPath("parent\\child") + "\"";
  ASSERT_EQ(RunReg("add " + at + " /f").exitCode, 0u);
  String child = L"child", parent = key + L"\\parent";
  api.RegistryDeletekey(child, parent, home);
  EXPECT_FALSE(RegKeyExists(scratch.RegPath("parent\\child")));
  EXPECT_TRUE(RegKeyExists(scratch.RegPath("parent")));

  // A key with a sub-key is left alone.
  ASSERT_EQ(RunReg("add " + at + " /f").exitCode, 0u);
  String parentName = L"parent";
  api.RegistryDeletekey(parentName, key, home);
  EXPECT_TRUE(RegKeyExists(scratch.RegPath("parent\\child")));
  // An empty sub-key names nothing to delete; the system would take the parent itself.
  String none, childPath = key + L"\\parent\\child";
  api.RegistryDeletekey(none, childPath, home);
  EXPECT_TRUE(RegKeyExists(scratch.RegPath("parent\\child")));

  String v = L"v", text = L"x";
  api.RegistryValueS(key, v, text, home);
  api.RegistryDeleteValue(key, v, home);
  EXPECT_EQ(RegData(scratch.RegPath(), "v"), "<missing>");
}

TEST_F(CWinAPIRealRegistry, RepeatedCallsLeaveNoKeyOpen) {
  String v = L"v", text = L"x", n = L"7", bad = L"z", missing = key + L"\\missing";
  String sub = L"sub", subPath = key + L"\\sub";
  Byte one = 1;
  auto everyMember = [&] {
    api.RegistryNewKey(subPath, home);
    api.RegistryValueS(key, v, text, home);
    api.RegistryValueD(key, v, n, home);
    api.RegistryValueB(key, v, one, home);
    api.RegistryValueS(missing, v, text, home);
    Variant got;
    Long type = 4;
    api.RegistryGetValue(key, v, got, type, home);
    type = 1;
    api.RegistryGetValue(missing, v, got, type, home);
    api.RegistryDeleteValue(key, v, home);
    api.RegistryDeletekey(sub, key, home);
    EXPECT_THROW(api.RegistryValueD(key, v, bad, home), RuntimeError);
  };
  everyMember();  // first-use allocations happen before counting
  const long before = CountOwnHandles();
  ASSERT_GT(before, 0) << "the system does not report handles";
  for (int i = 0; i < 100; ++i) everyMember();
  EXPECT_EQ(CountOwnHandles(), before);
}

// Shell registration pointed at the per-user classes, so that no administrator rights are needed.
class CWinAPIRealShell : public CWinAPIRealRegistry {
 protected:
  CWinAPIRealShell() {
    api.SetClassesRoot(kHKCU, L"Software\\Classes\\");
    unique = scratch.SubKey().substr(scratch.SubKey().rfind('\\') + 1);
  }
  ~CWinAPIRealShell() override {
    for (const std::string& k :
         {"*\\shell\\QCTestVerb_" + unique, ".qc" + unique, "QuorinCleanerTests." + unique})
      DeleteTree(HKEY_CURRENT_USER, "Software\\Classes\\" + k);
  }
  std::string unique;
};

TEST_F(CWinAPIRealShell, VerbAndAssociationHoldQuotedCommands) {
  String verb = W("QCTestVerb_" + unique), path = L"overwritten";
  api.RegistryCreateRightClickAccess(verb, path);
  char module[MAX_PATH];
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  std::string args;
  for (wchar_t c : win32::Win32Runtime().Command()) args += static_cast<char>(c);
  const std::string command = "\"" + std::string(module) + "\" " + args + " \"%1\"";
  const std::string verbKey = "HKCU\\Software\\Classes\\*\\shell\\QCTestVerb_" + unique;
  EXPECT_EQ(RegData(verbKey + "\\Command", ""), command);
  EXPECT_EQ(path, W(command));

  String ext = W("qc" + unique), type = W("QuorinCleanerTests." + unique),
         program = L"\"C:\\Program Files\\Quorin\\view.exe\"", description = L"Quorin test file";
  api.RegistryCreateAssociation(ext, type, program, description);
  const std::string classes = "HKCU\\Software\\Classes\\";
  EXPECT_EQ(RegData(classes + ".qc" + unique, ""), "QuorinCleanerTests." + unique);
  EXPECT_EQ(RegData(classes + "QuorinCleanerTests." + unique, ""), "Quorin test file");
  EXPECT_EQ(RegData(classes + "QuorinCleanerTests." + unique + "\\shell\\open\\command", ""),
            "\"C:\\Program Files\\Quorin\\view.exe\" \"%1\"");
  EXPECT_EQ(program, L"\"C:\\Program Files\\Quorin\\view.exe\" \"%1\"");
}

}  // namespace
}  // namespace qc::wintest
