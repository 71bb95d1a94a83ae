// CWinAPI's registry toolkit and shell registration against the real registry, cross-checked with
// the system's reg.exe, and both listings filling real list boxes, read back row by row (the
// system promises no order for values, so names and data are compared as pairs).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

// Before <windows.h>: its macros (ExitWindows, PlaySound ...) would rename members of the class.
#include "support.h"
#include "winapi/cwinapi.h"

namespace qc::wintest {
namespace {

TEST(CWinAPIRealRegistry, EachMembersEffectAsRegExeSeesIt) {
  ScratchKey scratch;
  HKEY raw = scratch.Create();
  RegSetValueExA(raw, "e", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>("%TEMP%\\x"), 9);
  RegCloseKey(raw);
  CWinAPI api;
  String key = win32::Wide(scratch.sub), sub = key + L"\\p\\c", parent = key + L"\\p", none,
         c = L"c", p = L"p", e = L"e";
  String s = L"s", d = L"d", b = L"b", abc = L"abc", n700 = L"700";
  Long home = static_cast<Long>(0x80000001u), one = 1, four = 4;
  Byte ff = 255;
  Variant text, number;
  const struct {
    std::function<void()> act;
    const char *at, *name, *line;  // then: reg.exe's line of the value at `at`, "" for none
  } rows[] = {
      {[&] { api.RegistryValueS(key, s, abc, home); }, "", "s", "s REG_SZ abc"},
      {[&] { api.RegistryValueD(key, d, n700, home); }, "", "d", "d REG_DWORD 0x2bc"},
      {[&] { api.RegistryValueB(key, b, ff, home); }, "", "b", "b REG_BINARY FF000000"},
      {[&] { api.RegistryDeleteValue(key, b, home); }, "", "b", ""},
      {[&] { api.RegistryValueS(sub, s, abc, home); }, "p", "", ""},  // no key: none is made
      {[&] { api.RegistryNewKey(sub, home); }, "p\\c", "s", ""},
      {[&] { api.RegistryValueS(sub, s, abc, home); }, "p\\c", "s", "s REG_SZ abc"},
      {[&] { api.RegistryDeletekey(p, key, home); }, "p\\c", "s", "s REG_SZ abc"},  // has a sub-key
      {[&] { api.RegistryDeletekey(none, sub, home); }, "p\\c", "s", "s REG_SZ abc"},  // names none
      {[&] { api.RegistryDeletekey(c, parent, home); }, "p", "",
       "(Default) REG_SZ (value not set)"},
  };
  for (const auto& row : rows) {
    row.act();
    EXPECT_EQ(RegQuery(scratch.Reg(row.at), row.name), row.line) << row.line;
  }
  EXPECT_EQ(RunReg("query " + scratch.Reg("p\\c")), 1);
  // Reading by kind: the text unexpanded; a number into a holder of none.
  api.RegistryGetValue(key, e, text, one, home);
  api.RegistryGetValue(key, d, number, four, home);
  EXPECT_EQ(text.str(), L"%TEMP%\\x");
  EXPECT_EQ(Show(number), "Long 700");
}

// Shell registration pointed at the per-user classes, so that no administrator rights are needed.
TEST(CWinAPIRealShell, EveryCommandWrittenIsQuoted) {
  ScratchKey scratch;
  const std::string u = scratch.sub.substr(scratch.sub.rfind('\\') + 1), type = "QCTests." + u;
  CWinAPI api;
  api.SetClassesRoot(static_cast<Long>(0x80000001u), L"Software\\Classes\\");
  String verb = win32::Wide("QCTestVerb" + u), path, ext = win32::Wide("qc" + u),
         wtype = win32::Wide(type), program = L"\"C:\\Program Files\\Q\\v.exe\"", text = L"Q file";
  api.RegistryCreateRightClickAccess(verb, path);
  api.RegistryCreateAssociation(ext, wtype, program, text);
  char module[MAX_PATH];
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  const std::string command =
      "\"" + std::string(module) + "\" " + win32::Ansi(win32::Win32Runtime().Command()) + " \"%1\"";
  EXPECT_EQ(win32::Ansi(path), command);
  const std::pair<std::string, std::string> rows[] = {
      {"*\\shell\\QCTestVerb" + u + "\\Command", command},
      {".qc" + u, type},
      {type, "Q file"},
      {type + "\\shell\\open\\command", "\"C:\\Program Files\\Q\\v.exe\" \"%1\""}};
  for (const auto& [at, data] : rows) {
    std::string collapsed = "(Default) REG_SZ";  // reg.exe's line, with its blanks collapsed
    for (char ch : " " + data)
      if (ch != ' ' || collapsed.back() != ' ') collapsed += ch;
    EXPECT_EQ(RegQuery("\"HKCU\\Software\\Classes\\" + at + "\"", ""), collapsed) << at;
  }
  for (const std::string& at : {"*\\shell\\QCTestVerb" + u, ".qc" + u, type})
    RunReg("delete \"HKCU\\Software\\Classes\\" + at + "\" /f");
}

class CWinAPIListing : public ::testing::Test {
 protected:
  ~CWinAPIListing() override { RegCloseKey(raw); }
  ScratchKey scratch;
  HKEY raw = scratch.Create();
  CWinAPI api;
  String key = win32::Wide(scratch.sub), nowhere = key + L"\\nowhere";
  Long home = static_cast<Long>(0x80000001u);
};

TEST_F(CWinAPIListing, ValuesOfEveryTypeShowTheirDisplayTexts) {
  using namespace std::string_literals;
  const std::tuple<const char*, DWORD, std::string, const char*> rows[] = {
      {"", REG_SZ, "dflt\0"s, "(Default)=\"dflt\""},
      {"empty sz", REG_SZ, "\0"s, "empty sz=\"\""},
      {"expand", REG_EXPAND_SZ, "%TEMP%\\x\0"s, "expand=%TEMP%\\x"},
      {"bin", REG_BINARY, "\x01\x0A\x0F\x10\xFF"s, "bin=01 A F 10 FF "},
      {"bin empty", REG_BINARY, ""s, "bin empty=(value not set)"},
      {"dw 31", REG_DWORD, "\x1F\0\0\0"s, "dw 31=&H1F (31)"},
      {"dw high", REG_DWORD, "\0\0\0\x80"s, "dw high=&H80000000 (2147483648)"},
      {"dw max", REG_DWORD, "\xFF\xFF\xFF\xFF"s, "dw max=&HFFFFFFFF (4294967295)"},
      {"multi", REG_MULTI_SZ, "a\0b\0\0"s, "multi=a b  "},
      {"resource", REG_FULL_RESOURCE_DESCRIPTOR, "\x01\x02"s,
       "resource=REG_FULL_RESOURCE_DESCRIPTOR"},
      {"none", REG_NONE, "xy\0z"s, "none=xy"},
  };
  std::vector<std::string> expected;
  for (const auto& [name, type, data, shown] : rows) {
    ASSERT_EQ(RegSetValueExA(raw, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size())),
              0);
    expected.push_back(shown);
    expected.push_back(shown);  // a second listing appends the rows again
  }
  ListBox names, datas;
  for (int i = 0; i < 2; ++i) api.RegistryEnumerateValues(key, names.handle, datas.handle, home);
  const auto n = names.Rows(), d = datas.Rows();
  ASSERT_EQ(n.size(), d.size());
  std::vector<std::string> shown;
  for (size_t i = 0; i < n.size(); ++i) shown.push_back(n[i] + "=" + d[i]);
  std::sort(shown.begin(), shown.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(shown, expected);
}

TEST_F(CWinAPIListing, SubKeysOfTheLongestLengthAreListed) {
  const std::string longest1(255, 'a'), longest2 = std::string(254, 'b') + "c";
  for (const std::string& k : {std::string("k"), longest1, longest2}) {
    HKEY sub = nullptr;
    ASSERT_EQ(RegCreateKeyA(raw, k.c_str(), &sub), 0) << k.size();
    RegCloseKey(sub);
  }
  ListBox box;
  EXPECT_EQ(api.RegEnumKeys(key, box.handle, home), 0);
  auto rows = box.Rows();
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ(rows, (std::vector<std::string>{longest1, longest2, "k"}));
  EXPECT_EQ(api.RegEnumKeys(nowhere, box.handle, home), ERROR_FILE_NOT_FOUND);
}

}  // namespace
}  // namespace qc::wintest
