// Existence tests, deletion and creation of keys and values, and the registry views.
#include <string>
#include <vector>

#include "advanced_registry_test_support.h"
#include "platform/win_constants.h"

namespace qc::test {
namespace {

using Calls = std::vector<std::string>;
using RegistryKeys = RegistryClassTest;

TEST_F(RegistryKeys, KeyValueExistOpensQueriesWithoutDataAndCloses) {
  p.registry.SetValue(kScratch, L"Big", win::REG_BINARY, std::vector<uint8_t>(1 << 20, 7));
  p.registry.SetString(kScratch, L"", "default");
  EXPECT_EQ(Show(reg.KeyValueExist(kScratch, L"Big")), "True");
  EXPECT_EQ(Calls(p.log.Calls()),
            (Calls{"RegOpenKeyEx(0x80000001, \"Software\\Scratch\", 0, 0x20019)",
                   "RegQueryValueEx(0x1000, \"Big\", NULL, 0)", "RegCloseKey(0x1000)"}));
  EXPECT_EQ(Show(reg.KeyValueExist(kScratch, L"")), "True");
  EXPECT_EQ(Show(reg.KeyValueExist(kScratch, L"Absent")), "False");
  EXPECT_EQ(Show(reg.KeyValueExist(kScratch + std::wstring(L"\\Missing"), L"Big")), "Empty");
  p.registry.InjectFailure("RegQueryValueEx", win::ERROR_ACCESS_DENIED, L"Big", 1);
  EXPECT_EQ(Show(reg.KeyValueExist(kScratch, L"Big")), "False");
  EXPECT_TRUE(p.runtime.boxes.empty());
}

TEST_F(RegistryKeys, KeyValueExistTenThousandTimesLeavesNoHandle) {
  p.registry.SetDword(kScratch, L"SVCHOST", 1);
  for (int i = 0; i < 10000; ++i) ASSERT_EQ(Show(reg.KeyValueExist(kScratch, L"SVCHOST")), "True");
  EXPECT_EQ(p.registry.TotalOpened(), 10000);
  EXPECT_EQ(p.registry.OpenHandles(), 0);
}

TEST_F(RegistryKeys, KeyExistIsTrueOrEmptyNeverFalse) {
  p.registry.AddKey(kScratch);
  EXPECT_EQ(Show(reg.KeyExist(kScratch)), "True");
  EXPECT_EQ(Show(reg.KeyExist(kScratch + std::wstring(L"\\Missing"))), "Empty");
  p.registry.InjectFailure("RegOpenKeyEx", win::ERROR_ACCESS_DENIED);
  EXPECT_EQ(Show(reg.KeyExist(kScratch)), "Empty");
  EXPECT_TRUE(p.runtime.boxes.empty());
}

TEST_F(RegistryKeys, DeleteKeyValueTable) {
  p.registry.SetDword(kScratch, L"Run1", 1);
  EXPECT_EQ(Show(reg.DeleteKeyValue(kScratch, L"Run1")), "True");
  EXPECT_EQ(p.registry.GetValue(kScratch, L"Run1"), nullptr);
  EXPECT_EQ(Calls(p.log.Calls()),
            (Calls{"RegOpenKeyEx(0x80000001, \"Software\\Scratch\", 0, 0x20006)",
                   "RegDeleteValue(0x1000, \"Run1\")", "RegCloseKey(0x1000)"}));

  // Missing key, and a key that refuses writing: False, silently.
  EXPECT_EQ(Show(reg.DeleteKeyValue(kScratch + std::wstring(L"\\Missing"), L"Run1")), "False");
  p.registry.DenyWrite(kScratch);
  EXPECT_EQ(Show(reg.DeleteKeyValue(kScratch, L"Run1")), "False");
  EXPECT_TRUE(p.runtime.boxes.empty());
}

TEST_F(RegistryKeys, DeleteKeyValueOnAMissingValueReportsWhileTheKeyIsOpen) {
  p.registry.AddKey(kScratch);
  int openDuringBox = -1;
  p.runtime.onMessageBox = [&] { openDuringBox = p.registry.OpenHandles(); };
  EXPECT_EQ(Show(reg.DeleteKeyValue(kScratch, L"Gone")), "False");
  EXPECT_EQ(OnlyBox(), "48|Quorin Cleaner|Bad Key Name");
  EXPECT_EQ(openDuringBox, 1);
  EXPECT_EQ(p.log.Calls().back(), "RegCloseKey(0x1000)");

  reg.SetDisplayErrorMsg(Variant::Boolean(false));
  p.runtime.boxes.clear();
  EXPECT_EQ(Show(reg.DeleteKeyValue(kScratch, L"Gone")), "False");
  EXPECT_TRUE(p.runtime.boxes.empty());
}

TEST_F(RegistryKeys, DeleteKeyMakesOneCallAndReportsItsFailure) {
  p.registry.AddKey(kScratch + std::wstring(L"\\Leaf"));
  EXPECT_EQ(Show(reg.DeleteKey(kScratch)), "False");  // has a sub-key: not recursive
  EXPECT_EQ(OnlyBox(), "48|Quorin Cleaner|Access To this key Is Denied");
  EXPECT_TRUE(p.registry.HasKey(kScratch + std::wstring(L"\\Leaf")));

  p.runtime.boxes.clear();
  p.log.Clear();
  EXPECT_EQ(Show(reg.DeleteKey(kScratch + std::wstring(L"\\Leaf"))), "True");
  EXPECT_EQ(Calls(p.log.Calls()), (Calls{"RegDeleteKey(0x80000001, \"Software\\Scratch\\Leaf\")"}));
  EXPECT_EQ(Show(reg.DeleteKey(kScratch + std::wstring(L"\\Leaf"))), "False");
  EXPECT_EQ(OnlyBox(), "48|Quorin Cleaner|Bad Key Name");
}

TEST_F(RegistryKeys, CreateKeyMakesThePathAndFailsSilently) {
  EXPECT_EQ(Show(reg.CreateKey(L"HKEY_CURRENT_USER\\A\\B\\C")), "True");
  for (const wchar_t* k :
       {L"HKEY_CURRENT_USER\\A", L"HKEY_CURRENT_USER\\A\\B", L"HKEY_CURRENT_USER\\A\\B\\C"})
    EXPECT_TRUE(p.registry.HasKey(k));
  EXPECT_EQ(Calls(p.log.Calls()),
            (Calls{"RegCreateKey(0x80000001, \"A\\B\\C\")", "RegCloseKey(0x1000)"}));
  EXPECT_EQ(Show(reg.CreateKey(L"HKEY_CURRENT_USER\\A\\B")), "True");  // existing

  p.registry.InjectFailure("RegCreateKey", win::ERROR_ACCESS_DENIED);
  EXPECT_EQ(Show(reg.CreateKey(L"HKEY_CURRENT_USER\\D")), "False");
  EXPECT_TRUE(p.runtime.boxes.empty());
}

TEST_F(RegistryKeys, ChosenViewReachesEveryOpenCreateAndDelete) {
  reg.SetRegistryView(RegistryView::Force64);
  const std::wstring key = L"HKEY_LOCAL_MACHINE\\Software\\Q";
  reg.CreateKey(key);
  reg.SetDWordValue(key, L"v", 1);
  reg.GetDWordValue(key, L"v");
  reg.KeyExist(key);
  reg.KeyValueExist(key, L"v");
  reg.DeleteKeyValue(key, L"v");
  reg.DeleteKey(key);
  const Calls opens = p.log.Matching("RegOpenKeyEx");
  // Writers open with KEY_WRITE, readers with KEY_READ, each with KEY_WOW64_64KEY added.
  const char* access[] = {"0x20106)", "0x20119)", "0x20119)", "0x20119)", "0x20106)"};
  ASSERT_EQ(opens.size(), 5u);
  for (size_t i = 0; i < 5; ++i)
    EXPECT_EQ(opens[i], "RegOpenKeyEx(0x80000002, \"Software\\Q\", 0, " + std::string(access[i]));
  EXPECT_EQ(p.log.Matching("RegCreateKey"),
            (Calls{"RegCreateKeyEx(0x80000002, \"Software\\Q\", 0, 0, 0x2000100)"}));
  EXPECT_EQ(p.log.Matching("RegDeleteKey"),
            (Calls{"RegDeleteKeyEx(0x80000002, \"Software\\Q\", 0x100, 0)"}));

  p.log.Clear();
  reg.SetRegistryView(RegistryView::Force32);
  reg.DeleteKey(key);
  reg.KeyExist(key);
  EXPECT_EQ(RegistryCalls(), (Calls{"RegDeleteKeyEx(0x80000002, \"Software\\Q\", 0x200, 0)",
                                    "RegOpenKeyEx(0x80000002, \"Software\\Q\", 0, 0x20219)"}));
}

TEST_F(RegistryKeys, ViewsSeparateTheMachinesRunKeysOfA32BitProcess) {
  p.registry.SetWow64(true);
  const std::wstring run = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
  p.registry.SetString(run, L"SVCHOST", "c:\\windows\\svchost.exe", FakeRegistry::View::Wow64);
  reg.SetDisplayErrorMsg(Variant::Boolean(false));

  EXPECT_EQ(Show(reg.KeyValueExist(run, L"SVCHOST")), "Empty");  // own view: no such key
  reg.SetRegistryView(RegistryView::Force32);
  EXPECT_EQ(Show(reg.DeleteKeyValue(run, L"SVCHOST")), "False");
  reg.SetRegistryView(RegistryView::Force64);
  EXPECT_EQ(Show(reg.KeyValueExist(run, L"SVCHOST")), "True");
  EXPECT_EQ(Show(reg.DeleteKeyValue(run, L"SVCHOST")), "True");
  EXPECT_EQ(p.registry.GetValue(run, L"SVCHOST", FakeRegistry::View::Wow64), nullptr);
  EXPECT_EQ(Show(reg.KeyValueExist(run, L"SVCHOST")), "False");
}

}  // namespace
}  // namespace qc::test
