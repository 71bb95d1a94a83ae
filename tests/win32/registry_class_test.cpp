// The registry class against the real registry, cross-checked with reg.exe: stored data, real
// status codes and permissions, the two registry views, process handles.
#include <gtest/gtest.h>

#include <functional>

#include "registry/advanced_registry_functions.h"
#include "support.h"
// After the test support, which brings <windows.h>.
#include <aclapi.h>

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
  // Everyone may do all but `denied` on the scratch key.
  void Deny(DWORD denied) {
    EXPLICIT_ACCESS_A rules[2] = {};
    char everyone[] = "EVERYONE";
    BuildExplicitAccessWithNameA(&rules[0], everyone, denied, DENY_ACCESS, NO_INHERITANCE);
    BuildExplicitAccessWithNameA(&rules[1], everyone, KEY_ALL_ACCESS, GRANT_ACCESS, 0);
    PACL acl = nullptr;
    SetEntriesInAclA(2, rules, nullptr, &acl);
    HKEY key = scratch.Create(WRITE_DAC);
    ASSERT_EQ(SetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                              acl, nullptr),
              0u);
    LocalFree(acl);
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
  Deny(KEY_SET_VALUE | KEY_CREATE_SUB_KEY);  // read-only
  EXPECT_EQ(Show(reg.SetDWordValue(scratch.Path(), L"n", 1)), "False");
  for (RegistryView view : {RegistryView::Default, RegistryView::Force32, RegistryView::Force64}) {
    reg.SetRegistryView(view);
    EXPECT_EQ(Show(reg.CreateKey(scratch.Path())), "True") << static_cast<int>(view);
  }
  Deny(KEY_QUERY_VALUE);  // an unreadable key is not a key without the value
  EXPECT_EQ(Show(reg.KeyValueExist(scratch.Path(), L"n")), "Empty");
  Deny(0);
}

// Nothing stays open after a member, nor after one left by a runtime error with its key open.
TEST_F(RealRegistry, NoMemberLeavesAKeyOpen) {
  Set("s", REG_SZ, "x");
  const std::wstring k = scratch.Path();
  const std::function<void()> members[] = {
      [&] { reg.KeyValueExist(k, L"s"); }, [&] { reg.GetStringValue(k, L"s"); },
      [&] { reg.SetDWordValue(k, L"d", 1); }, [&] { reg.DeleteKey(k + L"\\none"); },
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

}  // namespace
}  // namespace qc::wintest
