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

const std::wstring k = L"HKEY_CURRENT_USER\\Software\\Scratch";

TEST_F(RegistryClassTest, EachFailingCallGivesTheMembersResultAndBox) {
  const struct {
    std::function<Variant()> member;
    const char* call;
    const wchar_t* result;
    bool box;
  } rows[] = {
      {[&] { return reg.KeyValueExist(k, L"s"); }, "RegQueryValueEx", L"False", false},
      {[&] { return reg.KeyExist(k); }, "RegOpenKeyEx", L"Empty", false},
      {[&] { return reg.CreateKey(k + L"\\new"); }, "RegCreateKey", L"False", false},
      {[&] { return reg.DeleteKeyValue(k, L"s"); }, "RegOpenKeyEx", L"False", false},
      {[&] { return reg.DeleteKeyValue(k, L"s"); }, "RegDeleteValue", L"False", true},
      {[&] { return reg.SetDWordValue(k, L"d", 1); }, "RegOpenKeyEx", L"False", true},
      {[&] { return reg.SetDWordValue(k, L"d", 1); }, "RegSetValueEx", L"False", true},
      {[&] { return reg.SetStringValue(k, L"s", L"x"); }, "RegSetValueEx", L"False", true},
      {[&] { return reg.SetBinaryValue(k, L"b", L"x"); }, "RegSetValueEx", L"False", true},
      {[&] { return reg.GetDWordValue(k, L"d"); }, "RegQueryValueEx", L"String 'Error'", true},
      {[&] { return reg.GetStringValue(k, L"s"); }, "RegQueryValueEx", L"String 'Error'", true},
      {[&] { return reg.GetBinaryValue(k, L"b"); }, "RegOpenKeyEx", L"String 'Error'", true},
  };
  p.registry.SetString(k, L"s", "text");
  p.registry.Key(k)[L"d"] = {4, {7, 0, 0, 0}};
  p.registry.Key(k)[L"b"] = {3, {1}};
  for (bool display : {true, false}) {
    reg.SetDisplayErrorMsg(Variant::Boolean(display));
    for (const auto& row : rows) {
      p.registry.InjectFailure(row.call, 1011, 1);
      EXPECT_EQ(Show(row.member()), row.result) << row.call;
      EXPECT_EQ(Boxes(), display && row.box ? L"!Can't Open Key;" : L"") << row.call;
      EXPECT_EQ(p.registry.OpenHandles(), 0) << "left open after " << row.call;
    }
  }
  const std::wstring denied = L"Access To this key Is Denied",
                     corrupt = L"The Registry Database Is Corrupt!", memory = L"Out Of memory",
                     read = L"Can't Read Key", bad = L"Bad Key Name";
  const std::pair<int32_t, std::wstring> texts[] = {
      {2, bad},
      {1010, bad},
      {4, read},
      {1012, read},
      {5, denied},
      {8, memory},
      {14, memory},
      {87, L"Invalid Parameter"},
      {1009, corrupt},
      {1015, corrupt},
      {1013, L"Can't Write Key"},
      {234, L"There Is More Data Than The Buffer Has Been Allocated To Hold"},
      {1014, L"Undefined Error Code :  1014"},
      {-1, L"Undefined Error Code : -1"}};
  reg.SetDisplayErrorMsg(Variant::Boolean(true));
  for (const auto& [code, text] : texts) {
    p.registry.InjectFailure("RegDeleteKey", code, 1);
    reg.DeleteKey(k);
    EXPECT_EQ(Boxes(), L"!" + text + L";") << code;
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
  for (const std::wstring root :
       {L"HKEY_CLASSES_ROOT", L"HKEY_CURRENT_USER", L"HKEY_LOCAL_MACHINE", L"HKEY_USERS",
        L"HKEY_PERFORMANCE_DATA", L"HKEY_CURRENT_CONFIG", L"HKEY_DYN_DATA"}) {
    EXPECT_EQ(Show(reg.SetStringValue(root + L"\\A\\B", L"v", L"x")), L"True") << root;
    EXPECT_TRUE(p.registry.GetValue(root + L"\\A\\B", L"v")) << root;
  }
  // The sub-key keeps a leading backslash, which no key name can start with.
  EXPECT_EQ(Show(reg.KeyExist(L"HKEY_LOCAL_MACHINE\\\\A\\B")), L"Empty");
}

}  // namespace
}  // namespace qc::test
