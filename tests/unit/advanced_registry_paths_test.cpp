// Path strings, error texts and the two kinds of box, across every member of the class.
#include <functional>

#include "advanced_registry_test_support.h"
#include "support/error_number.h"

namespace qc::test {
namespace {

using RegistryPaths = RegistryClassTest;

TEST_F(RegistryPaths, BadPathsAndUnknownRootsTouchNoKeyWhateverTheMember) {
  const struct {
    const char* name;
    std::function<Variant(AdvancedRegistryFunctions&, const std::wstring&)> call;
    const char* initial;  // the result when the path names no root
  } members[] = {
      {"SetDWordValue", [](auto& r, auto& k) { return r.SetDWordValue(k, L"v", 1); }, "False"},
      {"GetDWordValue", [](auto& r, auto& k) { return r.GetDWordValue(k, L"v"); }, "Empty"},
      {"SetBinaryValue", [](auto& r, auto& k) { return r.SetBinaryValue(k, L"v", L"AB"); },
       "False"},
      {"GetBinaryValue", [](auto& r, auto& k) { return r.GetBinaryValue(k, L"v"); }, "Empty"},
      {"SetStringValue", [](auto& r, auto& k) { return r.SetStringValue(k, L"v", L"x"); }, "False"},
      {"GetStringValue", [](auto& r, auto& k) { return r.GetStringValue(k, L"v"); }, "Empty"},
      {"CreateKey", [](auto& r, auto& k) { return r.CreateKey(k); }, "False"},
      {"DeleteKey", [](auto& r, auto& k) { return r.DeleteKey(k); }, "False"},
      {"DeleteKeyValue", [](auto& r, auto& k) { return r.DeleteKeyValue(k, L"v"); }, "False"},
      {"KeyExist", [](auto& r, auto& k) { return r.KeyExist(k); }, "Empty"},
      {"KeyValueExist", [](auto& r, auto& k) { return r.KeyValueExist(k, L"v"); }, "Empty"},
  };
  // Malformed paths show the format box even with error boxes off; unknown roots show nothing.
  reg.SetDisplayErrorMsg(Variant::Boolean(false));
  const std::pair<std::wstring, bool> paths[] = {
      {L"HKEY_CURRENT_USER\\", true},
      {L"hkey_current_user\\Software", true},
      {L"", true},
      {L"HKEY", true},
      {L"HKEY_FOO\\Software", false},
      {L"HKEY_Local_Machine\\Software", false},
  };
  for (const auto& m : members) {
    for (const auto& [path, box] : paths) {
      reg.KeyExist(L"HKEY_CURRENT_USER");  // a root from an earlier call must not carry over
      p.log.Clear();
      p.runtime.boxes.clear();
      const std::string where = std::string(m.name) + " " + CallLog::Narrow(path);
      EXPECT_EQ(Show(m.call(reg, path)), m.initial) << where;
      EXPECT_EQ(OnlyBox(),
                box ? "0|Quorin Cleaner|Incorrect Format: \n\n" + CallLog::Narrow(path) : "0 boxes")
          << where;
      EXPECT_TRUE(RegistryCalls().empty()) << where;
    }
  }
}

TEST_F(RegistryPaths, RootsAndTheFirstBackslash) {
  const std::pair<const wchar_t*, const char*> rows[] = {
      {L"HKEY_CLASSES_ROOT\\SOFTWARE\\Microsoft", "0x80000000, \"SOFTWARE\\Microsoft\""},
      {L"HKEY_CURRENT_USER\\SOFTWARE\\Microsoft", "0x80000001, \"SOFTWARE\\Microsoft\""},
      {L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft", "0x80000002, \"SOFTWARE\\Microsoft\""},
      {L"HKEY_USERS\\SOFTWARE\\Microsoft", "0x80000003, \"SOFTWARE\\Microsoft\""},
      {L"HKEY_PERFORMANCE_DATA\\SOFTWARE\\Microsoft", "0x80000004, \"SOFTWARE\\Microsoft\""},
      {L"HKEY_CURRENT_CONFIG\\SOFTWARE\\Microsoft", "0x80000005, \"SOFTWARE\\Microsoft\""},
      {L"HKEY_DYN_DATA\\SOFTWARE\\Microsoft", "0x80000006, \"SOFTWARE\\Microsoft\""},
      {L"HKEY_CURRENT_USER", "0x80000001, \"\""},  // a bare root names the root itself
      {L"HKEY_LOCAL_MACHINE\\\\Software\\\\Wine", "0x80000002, \"\\Software\\\\Wine\""},
  };
  for (const auto& [path, opened] : rows) {
    p.log.Clear();
    reg.KeyExist(path);
    const auto calls = p.log.Matching("RegOpenKeyEx");
    ASSERT_FALSE(calls.empty()) << CallLog::Narrow(path);
    EXPECT_EQ(calls[0], "RegOpenKeyEx(" + std::string(opened) + ", 0, 0x20019)");
  }
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
    p.runtime.boxes.clear();
    EXPECT_EQ(Show(reg.DeleteKey(kScratch)), "False");
    EXPECT_EQ(OnlyBox(), std::string("48|Quorin Cleaner|") + text) << code;
  }
  // The switch takes anything Boolean-like; a text that is none fails and changes nothing.
  const std::pair<Variant, size_t> settings[] = {
      {Variant::Boolean(false), 0}, {Variant::Long(7), 1}, {Variant(), 0}, {Variant(L"True"), 1}};
  for (const auto& [setting, boxes] : settings) {
    reg.SetDisplayErrorMsg(setting);
    p.runtime.boxes.clear();
    reg.DeleteKey(kScratch);  // missing: "Bad Key Name"
    EXPECT_EQ(p.runtime.boxes.size(), boxes) << CStr(setting).size();
  }
  EXPECT_EQ(test::ErrorNumberOf([&] { reg.SetDisplayErrorMsg(Variant(L"yes")); }),
            kErrTypeMismatch);
  p.runtime.boxes.clear();
  reg.DeleteKey(kScratch);
  EXPECT_EQ(p.runtime.boxes.size(), 1u) << "the failed setting changed the switch";
}

}  // namespace
}  // namespace qc::test
