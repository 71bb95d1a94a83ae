// CWinAPI's registry toolkit and shell registration against the real registry, cross-checked with
// the system's reg.exe.
#include <gtest/gtest.h>

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
  String s = L"s", d = L"d", b = L"b", abc = L"abc", n700 = L"700", bad = L"x";
  Long home = static_cast<Long>(0x80000001u), one = 1, four = 4;
  Byte ff = 255;
  Variant text, number;
  const struct {
    std::function<void()> act;
    const char *at, *name, *line;  // then: reg.exe's line of the value at `at`, "" for none
  } rows[] = {
      {[&] { api.RegistryValueS(key, s, abc, home); }, "", "s", "s REG_SZ abc"},
      {[&] { api.RegistryValueD(key, d, n700, home); }, "", "d", "d REG_DWORD 0x2bc"},
      {[&] { EXPECT_THROW(api.RegistryValueD(key, d, bad, home), RuntimeError); }, "", "d",
       "d REG_DWORD 0x2bc"},
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

}  // namespace
}  // namespace qc::wintest
