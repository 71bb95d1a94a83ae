// What each member answers and shows when one registry call fails (real status codes injected).
#include <functional>

#include "advanced_registry_test_support.h"

namespace qc::test {
namespace {

using RegistryFailures = RegistryClassTest;

TEST_F(RegistryFailures, EachFailingCallGivesTheMembersResultAndBox) {
  const std::wstring k = kScratch;
  const struct {
    std::function<Variant()> member;
    const char* call;
    int32_t code;
    const char* result;
    const char* box;
  } rows[] = {
      {[&] { return reg.KeyValueExist(k, L"s"); }, "RegQueryValueEx", 5, "False", ""},
      {[&] { return reg.KeyExist(k); }, "RegOpenKeyEx", 5, "Empty", ""},
      {[&] { return reg.CreateKey(k + L"\\new"); }, "RegCreateKey", 5, "False", ""},
      {[&] { return reg.DeleteKeyValue(k, L"s"); }, "RegOpenKeyEx", 5, "False", ""},
      {[&] { return reg.DeleteKeyValue(k, L"s"); }, "RegDeleteValue", 2, "False", "48|Bad Key Name;"},
      {[&] { return reg.DeleteKey(k); }, "RegDeleteKey", 5, "False",
       "48|Access To this key Is Denied;"},
      {[&] { return reg.SetDWordValue(k, L"d", 1); }, "RegOpenKeyEx", 2, "False", "48|Bad Key Name;"},
      {[&] { return reg.SetDWordValue(k, L"d", 1); }, "RegSetValueEx", 5, "False",
       "48|Access To this key Is Denied;"},
      {[&] { return reg.SetStringValue(k, L"s", L"x"); }, "RegSetValueEx", 1013, "False",
       "48|Can't Write Key;"},
      {[&] { return reg.SetBinaryValue(k, L"b", L"x"); }, "RegSetValueEx", 8, "False",
       "48|Out Of memory;"},
      {[&] { return reg.GetDWordValue(k, L"d"); }, "RegQueryValueEx", 234, "String 'Error'",
       "48|There Is More Data Than The Buffer Has Been Allocated To Hold;"},
      {[&] { return reg.GetStringValue(k, L"s"); }, "RegQueryValueEx", 2, "String 'Error'",
       "48|Bad Key Name;"},
      {[&] { return reg.GetBinaryValue(k, L"b"); }, "RegOpenKeyEx", 1010, "String 'Error'",
       "48|Bad Key Name;"},
  };
  p.registry.SetString(k, L"s", "text");
  p.registry.SetDword(k, L"d", 7);
  p.registry.SetValue(k, L"b", 3, {1});
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

}  // namespace
}  // namespace qc::test
