// The registry class where only logic decides: the result and box of every failing call with the
// documented texts, path rules; every member returns with its key closed.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "registry/advanced_registry_functions.h"
#include "support/fake_platform.h"

namespace qc::test {
namespace {

// "Empty", "True", "False", "Long 258", "String 'Error'": type and value in one text.
std::wstring Show(const Variant& v) {
  if (v.type() == VarType::Empty) return L"Empty";
  if (v.type() == VarType::Boolean) return v.num() != 0 ? L"True" : L"False";
  if (v.type() == VarType::Long) return L"Long " + CStr(v);
  return L"String '" + v.str() + L"'";
}

class RegistryClassTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(p.registry.OpenHandles(), 0) << "a key was left open"; }
  // The boxes shown since the last call, "text;" each, "!text;" with the exclamation icon.
  std::wstring Boxes() {
    std::wstring all;
    for (const auto& b : p.runtime.boxes)
      all += (b.style == 48 ? L"!" : std::to_wstring(b.style) + L"|") + b.prompt + L";";
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
    const wchar_t *result, *box;
  } rows[] = {
      {[&] { return reg.KeyValueExist(kScratch, L"s"); }, "RegQueryValueEx", 5, L"False", L""},
      {[&] { return reg.KeyExist(kScratch); }, "RegOpenKeyEx", 5, L"Empty", L""},
      {[&] { return reg.CreateKey(kScratch + L"\\new"); }, "RegCreateKey", 5, L"False", L""},
      {[&] { return reg.DeleteKeyValue(kScratch, L"s"); }, "RegOpenKeyEx", 5, L"False", L""},
      {[&] { return reg.DeleteKeyValue(kScratch, L"s"); }, "RegDeleteValue", 2, L"False",
       L"!Bad Key Name;"},
      {[&] { return reg.SetDWordValue(kScratch, L"d", 1); }, "RegOpenKeyEx", 1010, L"False",
       L"!Bad Key Name;"},
      {[&] { return reg.SetDWordValue(kScratch, L"d", 1); }, "RegSetValueEx", 5, L"False",
       L"!Access To this key Is Denied;"},
      {[&] { return reg.SetStringValue(kScratch, L"s", L"x"); }, "RegSetValueEx", 1013, L"False",
       L"!Can't Write Key;"},
      {[&] { return reg.SetBinaryValue(kScratch, L"b", L"x"); }, "RegSetValueEx", 8, L"False",
       L"!Out Of memory;"},
      {[&] { return reg.GetDWordValue(kScratch, L"d"); }, "RegQueryValueEx", 234, L"String 'Error'",
       L"!There Is More Data Than The Buffer Has Been Allocated To Hold;"},
      {[&] { return reg.GetStringValue(kScratch, L"s"); }, "RegQueryValueEx", 14, L"String 'Error'",
       L"!Out Of memory;"},
      {[&] { return reg.GetBinaryValue(kScratch, L"b"); }, "RegOpenKeyEx", 87, L"String 'Error'",
       L"!Invalid Parameter;"},
  };
  p.registry.SetString(kScratch, L"s", "text");
  p.registry.SetValue(kScratch, L"d", 4, {7, 0, 0, 0});
  p.registry.SetValue(kScratch, L"b", 3, {1});
  for (bool display : {true, false}) {
    reg.SetDisplayErrorMsg(Variant::Boolean(display));
    for (const auto& row : rows) {
      p.registry.InjectFailure(row.call, row.code, 1);
      EXPECT_EQ(Show(row.member()), row.result) << row.call << " " << row.code;
      EXPECT_EQ(Boxes(), display ? row.box : L"") << row.call << " " << row.code;
      EXPECT_EQ(p.registry.OpenHandles(), 0) << "left open after " << row.call;
    }
  }
  // The other documented texts.
  const std::pair<int32_t, const wchar_t*> texts[] = {{4, L"Can't Read Key"},
                                                      {1012, L"Can't Read Key"},
                                                      {1011, L"Can't Open Key"},
                                                      {1009, L"The Registry Database Is Corrupt!"},
                                                      {1015, L"The Registry Database Is Corrupt!"},
                                                      {1014, L"Undefined Error Code :  1014"},
                                                      {-1, L"Undefined Error Code : -1"}};
  reg.SetDisplayErrorMsg(Variant::Boolean(true));
  for (const auto& [code, text] : texts) {
    p.registry.InjectFailure("RegDeleteKey", code, 1);
    reg.DeleteKey(kScratch);
    EXPECT_EQ(Boxes(), L"!" + std::wstring(text) + L";") << code;
  }
}

// Malformed paths show the format box even with error boxes off; unknown roots show nothing.
// Neither reaches the registry, whatever the member. The root ends at the first backslash.
TEST_F(RegistryClassTest, PathsAndTheirRoots) {
  using Call = std::function<Variant(const std::wstring&)>;
  const std::pair<Call, const wchar_t*> members[] = {
      // the result for a path without a root
      {[&](auto& k) { return reg.SetDWordValue(k, L"v", 1); }, L"False"},
      {[&](auto& k) { return reg.GetDWordValue(k, L"v"); }, L"Empty"},
      {[&](auto& k) { return reg.SetBinaryValue(k, L"v", L"AB"); }, L"False"},
      {[&](auto& k) { return reg.GetBinaryValue(k, L"v"); }, L"Empty"},
      {[&](auto& k) { return reg.SetStringValue(k, L"v", L"x"); }, L"False"},
      {[&](auto& k) { return reg.GetStringValue(k, L"v"); }, L"Empty"},
      {[&](auto& k) { return reg.CreateKey(k); }, L"False"},
      {[&](auto& k) { return reg.DeleteKey(k); }, L"False"},
      {[&](auto& k) { return reg.DeleteKeyValue(k, L"v"); }, L"False"},
      {[&](auto& k) { return reg.KeyExist(k); }, L"Empty"},
      {[&](auto& k) { return reg.KeyValueExist(k, L"v"); }, L"Empty"},
  };
  const std::pair<std::wstring, bool> paths[] = {{L"HKEY_CURRENT_USER\\", true},
                                                 {L"hkey_current_user\\Software", true},
                                                 {L"", true},
                                                 {L"HKEY", true},
                                                 {L"HKEY_FOO\\Software", false},
                                                 {L"HKEY_Local_Machine\\Software", false}};
  reg.SetDisplayErrorMsg(Variant::Boolean(false));
  for (const auto& [call, result] : members) {
    for (const auto& [path, box] : paths) {
      reg.KeyExist(L"HKEY_CURRENT_USER");  // a root from an earlier call must not carry over
      p.registry.calls = 0;
      EXPECT_EQ(Show(call(path)), result) << path;
      EXPECT_EQ(Boxes(), box ? L"0|Incorrect Format: \n\n" + path + L";" : L"");
      EXPECT_EQ(p.registry.calls, 0) << path;
    }
  }
  for (const wchar_t* root :
       {L"HKEY_CLASSES_ROOT", L"HKEY_CURRENT_USER", L"HKEY_LOCAL_MACHINE", L"HKEY_USERS",
        L"HKEY_PERFORMANCE_DATA", L"HKEY_CURRENT_CONFIG", L"HKEY_DYN_DATA"}) {
    for (const std::wstring sub : {L"", L"\\A\\B"}) {
      const std::wstring path = root + sub;
      EXPECT_EQ(Show(reg.CreateKey(path)), L"True") << path;
      EXPECT_EQ(Show(reg.KeyExist(path)), L"True") << path;
    }
  }
  // The sub-key keeps a leading backslash, which no key name can start with.
  EXPECT_EQ(Show(reg.KeyExist(L"HKEY_LOCAL_MACHINE\\\\A\\B")), L"Empty");
}

}  // namespace
}  // namespace qc::test
