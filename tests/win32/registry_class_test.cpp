// The registry class against the real registry: what the double cannot show (real status codes,
// stored bytes as another reader sees them, process handles, the two registry views).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "registry/advanced_registry_functions.h"
#include "registry_test_support.h"
// After the test support, which brings <windows.h>.
#include <aclapi.h>

namespace qc::wintest {
namespace {

std::string Show(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty:
      return "Empty";
    case VarType::Boolean:
      return v.num() != 0 ? "True" : "False";
    case VarType::Long:
      return "Long " + std::to_string(static_cast<long long>(v.num()));
    case VarType::String:
      return "String '" + std::string(v.str().begin(), v.str().end()) + "'";
    default:
      return "other";
  }
}

class RealRegistry : public ::testing::Test {
 protected:
  std::string Boxes() const {
    std::string all;
    for (const RecordedBox& b : platform.boxes())
      all += std::to_string(b.style) + "|" + std::string(b.title.begin(), b.title.end()) + "|" +
             std::string(b.prompt.begin(), b.prompt.end()) + ";";
    return all;
  }
  void Set(const std::string& name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(scratch.root(), scratch.SubKey().c_str(), &key), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }

  ScratchKey scratch;
  BoxRecordingPlatform platform;
  AdvancedRegistryFunctions reg{platform};
};

TEST_F(RealRegistry, KeyValueExistSeesValuesOfAnyTypeAndSize) {
  const std::wstring key = scratch.Path();
  EXPECT_EQ(Show(reg.KeyValueExist(key, L"v")), "Empty");  // no key yet
  const DWORD n = 1;
  const std::vector<BYTE> big(1 << 20, 0xA5);
  Set("sz", REG_SZ, "text", 5);
  Set("dword", REG_DWORD, &n, 4);
  Set("multi", REG_MULTI_SZ, "a\0b\0", 5);
  Set("big", REG_BINARY, big.data(), static_cast<DWORD>(big.size()));
  for (const wchar_t* name : {L"sz", L"dword", L"multi", L"big", L"BIG"})
    EXPECT_EQ(Show(reg.KeyValueExist(key, name)), "True") << std::string(name, name + 3);
  EXPECT_EQ(Show(reg.KeyValueExist(key, L"absent")), "False");
  EXPECT_EQ(Show(reg.KeyValueExist(key, L"")), "False");
  Set("", REG_SZ, "default", 8);
  EXPECT_EQ(Show(reg.KeyValueExist(key, L"")), "True");
  EXPECT_EQ(Boxes(), "");
}

TEST_F(RealRegistry, KeyValueExistTenThousandTimesKeepsTheHandleCount) {
  Set("SVCHOST", REG_SZ, "x", 2);
  const std::wstring key = scratch.Path();
  reg.KeyValueExist(key, L"SVCHOST");  // first-use allocations happen before counting
  const long before = CountOwnHandles();
  ASSERT_GT(before, 0) << "the system does not report handles";
  DWORD countBefore = 0;
  GetProcessHandleCount(GetCurrentProcess(), &countBefore);
  for (int i = 0; i < 10000; ++i) ASSERT_EQ(Show(reg.KeyValueExist(key, L"SVCHOST")), "True");
  EXPECT_EQ(CountOwnHandles(), before);
  DWORD countAfter = 0;
  GetProcessHandleCount(GetCurrentProcess(), &countAfter);
  EXPECT_EQ(countAfter, countBefore);

  // The count does see an open key: the comparison above could have failed.
  HKEY open = nullptr;
  ASSERT_EQ(RegOpenKeyExA(scratch.root(), scratch.SubKey().c_str(), 0, KEY_READ, &open), 0);
  EXPECT_EQ(CountOwnHandles(), before + 1);
  RegCloseKey(open);
}

TEST_F(RealRegistry, DeleteKeyValueDeletesOrReportsBadKeyName) {
  Set("Run1", REG_SZ, "x", 2);
  EXPECT_EQ(Show(reg.DeleteKeyValue(scratch.Path(), L"Run1")), "True");
  EXPECT_FALSE(ReadRaw(scratch.root(), scratch.SubKey(), "Run1"));
  EXPECT_EQ(RegQueryValueLine(scratch.RegPath(), "Run1"), "");
  EXPECT_EQ(Show(reg.DeleteKeyValue(scratch.Path(), L"Run1")), "False");
  EXPECT_EQ(Boxes(), "48|Quorin Cleaner|Bad Key Name;");
  platform.ClearBoxes();
  EXPECT_EQ(Show(reg.DeleteKeyValue(scratch.Path("Missing"), L"Run1")), "False");
  EXPECT_EQ(Boxes(), "");
}

TEST_F(RealRegistry, CreateKeyMakesEveryLevelAndDeleteKeyIsOneLevel) {
  EXPECT_EQ(Show(reg.CreateKey(scratch.Path("A\\B\\C"))), "True");
  for (const char* below : {"A", "A\\B", "A\\B\\C"})
    EXPECT_EQ(Show(reg.KeyExist(scratch.Path(below))), "True") << below;
  EXPECT_EQ(Show(reg.CreateKey(scratch.Path("A\\B"))), "True");

  EXPECT_EQ(Show(reg.DeleteKey(scratch.Path("A"))), "False");  // has sub-keys
  EXPECT_EQ(Boxes(), "48|Quorin Cleaner|Access To this key Is Denied;");
  platform.ClearBoxes();
  EXPECT_EQ(Show(reg.DeleteKey(scratch.Path("A\\B\\C"))), "True");
  EXPECT_EQ(Show(reg.KeyExist(scratch.Path("A\\B\\C"))), "Empty");
  EXPECT_EQ(Show(reg.DeleteKey(scratch.Path("A\\B\\C"))), "False");
  EXPECT_EQ(Boxes(), "48|Quorin Cleaner|Bad Key Name;");
}

TEST_F(RealRegistry, WritersStoreTheBytesAndTypesThatRegExeReports) {
  scratch.Create();
  const std::wstring key = scratch.Path();
  EXPECT_EQ(Show(reg.SetDWordValue(key, L"n", 258)), "True");
  EXPECT_EQ(Show(reg.SetStringValue(key, L"s", L"abc")), "True");
  EXPECT_EQ(Show(reg.SetBinaryValue(key, L"b", L"AB")), "True");
  EXPECT_EQ(Show(reg.SetBinaryValue(key, L"empty", L"")), "True");

  EXPECT_EQ(RegQueryValueLine(scratch.RegPath(), "n"), "n REG_DWORD 0x102");
  EXPECT_EQ(RegQueryValueLine(scratch.RegPath(), "s"), "s REG_SZ abc");
  EXPECT_EQ(RegQueryValueLine(scratch.RegPath(), "b"), "b REG_BINARY 4142");
  EXPECT_EQ(RegQueryValueLine(scratch.RegPath(), "empty"), "empty REG_BINARY");

  const auto n = ReadRaw(scratch.root(), scratch.SubKey(), "n");
  ASSERT_TRUE(n);
  EXPECT_EQ(n->type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(n->data, (std::vector<BYTE>{0x02, 0x01, 0x00, 0x00}));
  const auto empty = ReadRaw(scratch.root(), scratch.SubKey(), "empty");
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->data.size(), 0u);

  EXPECT_EQ(Show(reg.GetDWordValue(key, L"n")), "Long 258");
  EXPECT_EQ(Show(reg.GetStringValue(key, L"s")), "String 'abc'");
  EXPECT_EQ(Show(reg.GetBinaryValue(key, L"b")), "String 'AB'");
  EXPECT_EQ(Show(reg.GetBinaryValue(key, L"empty")), "String ''");
  EXPECT_EQ(Boxes(), "");
}

TEST_F(RealRegistry, StringReadGivesTheStoredTextWithinItsLimits) {
  const std::string fits(254, 'y');
  const std::string tooLong(255, 'z');
  Set("fits", REG_SZ, fits.c_str(), 255);
  Set("long", REG_SZ, tooLong.c_str(), 256);
  Set("lead", REG_SZ, "  ab", 5);
  Set("trail", REG_SZ, "ab  ", 5);
  Set("unterminated", REG_SZ, "abcX", 3);  // a byte other than NUL follows: stored as 3 bytes
  const std::pair<const wchar_t*, std::string> rows[] = {
      {L"fits", fits}, {L"lead", "  ab"}, {L"trail", "ab  "}, {L"unterminated", "abc"}};
  for (const auto& [name, text] : rows)
    EXPECT_EQ(Show(reg.GetStringValue(scratch.Path(), name)), "String '" + text + "'");
  EXPECT_EQ(ReadRaw(scratch.root(), scratch.SubKey(), "unterminated")->data.size(), 3u);
  EXPECT_EQ(Boxes(), "");
  EXPECT_EQ(Show(reg.GetStringValue(scratch.Path(), L"long")), "String 'Error'");
  EXPECT_EQ(Boxes(),
            "48|Quorin Cleaner|There Is More Data Than The Buffer Has Been Allocated To Hold;");
  // The empty text is stored with no bytes and reads back as the empty text.
  EXPECT_EQ(Show(reg.SetStringValue(scratch.Path(), L"e", L"")), "True");
  EXPECT_EQ(ReadRaw(scratch.root(), scratch.SubKey(), "e")->data.size(), 0u);
  EXPECT_EQ(Show(reg.GetStringValue(scratch.Path(), L"e")), "String ''");
}

TEST_F(RealRegistry, ShortDWordHasZeroHighBytesWhateverWasReadBefore) {
  const DWORD full = 0x11223344;
  const BYTE two[2] = {0xBB, 0xAA};
  Set("full", REG_DWORD, &full, 4);
  Set("two", REG_BINARY, two, 2);
  EXPECT_EQ(Show(reg.GetDWordValue(scratch.Path(), L"two")), "Long 43707");  // 0x0000AABB
  EXPECT_EQ(Show(reg.GetDWordValue(scratch.Path(), L"full")), "Long 287454020");
  EXPECT_EQ(Show(reg.GetDWordValue(scratch.Path(), L"two")), "Long 43707");
}

TEST_F(RealRegistry, CreateKeyOpensAnExistingReadOnlyKeyInEveryView) {
  scratch.Create();
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(scratch.root(), scratch.SubKey().c_str(), 0, WRITE_DAC, &key), 0);
  // Everyone may read and change permissions, nobody may write values or create sub-keys.
  EXPLICIT_ACCESS_A rules[2] = {};
  char everyone[] = "EVERYONE";
  BuildExplicitAccessWithNameA(&rules[0], everyone, KEY_SET_VALUE | KEY_CREATE_SUB_KEY, DENY_ACCESS,
                               NO_INHERITANCE);
  BuildExplicitAccessWithNameA(&rules[1], everyone, KEY_ALL_ACCESS | WRITE_DAC, GRANT_ACCESS,
                               NO_INHERITANCE);
  PACL acl = nullptr;
  ASSERT_EQ(SetEntriesInAclA(2, rules, nullptr, &acl), 0u);
  ASSERT_EQ(SetSecurityInfo(key, SE_REGISTRY_KEY,
                            DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                            nullptr, nullptr, acl, nullptr),
            0u);
  LocalFree(acl);
  RegCloseKey(key);
  ASSERT_EQ(Show(reg.SetDWordValue(scratch.Path(), L"n", 1)), "False");  // the key is read-only
  platform.ClearBoxes();

  for (RegistryView view : {RegistryView::Default, RegistryView::Force32, RegistryView::Force64}) {
    reg.SetRegistryView(view);
    EXPECT_EQ(Show(reg.CreateKey(scratch.Path())), "True") << static_cast<int>(view);
  }
  EXPECT_EQ(Boxes(), "");
}

TEST(RealRegistryViews, A64BitValueIsSeenAndDeletedOnlyThroughThe64BitView) {
  ScratchKey scratch(HKEY_LOCAL_MACHINE);
  const std::string regKey = scratch.RegPath();
  ASSERT_EQ(RunReg("add \"" + regKey + "\" /v Planted /t REG_SZ /d x /f /reg:64").exitCode, 0u);
  ASSERT_EQ(RunReg("add \"" + regKey + "\" /f /reg:32").exitCode, 0u);  // same key, no value

  BoxRecordingPlatform platform;
  AdvancedRegistryFunctions reg(platform);
  const std::wstring key = scratch.Path();
  // The process's own view: the 32-bit one for the product, the 64-bit one for a 64-bit test build.
  EXPECT_EQ(Show(reg.KeyValueExist(key, L"Planted")), sizeof(void*) == 4 ? "False" : "True");
  reg.SetRegistryView(RegistryView::Force32);
  EXPECT_EQ(Show(reg.KeyValueExist(key, L"Planted")), "False");
  EXPECT_EQ(Show(reg.DeleteKeyValue(key, L"Planted")), "False");
  reg.SetRegistryView(RegistryView::Force64);
  EXPECT_EQ(Show(reg.KeyValueExist(key, L"Planted")), "True");
  EXPECT_EQ(Show(reg.DeleteKeyValue(key, L"Planted")), "True");
  EXPECT_EQ(RegQueryValueLine(regKey, "Planted", "/reg:64"), "");

  // Deleting and creating keys take the view too.
  EXPECT_EQ(Show(reg.DeleteKey(key)), "True");
  EXPECT_NE(RunReg("query \"" + regKey + "\" /reg:64").exitCode, 0u);
  EXPECT_EQ(RunReg("query \"" + regKey + "\" /reg:32").exitCode, 0u);
  EXPECT_EQ(Show(reg.CreateKey(scratch.Path("New"))), "True");
  EXPECT_EQ(RunReg("query \"" + scratch.RegPath("New") + "\" /reg:64").exitCode, 0u);
  EXPECT_NE(RunReg("query \"" + scratch.RegPath("New") + "\" /reg:32").exitCode, 0u);

  ASSERT_EQ(platform.boxes().size(), 1u);  // the 32-bit view's key had no such value
  EXPECT_EQ(platform.boxes()[0].prompt, L"Bad Key Name");
}

}  // namespace
}  // namespace qc::wintest
