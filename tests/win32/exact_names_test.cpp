// Names reach the system unchanged or not at all: a name cut at an embedded NUL or best-fit
// mapped into the ANSI code page would act on another key, value or file.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "registry/advanced_registry_functions.h"
#include "registry_test_support.h"
#include "winapi/cwinapi.h"

namespace qc::wintest {
namespace {

using namespace std::string_literals;

const std::wstring kLookalike = L"\xFF33\xFF36\xFF23\xFF28\xFF2F\xFF33\xFF34";  // full-width

std::string Data(HKEY root, const std::string& subKey, const std::wstring& name) {
  wchar_t text[64] = {};
  DWORD size = sizeof text;
  const std::wstring key(subKey.begin(), subKey.end());
  if (RegGetValueW(root, key.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, text, &size) != 0)
    return "<missing>";
  return win32::Ansi(text);
}

TEST(ExactNames, NamesThatTheCodePageWouldChangeAreRefused) {
  ScratchKey scratch;
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyA(scratch.root(), (scratch.SubKey() + "\\child").c_str(), &key), 0);
  RegCloseKey(key);
  ASSERT_EQ(RegOpenKeyExA(scratch.root(), scratch.SubKey().c_str(), 0, KEY_WRITE, &key), 0);
  RegSetValueExW(key, L"SVCHOST", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"worm"), 10);
  RegSetValueExW(key, kLookalike.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(L"own"), 8);
  RegCloseKey(key);

  BoxRecordingPlatform platform;
  AdvancedRegistryFunctions reg(platform);
  CWinAPI api;
  const std::wstring path = scratch.Path(), sub = path.substr(path.find(L'\\') + 1);
  Long home = static_cast<Long>(0x80000001u);
  auto shown = [&](const Variant& v) {
    std::string s = v.type() == VarType::Empty ? "Empty" : (v.num() != 0 ? "True" : "False");
    for (const RecordedBox& b : platform.boxes()) s += " box " + win32::Ansi(b.prompt);
    platform.ClearBoxes();
    return s;
  };
  const struct {
    const char* what;
    std::function<std::string()> act;
    const char* expected;
  } rows[] = {
      {"exists, look-alike", [&] { return shown(reg.KeyValueExist(path, kLookalike)); }, "False"},
      {"delete, look-alike", [&] { return shown(reg.DeleteKeyValue(path, kLookalike)); },
       "False box Invalid Parameter"},
      {"delete, NUL in value name", [&] { return shown(reg.DeleteKeyValue(path, L"SVCHOST\0x"s)); },
       "False box Invalid Parameter"},
      {"delete key, NUL in path", [&] { return shown(reg.DeleteKey(path + L"\\child\0x"s)); },
       "False box Invalid Parameter"},
      {"create key, look-alike",
       [&] { return shown(reg.CreateKey(path + L"\\\xFF2E\xFF25\xFF37")); }, "False"},
      {"utility write, NUL in value name",
       [&] {
         String name = L"SVCHOST\0x"s, k = sub, text = L"changed";
         api.RegistryValueS(k, name, text, home);
         return std::string("done");
       },
       "done"},
  };
  for (const auto& row : rows) EXPECT_EQ(row.act(), row.expected) << row.what;
  EXPECT_EQ(Data(scratch.root(), scratch.SubKey(), L"SVCHOST"), "worm");
  EXPECT_EQ(Data(scratch.root(), scratch.SubKey(), kLookalike), "own");
  EXPECT_EQ(RunReg("query \"" + scratch.RegPath("child") + "\"").exitCode, 0u);
  EXPECT_NE(RunReg("query \"" + scratch.RegPath("NEW") + "\"").exitCode, 0u);

  // The file calls of the backend refuse such paths the same way.
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring dir = temp + L"qc_names_"s + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(dir.c_str(), nullptr);
  CloseHandle(CreateFileW((dir + L"\\ABC.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                          nullptr));
  const std::wstring lookalikeFile = dir + L"\\\xFF21\xFF22\xFF23.txt";
  win32::Win32Files files;
  auto failed = [&](int64_t r) { return std::to_string(r) + " " + std::to_string(GetLastError()); };
  FindData found;
  const std::wstring moved = dir + L"\\moved.txt";
  EXPECT_EQ(failed(static_cast<int32_t>(files.GetFileAttributes(lookalikeFile))), "-1 87");
  EXPECT_EQ(failed(static_cast<int32_t>(files.GetFileAttributes(dir + L"\\ABC.txt\0x"s))), "-1 87");
  EXPECT_EQ(failed(files.FindFirstFile(dir + L"\\\xFF21\xFF22\xFF23.*", found)), "-1 87");
  EXPECT_EQ(failed(files.MoveFileEx(lookalikeFile, &moved, 0)), "0 87");
  win32::Win32System system;
  uint32_t a = 0, b = 0, c = 0, d = 0;
  EXPECT_EQ(failed(system.GetDiskFreeSpace(dir + L"\\\0x"s, a, b, c, d)), "0 87");
  uint32_t code = 0;
  try {
    win32::Win32Runtime().Kill(dir + L"\\ABC.txt\0x"s);
  } catch (const RuntimeError& e) {
    code = e.win32_code();
  }
  EXPECT_EQ(code, 87u);
  EXPECT_NE(GetFileAttributesW((dir + L"\\ABC.txt").c_str()), INVALID_FILE_ATTRIBUTES);
  DeleteFileW((dir + L"\\ABC.txt").c_str());
  DeleteFileW(moved.c_str());
  RemoveDirectoryW(dir.c_str());
}

}  // namespace
}  // namespace qc::wintest
