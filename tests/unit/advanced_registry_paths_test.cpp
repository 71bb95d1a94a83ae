// Path strings and error texts across the members of the class.
#include <functional>

#include "advanced_registry_test_support.h"
#include "support/error_number.h"

namespace qc::test {
namespace {

using RegistryPaths = RegistryClassTest;

TEST_F(RegistryPaths, BadPathsAndUnknownRootsTouchNoKeyWhateverTheMember) {
  using Call = std::function<Variant(const std::wstring&)>;
  const std::pair<Call, const char*> members[] = {  // the result when the path names no root
      {[&](auto& k) { return reg.SetDWordValue(k, L"v", 1); }, "False"},
      {[&](auto& k) { return reg.GetDWordValue(k, L"v"); }, "Empty"},
      {[&](auto& k) { return reg.SetBinaryValue(k, L"v", L"AB"); }, "False"},
      {[&](auto& k) { return reg.GetBinaryValue(k, L"v"); }, "Empty"},
      {[&](auto& k) { return reg.SetStringValue(k, L"v", L"x"); }, "False"},
      {[&](auto& k) { return reg.GetStringValue(k, L"v"); }, "Empty"},
      {[&](auto& k) { return reg.CreateKey(k); }, "False"},
      {[&](auto& k) { return reg.DeleteKey(k); }, "False"},
      {[&](auto& k) { return reg.DeleteKeyValue(k, L"v"); }, "False"},
      {[&](auto& k) { return reg.KeyExist(k); }, "Empty"},
      {[&](auto& k) { return reg.KeyValueExist(k, L"v"); }, "Empty"},
  };
  // Malformed paths show the format box even with error boxes off; unknown roots show nothing.
  reg.SetDisplayErrorMsg(Variant::Boolean(false));
  const std::pair<std::wstring, bool> paths[] = {
      {L"HKEY_CURRENT_USER\\", true}, {L"hkey_current_user\\Software", true}, {L"", true},
      {L"HKEY", true},  {L"HKEY_FOO\\Software", false}, {L"HKEY_Local_Machine\\Software", false}};
  for (const auto& [call, initial] : members) {
    for (const auto& [path, box] : paths) {
      reg.KeyExist(L"HKEY_CURRENT_USER");  // a root from an earlier call must not carry over
      p.registry.calls = 0;
      Boxes();
      EXPECT_EQ(Show(call(path)), initial) << CallLog::Narrow(path);
      EXPECT_EQ(Boxes(), box ? "0|Incorrect Format: \n\n" + CallLog::Narrow(path) + ";" : "");
      EXPECT_EQ(p.registry.calls, 0) << CallLog::Narrow(path);
    }
  }
}

TEST_F(RegistryPaths, TheRootEndsAtTheFirstBackslash) {
  const std::pair<const wchar_t*, const char*> rows[] = {
      {L"HKEY_CLASSES_ROOT\\A\\B", "True"},     {L"HKEY_CURRENT_USER\\A\\B", "True"},
      {L"HKEY_LOCAL_MACHINE\\A\\B", "True"},    {L"HKEY_USERS\\A\\B", "True"},
      {L"HKEY_PERFORMANCE_DATA\\A\\B", "True"}, {L"HKEY_CURRENT_CONFIG\\A\\B", "True"},
      {L"HKEY_DYN_DATA\\A\\B", "True"},         {L"HKEY_CURRENT_USER", "True"},
      {L"HKEY_LOCAL_MACHINE\\\\A\\B", "Empty"},  // the sub-key keeps its leading backslash
  };
  for (const auto& [path, exists] : rows) {
    reg.CreateKey(path);
    EXPECT_EQ(Show(reg.KeyExist(path)), exists) << CallLog::Narrow(path);
  }
  EXPECT_TRUE(p.registry.HasKey(L"HKEY_USERS\\A\\B"));
}

TEST_F(RegistryPaths, ErrorTextsAndTheSwitchThatShowsThem) {
  const std::pair<int32_t, const char*> rows[] = {
      {2, "Bad Key Name"},
      {1010, "Bad Key Name"},
      {4, "Can't Read Key"},
      {1012, "Can't Read Key"},
      {5, "Access To this key Is Denied"},
      {8, "Out Of memory"},
      {14, "Out Of memory"},
      {87, "Invalid Parameter"},
      {234, "There Is More Data Than The Buffer Has Been Allocated To Hold"},
      {1009, "The Registry Database Is Corrupt!"},
      {1015, "The Registry Database Is Corrupt!"},
      {1011, "Can't Open Key"},
      {1013, "Can't Write Key"},
      {1014, "Undefined Error Code :  1014"},
      {-1, "Undefined Error Code : -1"},
  };
  for (const auto& [code, text] : rows) {
    p.registry.InjectFailure("RegDeleteKey", code, L"", 1);
    EXPECT_EQ(Show(reg.DeleteKey(kScratch)), "False");
    EXPECT_EQ(Boxes(), std::string("48|") + text + ";") << code;
  }
  // The switch takes anything Boolean-like; a text that is none fails and changes nothing.
  const std::pair<Variant, const char*> settings[] = {{Variant::Boolean(false), ""},
                                                      {Variant::Long(7), "48|Bad Key Name;"},
                                                      {Variant(), ""},
                                                      {Variant(L"True"), "48|Bad Key Name;"}};
  for (const auto& [setting, box] : settings) {
    reg.SetDisplayErrorMsg(setting);
    reg.DeleteKey(kScratch);  // missing
    EXPECT_EQ(Boxes(), box) << CallLog::Narrow(CStr(setting));
  }
  EXPECT_EQ(ErrorNumberOf([&] { reg.SetDisplayErrorMsg(Variant(L"yes")); }), kErrTypeMismatch);
  reg.DeleteKey(kScratch);
  EXPECT_EQ(Boxes(), "48|Bad Key Name;") << "the failed setting changed the switch";
}

}  // namespace
}  // namespace qc::test
