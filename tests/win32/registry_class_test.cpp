// The registry class against the real registry, cross-checked with reg.exe: stored data, real
// status codes and permissions, the two registry views, no key left open. Names reach the system
// unchanged or not at all: a name cut at an embedded NUL or best-fit mapped into the ANSI code
// page would act on another key, value or file.
#include <gtest/gtest.h>

#include <functional>

#include "registry/advanced_registry_functions.h"
#include "support.h"
#include "winapi/cwinapi.h"
// After the test support, which brings <windows.h>.
#include <sddl.h>

namespace qc::wintest {
namespace {

using namespace std::string_literals;

class RealRegistry : public ::testing::Test {
 protected:
  // `size` bytes of `data` (all when omitted): a text with a byte other than NUL after it is
  // stored unterminated.
  void Set(const char* name, DWORD type, const std::string& data, size_t size = ~size_t{0}) {
    HKEY key = scratch.Create();
    RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                   static_cast<DWORD>(std::min(size, data.size())));
    RegCloseKey(key);
  }
  // The scratch key's access list, e.g. "D:P(A;;KA;;;WD)": everyone may do everything.
  void Rights(const char* dacl) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorA(dacl, SDDL_REVISION_1, &sd, nullptr);
    HKEY key = scratch.Create(WRITE_DAC);
    EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd), 0) << dacl;
    LocalFree(sd);
    RegCloseKey(key);
  }
  ScratchKey scratch;
  BoxRecordingPlatform platform;
  AdvancedRegistryFunctions reg{platform};
};

TEST_F(RealRegistry, EachMembersEffectAsRegExeSeesIt) {
  const std::wstring k = scratch.Path();
  const struct {
    std::function<Variant()> act;
    const char *result, *boxes, *name, *line;  // then: reg.exe's line of the value, "" for none
  } rows[] = {
      {[&] { return reg.KeyValueExist(k, L"n"); }, "Empty", "", "n", ""},  // no key yet
      {[&] { return reg.SetDWordValue(k, L"n", 258); }, "False", "Bad Key Name;", "n", ""},
      {[&] { return reg.CreateKey(k + L"\\A\\B"); }, "True", "", "n", ""},
      {[&] { return reg.SetDWordValue(k, L"n", 258); }, "True", "", "n", "n REG_DWORD 0x102"},
      {[&] { return reg.GetDWordValue(k, L"n"); }, "Long 258", "", "n", "n REG_DWORD 0x102"},
      {[&] { return reg.SetStringValue(k, L"s", L"abc"); }, "True", "", "s", "s REG_SZ abc"},
      {[&] { return reg.SetBinaryValue(k, L"b", L"AB"); }, "True", "", "b", "b REG_BINARY 4142"},
      {[&] { return reg.GetBinaryValue(k, L"b"); }, "String 'AB'", "", "b", "b REG_BINARY 4142"},
      {[&] { return reg.SetBinaryValue(k, L"b", L""); }, "True", "", "b", "b REG_BINARY"},
      {[&] { return reg.GetBinaryValue(k, L"b"); }, "String ''", "", "b", "b REG_BINARY"},
      {[&] { return reg.KeyValueExist(k, L"B"); }, "True", "", "b", "b REG_BINARY"},
      {[&] { return reg.DeleteKeyValue(k, L"b"); }, "True", "", "b", ""},
      {[&] { return reg.DeleteKeyValue(k, L"b"); }, "False", "Bad Key Name;", "b", ""},
      {[&] { return reg.KeyValueExist(k, L"b"); }, "False", "", "b", ""},
      {[&] { return reg.DeleteKey(k + L"\\A"); }, "False", "Access To this key Is Denied;", "", ""},
      {[&] { return reg.DeleteKey(k + L"\\A\\B"); }, "True", "", "", ""},
      {[&] { return reg.KeyExist(k + L"\\A\\B"); }, "Empty", "", "", ""},
      {[&] { return reg.KeyExist(k + L"\\A"); }, "True", "", "", ""},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(Show(row.act()), row.result) << row.line;
    EXPECT_EQ(platform.TakeBoxes(), row.boxes) << row.line;
    if (*row.name) {
      EXPECT_EQ(RegQuery(scratch.Reg(), row.name), row.line);
    }
  }
}

TEST_F(RealRegistry, StringsReadToTheirStoredSizeAndShortDWordsHaveZeroHighBytes) {
  const std::string y254(254, 'y');
  const std::tuple<std::string, size_t, std::string> strings[] = {
      {y254 + '\0', 255, y254}, {"  ab\0"s, 5, "  ab"}, {"ab  \0"s, 5, "ab  "},
      {"abcX"s, 3, "abc"},      {""s, 0, ""},           {std::string(256, 'z'), 256, "Error"}};
  for (const auto& [stored, size, read] : strings) {
    Set("s", REG_SZ, stored, size);
    EXPECT_EQ(Show(reg.GetStringValue(scratch.Path(), L"s")), "String '" + read + "'");
  }
  EXPECT_EQ(platform.TakeBoxes(), "There Is More Data Than The Buffer Has Been Allocated To Hold;");
  Set("full", REG_DWORD, "\x44\x33\x22\x11");
  Set("two", REG_BINARY, "\xBB\xAA");
  reg.GetDWordValue(scratch.Path(), L"full");
  EXPECT_EQ(Show(reg.GetDWordValue(scratch.Path(), L"two")), "Long 43707");  // 0x0000AABB
}

TEST_F(RealRegistry, PermissionsDecideNotTheView) {
  Rights("D:P(D;;0x6;;;WD)(A;;KA;;;WD)");  // read-only: no values set, no sub-keys made
  EXPECT_EQ(Show(reg.SetDWordValue(scratch.Path(), L"n", 1)), "False");
  for (RegistryView view : {RegistryView::Default, RegistryView::Force32, RegistryView::Force64}) {
    reg.SetRegistryView(view);
    EXPECT_EQ(Show(reg.CreateKey(scratch.Path())), "True") << static_cast<int>(view);
  }
  Rights("D:P(D;;0x1;;;WD)(A;;KA;;;WD)");  // unreadable: not a key without the value
  EXPECT_EQ(Show(reg.KeyValueExist(scratch.Path(), L"n")), "Empty");
  Rights("D:P(A;;KA;;;WD)");
}

// Nothing stays open after a member, nor after one left by a runtime error with its key open.
TEST_F(RealRegistry, NoMemberLeavesAKeyOpen) {
  Set("s", REG_SZ, "x");
  const std::wstring k = scratch.Path();
  const std::function<void()> members[] = {
      [&] { reg.KeyValueExist(k, L"s"); },
      [&] { reg.GetStringValue(k, L"s"); },
      [&] { reg.SetDWordValue(k, L"d", 1); },
      [&] { reg.DeleteKey(k + L"\\none"); },
      [&] { reg.CreateKey(k); },
      [&] { EXPECT_THROW(reg.SetBinaryValue(k, L"b", L"\x263A"), RuntimeError); }};
  for (int round = 0; round < 2; ++round) {  // the first makes the lasting first-use allocations
    for (size_t i = 0; i < std::size(members); ++i) {
      const uintptr_t before = NextHandle();
      members[i]();
      if (round) {
        EXPECT_EQ(NextHandle(), before) << "member " << i;
      }
    }
  }
}

TEST(RealRegistryViews, A64BitValueIsSeenAndDeletedOnlyThroughThe64BitView) {
  ScratchKey scratch(HKEY_LOCAL_MACHINE);
  ASSERT_EQ(RunReg("add " + scratch.Reg() + " /v Planted /d x /f /reg:64"), 0);
  ASSERT_EQ(RunReg("add " + scratch.Reg() + " /f /reg:32"), 0);  // same key, no value
  BoxRecordingPlatform platform;
  AdvancedRegistryFunctions reg(platform);
  const std::wstring key = scratch.Path();
  // A process's own view is its own width: 32-bit for the product, 64-bit for a 64-bit test build.
  EXPECT_EQ(Show(reg.KeyValueExist(key, L"Planted")), sizeof(void*) == 4 ? "False" : "True");
  reg.SetRegistryView(RegistryView::Force32);
  EXPECT_EQ(Show(reg.DeleteKeyValue(key, L"Planted")), "False");
  reg.SetRegistryView(RegistryView::Force64);
  EXPECT_EQ(Show(reg.DeleteKeyValue(key, L"Planted")), "True");
  EXPECT_EQ(RegQuery(scratch.Reg(), "Planted", "/reg:64"), "");
  EXPECT_EQ(Show(reg.DeleteKey(key)), "True");
  EXPECT_NE(RunReg("query " + scratch.Reg() + " /reg:64"), 0);
  EXPECT_EQ(RunReg("query " + scratch.Reg() + " /reg:32"), 0);
  EXPECT_EQ(platform.TakeBoxes(), "Bad Key Name;");  // the 32-bit view's key had no such value
}

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
  auto shown = [&](const Variant& v) { return Show(v) + " " + platform.TakeBoxes(); };
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
