// Names reach the system unchanged or not at all: a name cut at an embedded NUL or best-fit
// mapped into the ANSI code page would act on another key, value or file.
#include <gtest/gtest.h>

#include <functional>

#include "registry/advanced_registry_functions.h"
#include "support.h"
#include "winapi/cwinapi.h"

namespace qc::wintest {
namespace {

using namespace std::string_literals;

TEST(ExactNames, NamesThatTheCodePageWouldChangeAreRefused) {
  const std::wstring lookalike = L"\xFF33\xFF36\xFF23\xFF28\xFF2F\xFF33\xFF34";  // full-width
  ScratchKey scratch;
  HKEY key = scratch.Create();
  RegCloseKey(scratch.Create());
  RegSetValueExW(key, L"SVCHOST", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"worm"), 10);
  RegSetValueExW(key, lookalike.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(L"own"), 8);
  HKEY child = nullptr;
  RegCreateKeyA(key, "child", &child);
  RegCloseKey(child);
  RegCloseKey(key);

  BoxRecordingPlatform platform;
  AdvancedRegistryFunctions reg(platform);
  CWinAPI api;
  const std::wstring path = scratch.Path();
  String k = win32::Wide(scratch.sub), nul = L"SVCHOST\0x"s, text = L"changed";
  Long home = static_cast<Long>(0x80000001u);
  auto shown = [&](const Variant& v) {
    return std::string(v.type() == VarType::Empty ? "Empty"
                       : v.num()                  ? "True"
                                                  : "False") +
           " " + platform.TakeBoxes();
  };
  const std::pair<std::function<std::string()>, const char*> rows[] = {
      {[&] { return shown(reg.KeyValueExist(path, lookalike)); }, "False "},
      {[&] { return shown(reg.DeleteKeyValue(path, lookalike)); }, "False Invalid Parameter;"},
      {[&] { return shown(reg.DeleteKeyValue(path, L"SVCHOST\0x"s)); }, "False Invalid Parameter;"},
      {[&] { return shown(reg.DeleteKey(path + L"\\child\0x"s)); }, "False Invalid Parameter;"},
      {[&] { return shown(reg.CreateKey(path + L"\\\xFF2E\xFF25\xFF37")); }, "False "},
      {[&] { return api.RegistryValueS(k, nul, text, home), std::string("done"); }, "done"},
  };
  for (const auto& [act, expected] : rows) EXPECT_EQ(act(), expected);
  EXPECT_EQ(RegQuery(scratch.Reg(), "SVCHOST"), "SVCHOST REG_SZ worm");
  EXPECT_EQ(RunReg("query " + scratch.Reg("child")), 0);
  EXPECT_NE(RunReg("query " + scratch.Reg("NEW")), 0);
  wchar_t own[8] = {};
  DWORD size = sizeof own;
  RegGetValueW(HKEY_CURRENT_USER, k.c_str(), lookalike.c_str(), RRF_RT_REG_SZ, nullptr, own, &size);
  EXPECT_EQ(std::wstring(own), L"own");

  // The file calls of the backend refuse such paths the same way.
  ScratchFolder folder("qc names");
  const std::wstring dir = win32::Wide(folder.path), file = win32::Wide(folder.File("ABC.txt"));
  const std::wstring lookalikeFile = dir + L"\\\xFF21\xFF22\xFF23.txt";
  win32::Win32Files files;
  win32::Win32System system;
  FindData found;
  const std::wstring moved = dir + L"\\moved.txt";
  uint32_t a = 0, b = 0, c = 0, d = 0;
  const std::pair<std::function<int64_t()>, int64_t> calls[] = {
      {[&] { return static_cast<int32_t>(files.GetFileAttributes(lookalikeFile)); }, -1},
      {[&] { return static_cast<int32_t>(files.GetFileAttributes(file + L"\0x"s)); }, -1},
      {[&] { return files.FindFirstFile(dir + L"\\\xFF21\xFF22\xFF23.*", found); }, -1},
      {[&] { return files.MoveFileEx(lookalikeFile, &moved, 0); }, 0},
      {[&] { return system.GetDiskFreeSpace(dir + L"\\\0x"s, a, b, c, d); }, 0},
  };
  for (const auto& [call, failed] : calls) {
    EXPECT_EQ(call(), failed);
    EXPECT_EQ(GetLastError(), 87u);
  }
  uint32_t code = 0;
  try {
    win32::Win32Runtime().Kill(file + L"\0x"s);
  } catch (const RuntimeError& e) {
    code = e.win32_code();
  }
  EXPECT_EQ(code, 87u);
  EXPECT_NE(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace qc::wintest
