// Path strings, error texts and the two kinds of box, across every member of the class.
#include <functional>

#include "advanced_registry_test_support.h"
#include "support/error_number.h"
#include "platform/win_constants.h"

namespace qc::test {
namespace {

struct Member {
  const char* name;
  std::function<Variant(AdvancedRegistryFunctions&, const std::wstring&)> call;
  const char* initial;  // the result when the path names no root
};

const Member kMembers[] = {
    {"SetDWordValue", [](auto& r, auto& k) { return r.SetDWordValue(k, L"v", 1); }, "False"},
    {"GetDWordValue", [](auto& r, auto& k) { return r.GetDWordValue(k, L"v"); }, "Empty"},
    {"SetBinaryValue", [](auto& r, auto& k) { return r.SetBinaryValue(k, L"v", L"AB"); }, "False"},
    {"GetBinaryValue", [](auto& r, auto& k) { return r.GetBinaryValue(k, L"v"); }, "Empty"},
    {"SetStringValue", [](auto& r, auto& k) { return r.SetStringValue(k, L"v", L"x"); }, "False"},
    {"GetStringValue", [](auto& r, auto& k) { return r.GetStringValue(k, L"v"); }, "Empty"},
    {"CreateKey", [](auto& r, auto& k) { return r.CreateKey(k); }, "False"},
    {"DeleteKey", [](auto& r, auto& k) { return r.DeleteKey(k); }, "False"},
    {"DeleteKeyValue", [](auto& r, auto& k) { return r.DeleteKeyValue(k, L"v"); }, "False"},
    {"KeyExist", [](auto& r, auto& k) { return r.KeyExist(k); }, "Empty"},
    {"KeyValueExist", [](auto& r, auto& k) { return r.KeyValueExist(k, L"v"); }, "Empty"},
};

using RegistryPaths = RegistryClassTest;

TEST_F(RegistryPaths, MalformedPathsShowTheFormatBoxEvenWithBoxesOffAndCallNothing) {
  const std::wstring bad[] = {L"HKEY_CURRENT_USER\\", L"hkey_current_user\\Software", L"", L"HKEY",
                              L"HKEY_CURRENT_USER\\Software\\"};
  for (bool display : {true, false}) {
    reg.SetDisplayErrorMsg(Variant::Boolean(display));
    for (const Member& m : kMembers) {
      for (const std::wstring& path : bad) {
        // A root set by an earlier, good call must not leak into the malformed one.
        reg.KeyExist(L"HKEY_CURRENT_USER");
        p.log.Clear();
        p.runtime.boxes.clear();
        const std::string where = std::string(m.name) + " " + CallLog::Narrow(path);
        EXPECT_EQ(Show(m.call(reg, path)), m.initial) << where;
        EXPECT_EQ(OnlyBox(), "0|Quorin Cleaner|Incorrect Format: \n\n" + CallLog::Narrow(path))
            << where;
        EXPECT_TRUE(RegistryCalls().empty()) << where;
      }
    }
  }
}

TEST_F(RegistryPaths, UnknownOrWrongCaseRootsDoNothingAndShowNothing) {
  for (const Member& m : kMembers) {
    for (const wchar_t* path : {L"HKEY_FOO\\Software", L"HKEY_Local_Machine\\Software"}) {
      p.log.Clear();
      EXPECT_EQ(Show(m.call(reg, path)), m.initial) << m.name;
      EXPECT_TRUE(p.log.Calls().empty()) << m.name;
    }
  }
}

TEST_F(RegistryPaths, RootTableAndSubKeySplitting) {
  const std::pair<const wchar_t*, const char*> roots[] = {
      {L"HKEY_CLASSES_ROOT", "0x80000000"},     {L"HKEY_CURRENT_USER", "0x80000001"},
      {L"HKEY_LOCAL_MACHINE", "0x80000002"},    {L"HKEY_USERS", "0x80000003"},
      {L"HKEY_PERFORMANCE_DATA", "0x80000004"}, {L"HKEY_CURRENT_CONFIG", "0x80000005"},
      {L"HKEY_DYN_DATA", "0x80000006"},
  };
  for (const auto& [name, hex] : roots) {
    p.log.Clear();
    reg.KeyExist(std::wstring(name) + L"\\SOFTWARE\\Microsoft");
    ASSERT_FALSE(p.log.Calls().empty());
    EXPECT_EQ(p.log.Calls()[0],
              "RegOpenKeyEx(" + std::string(hex) + ", \"SOFTWARE\\Microsoft\", 0, 0x20019)");
  }
  // A bare root names the root itself; a doubled backslash stays in the sub-key.
  p.log.Clear();
  EXPECT_EQ(Show(reg.KeyExist(L"HKEY_CURRENT_USER")), "True");
  reg.KeyExist(L"HKEY_LOCAL_MACHINE\\\\Software\\\\Wine");
  const auto calls = p.log.Matching("RegOpenKeyEx");
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0], "RegOpenKeyEx(0x80000001, \"\", 0, 0x20019)");
  EXPECT_EQ(calls[1], "RegOpenKeyEx(0x80000002, \"\\Software\\\\Wine\", 0, 0x20019)");
}

TEST_F(RegistryPaths, EveryErrorCodeHasItsText) {
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
      {3, "Undefined Error Code :  3"},
      {-1, "Undefined Error Code : -1"},
  };
  for (const auto& [code, text] : rows) {
    p.registry.InjectFailure("RegDeleteKey", code, L"", 1);
    p.runtime.boxes.clear();
    EXPECT_EQ(Show(reg.DeleteKey(kScratch)), "False");
    EXPECT_EQ(OnlyBox(), std::string("48|Quorin Cleaner|") + text) << code;
  }
}

TEST_F(RegistryPaths, DisplaySwitchTakesAnyBooleanLikeValue) {
  const auto boxesFor = [&](const Variant& setting) {
    reg.SetDisplayErrorMsg(setting);
    p.runtime.boxes.clear();
    reg.DeleteKey(kScratch);  // missing: would show "Bad Key Name"
    return p.runtime.boxes.size();
  };
  EXPECT_EQ(boxesFor(Variant::Boolean(false)), 0u);
  EXPECT_EQ(boxesFor(Variant::Long(7)), 1u);
  EXPECT_EQ(boxesFor(Variant::Integer(0)), 0u);
  EXPECT_EQ(boxesFor(Variant(L"True")), 1u);
  EXPECT_EQ(boxesFor(Variant()), 0u);  // Empty is False
  reg.SetDisplayErrorMsg(Variant::Boolean(true));
  EXPECT_EQ(test::ErrorNumberOf([&] { reg.SetDisplayErrorMsg(Variant(L"yes")); }), kErrTypeMismatch)
      << "a text that is no Boolean was taken";
  p.runtime.boxes.clear();
  reg.DeleteKey(kScratch);
  EXPECT_EQ(p.runtime.boxes.size(), 1u) << "the failed setting changed the switch";
}

}  // namespace
}  // namespace qc::test
