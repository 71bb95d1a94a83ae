// The registry class over the double, where only logic decides: the result and box of every
// failing call, path rules, error texts, the code page; every member returns with its key closed.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "registry/advanced_registry_functions.h"
#include "support/error_number.h"
#include "support/fake_platform.h"

namespace qc::test {
namespace {
// "Empty", "True", "False", "Long 258", "String 'Error'": type and value in one text.
std::string Show(const Variant& v) {
  if (v.type() == VarType::Empty) return "Empty";
  if (v.type() == VarType::Boolean) return v.num() != 0 ? "True" : "False";
  if (v.type() == VarType::Long) return "Long " + std::to_string(static_cast<long long>(v.num()));
  return "String '" + CallLog::Narrow(v.str()) + "'";
}

class RegistryClassTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(p.registry.OpenHandles(), 0) << "a key was left open"; }
  // The boxes shown since the last call, as "text;" each, "!text;" with the exclamation icon.
  std::string Boxes() {
    std::string all;
    for (const auto& b : p.runtime.boxes)
      all +=
          (b.style == 48 ? "!" : std::to_string(b.style) + "|") + CallLog::Narrow(b.prompt) + ";";
    p.runtime.boxes.clear();
    return all;
  }

  FakePlatform p;
  AdvancedRegistryFunctions reg{p};
};

const std::wstring kScratch = L"HKEY_CURRENT_USER\\Software\\Scratch";

TEST_F(RegistryClassTest, EachFailingCallGivesTheMembersResultAndBox) {
  const struct {
    std::function<Variant()> member;
    const char* call;
    int32_t code;
    const char* result;
    const char* box;
  } rows[] = {
      {[&] { return reg.KeyValueExist(kScratch, L"s"); }, "RegQueryValueEx", 5, "False", ""},
      {[&] { return reg.KeyExist(kScratch); }, "RegOpenKeyEx", 5, "Empty", ""},
      {[&] { return reg.CreateKey(kScratch + L"\\new"); }, "RegCreateKey", 5, "False", ""},
      {[&] { return reg.DeleteKeyValue(kScratch, L"s"); }, "RegOpenKeyEx", 5, "False", ""},
      {[&] { return reg.DeleteKeyValue(kScratch, L"s"); }, "RegDeleteValue", 2, "False",
       "!Bad Key Name;"},
      {[&] { return reg.DeleteKey(kScratch); }, "RegDeleteKey", 5, "False",
       "!Access To this key Is Denied;"},
      {[&] { return reg.SetDWordValue(kScratch, L"d", 1); }, "RegOpenKeyEx", 2, "False",
       "!Bad Key Name;"},
      {[&] { return reg.SetDWordValue(kScratch, L"d", 1); }, "RegSetValueEx", 5, "False",
       "!Access To this key Is Denied;"},
      {[&] { return reg.SetStringValue(kScratch, L"s", L"x"); }, "RegSetValueEx", 1013, "False",
       "!Can't Write Key;"},
      {[&] { return reg.SetBinaryValue(kScratch, L"b", L"x"); }, "RegSetValueEx", 8, "False",
       "!Out Of memory;"},
      {[&] { return reg.GetDWordValue(kScratch, L"d"); }, "RegQueryValueEx", 234, "String 'Error'",
       "!There Is More Data Than The Buffer Has Been Allocated To Hold;"},
      {[&] { return reg.GetStringValue(kScratch, L"s"); }, "RegQueryValueEx", 2, "String 'Error'",
       "!Bad Key Name;"},
      {[&] { return reg.GetBinaryValue(kScratch, L"b"); }, "RegOpenKeyEx", 1010, "String 'Error'",
       "!Bad Key Name;"},
  };
  p.registry.SetString(kScratch, L"s", "text");
  p.registry.SetDword(kScratch, L"d", 7);
  p.registry.SetValue(kScratch, L"b", 3, {1});
  for (bool display : {true, false}) {
    reg.SetDisplayErrorMsg(Variant::Boolean(display));
    for (const auto& row : rows) {
      p.registry.InjectFailure(row.call, row.code, L"", 1);
      EXPECT_EQ(Show(row.member()), row.result) << row.call << " " << row.code;
      EXPECT_EQ(Boxes(), display ? row.box : "") << row.call << " " << row.code;
      EXPECT_EQ(p.registry.OpenHandles(), 0) << "left open after " << row.call;
    }
  }
}

TEST_F(RegistryClassTest, BadPathsAndUnknownRootsTouchNoKeyWhateverTheMember) {
  using Call = std::function<Variant(const std::wstring&)>;
  const std::pair<Call, const char*> members[] = {
      // the result when the path names no root
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
  const std::pair<std::wstring, bool> paths[] = {{L"HKEY_CURRENT_USER\\", true},
                                                 {L"hkey_current_user\\Software", true},
                                                 {L"", true},
                                                 {L"HKEY", true},
                                                 {L"HKEY_FOO\\Software", false},
                                                 {L"HKEY_Local_Machine\\Software", false}};
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

TEST_F(RegistryClassTest, TheRootEndsAtTheFirstBackslash) {
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

TEST_F(RegistryClassTest, ErrorTextsAndTheSwitchThatShowsThem) {
  const std::pair<int32_t, const char*> rows[] = {{1010, "Bad Key Name"},
                                                  {4, "Can't Read Key"},
                                                  {1012, "Can't Read Key"},
                                                  {14, "Out Of memory"},
                                                  {87, "Invalid Parameter"},
                                                  {1009, "The Registry Database Is Corrupt!"},
                                                  {1015, "The Registry Database Is Corrupt!"},
                                                  {1011, "Can't Open Key"},
                                                  {1014, "Undefined Error Code :  1014"},
                                                  {-1, "Undefined Error Code : -1"}};
  for (const auto& [code, text] : rows) {
    p.registry.InjectFailure("RegDeleteKey", code, L"", 1);
    EXPECT_EQ(Show(reg.DeleteKey(kScratch)), "False");
    EXPECT_EQ(Boxes(), std::string("!") + text + ";") << code;
  }
  // The switch takes anything Boolean-like; a text that is none fails and changes nothing.
  const std::pair<Variant, const char*> settings[] = {{Variant::Boolean(false), ""},
                                                      {Variant::Long(7), "!Bad Key Name;"},
                                                      {Variant(), ""},
                                                      {Variant(L"True"), "!Bad Key Name;"}};
  for (const auto& [setting, box] : settings) {
    reg.SetDisplayErrorMsg(setting);
    reg.DeleteKey(kScratch);  // missing
    EXPECT_EQ(Boxes(), box) << CallLog::Narrow(CStr(setting));
  }
  EXPECT_EQ(ErrorNumberOf([&] { reg.SetDisplayErrorMsg(Variant(L"yes")); }), kErrTypeMismatch);
  reg.DeleteKey(kScratch);
  EXPECT_EQ(Boxes(), "!Bad Key Name;") << "the failed setting changed the switch";
}

// U+4E2D is the two bytes 81 40; everything else is Latin-1.
struct DoubleByteCodePage : FakeCodePage {
  std::string ToAnsi(const std::wstring& text) override {
    std::string out;
    for (wchar_t c : text)
      out += c == L'\x4E2D' ? std::string("\x81\x40") : FakeCodePage::ToAnsi({c});
    return out;
  }
};
struct DoubleBytePlatform : FakePlatform {
  ICodePage& CodePage() override { return dbcs; }
  DoubleByteCodePage dbcs;
};

TEST(RegistryCodePage, BinaryOverflowsOnWideCharactersAndStringsKeepEveryByte) {
  DoubleBytePlatform p;
  AdvancedRegistryFunctions reg(p);
  p.registry.AddKey(kScratch);
  for (const wchar_t* text : {L"a\x4E2D", L"A\x0100", L"\x20AC"}) {
    EXPECT_EQ(ErrorNumberOf([&] { reg.SetBinaryValue(kScratch, L"b", text); }), kErrOverflow);
    EXPECT_EQ(p.registry.OpenHandles(), 0) << "the error left the key open";
  }
  EXPECT_EQ(p.registry.GetValue(kScratch, L"b"), nullptr);
  EXPECT_EQ(Show(reg.SetStringValue(kScratch, L"s",
                                    L"\x4E2D"
                                    L"a")),
            "True");
  EXPECT_EQ(p.registry.GetValue(kScratch, L"s")->data, (std::vector<uint8_t>{0x81, 0x40, 0x61, 0}));
}

}  // namespace
}  // namespace qc::test
