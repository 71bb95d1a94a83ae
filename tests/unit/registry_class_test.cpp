// The registry class where only logic decides: the result and box of every failing call with the
// documented texts, path rules; every member returns with its key closed.
#include <gtest/gtest.h>

#include "registry/advanced_registry_functions.h"
#include "support/fake_platform.h"

namespace qc::test {
namespace {

// "Empty", "True", "False", "'Error'": type and value in one text.
std::wstring Show(const Variant& v) {
  if (v.type() == VarType::Empty) return L"Empty";
  return v.type() == VarType::Boolean ? CStr(v) : L"'" + CStr(v) + L"'";
}

// Each member, made to fail in one call, then given a malformed path (even with error boxes off,
// that shows the format box; an unknown root shows nothing; neither reaches the registry). The
// root ends at the first backslash.
TEST(RegistryClass, FailingCallsAndMalformedPathsGiveTheMembersResultAndBox) {
  FakePlatform p;
  AdvancedRegistryFunctions reg{p};
  auto boxes = [&] {  // "!text;" for each exclamation box since the last call, "0|text;" plain
    std::wstring all;
    for (const auto& b : p.boxes) {
      all += (b.style == 48 ? L"!" : std::to_wstring(b.style) + L"|") + b.prompt + L";";
      EXPECT_EQ(b.title, L"Quorin Cleaner") << b.prompt;
    }
    return p.boxes.clear(), all;
  };
  const std::wstring k = L"HKEY_CURRENT_USER\\Software\\Scratch";
  const wchar_t *F = L"False", *E = L"Empty", *X = L"'Error'";  // results
  const struct {
    std::function<Variant(const std::wstring&)> member;
    const char* call;
    bool box;
    const wchar_t *failed, *malformed;
  } rows[] = {
      {[&](auto& at) { return reg.KeyValueExist(at, L"s"); }, "RegQueryValueEx", 0, F, E},
      {[&](auto& at) { return reg.KeyExist(at); }, "RegOpenKeyEx", 0, E, E},
      {[&](auto& at) { return reg.CreateKey(at); }, "RegCreateKey", 0, F, F},
      {[&](auto& at) { return reg.DeleteKeyValue(at, L"s"); }, "RegOpenKeyEx", 0, F, F},
      {[&](auto& at) { return reg.DeleteKey(at); }, "RegDeleteKey", 1, F, F},
      {[&](auto& at) { return reg.SetDWordValue(at, L"d", 1); }, "RegOpenKeyEx", 1, F, F},
      {[&](auto& at) { return reg.SetStringValue(at, L"s", L"x"); }, "RegSetValueEx", 1, F, F},
      {[&](auto& at) { return reg.SetBinaryValue(at, L"b", L"x"); }, "RegSetValueEx", 1, F, F},
      {[&](auto& at) { return reg.GetDWordValue(at, L"d"); }, "RegQueryValueEx", 1, X, E},
      {[&](auto& at) { return reg.GetStringValue(at, L"s"); }, "RegQueryValueEx", 1, X, E},
      {[&](auto& at) { return reg.GetBinaryValue(at, L"b"); }, "RegOpenKeyEx", 1, X, E},
  };
  p.registry.SetString(k, L"s", "text");
  p.registry.Key(k)[L"d"] = {4, {7, 0, 0, 0}};
  p.registry.Key(k)[L"b"] = {3, {1}};
  const std::wstring paths[] = {L"HKEY_CURRENT_USER\\", L"hkey_current_user\\Software", L"",
                                L"HKEY",
                                // unknown roots
                                L"HKEY_FOO\\Software", L"HKEY_Local_Machine\\Software"};
  for (const auto& row : rows) {
    for (bool display : {true, false}) {
      reg.SetDisplayErrorMsg(Variant::Boolean(display));
      p.registry.InjectFailure(row.call, 1011, 1);
      EXPECT_EQ(Show(row.member(k)), row.failed) << row.call;
      EXPECT_EQ(boxes(), display && row.box ? L"!Can't Open Key;" : L"") << row.call;
    }
    for (const std::wstring& path : paths) {
      const bool box = &path - paths < 4;
      reg.KeyExist(L"HKEY_CURRENT_USER");  // a root from an earlier call must not carry over
      p.registry.calls = 0;
      EXPECT_EQ(Show(row.member(path)), row.malformed) << path;
      EXPECT_EQ(boxes(), box ? L"0|Incorrect Format: \n\n" + path + L";" : L"");
      EXPECT_EQ(p.registry.calls, 0) << path;
    }
    EXPECT_EQ(p.registry.OpenHandles(), 0) << "left open after " << row.call;
  }
  const std::pair<std::wstring, std::vector<int32_t>> texts[] = {
      {L"Bad Key Name", {1010}},           {L"Can't Read Key", {4, 1012}},
      {L"Out Of memory", {8, 14}},         {L"The Registry Database Is Corrupt!", {1009, 1015}},
      {L"Can't Write Key", {1013}},        {L"Undefined Error Code :  1014", {1014}},
      {L"Undefined Error Code : -1", {-1}}};
  reg.SetDisplayErrorMsg(Variant::Boolean(true));
  for (const auto& [text, codes] : texts) {
    for (int32_t code : codes) {
      p.registry.InjectFailure("RegDeleteKey", code, 1);
      reg.DeleteKey(k);
      EXPECT_EQ(boxes(), L"!" + text + L";") << code;
    }
  }
  for (const std::wstring root :
       {L"HKEY_CLASSES_ROOT", L"HKEY_CURRENT_USER", L"HKEY_LOCAL_MACHINE", L"HKEY_USERS",
        L"HKEY_PERFORMANCE_DATA", L"HKEY_CURRENT_CONFIG", L"HKEY_DYN_DATA"}) {
    EXPECT_EQ(Show(reg.SetStringValue(root + L"\\A\\B", L"v", L"x")), L"True") << root;
    EXPECT_TRUE(p.registry.GetValue(root + L"\\A\\B", L"v")) << root;
  }
  // A text the code page cannot carry exactly is refused as a failed write, never stored changed.
  EXPECT_EQ(Show(reg.SetStringValue(k, L"t", L"\u0416")), F);
  EXPECT_EQ(boxes(), L"!Invalid Parameter;");
  EXPECT_EQ(reg.GetLastResult(), 87);
  EXPECT_FALSE(p.registry.GetValue(k, L"t"));
  p.registry.calls = 0;  // of the roots, only the performance data are closed after use
  for (RegKey root : {win::HKEY_PERFORMANCE_DATA, win::HKEY_LOCAL_MACHINE})
    UniqueKey{p.registry, root};
  EXPECT_EQ(p.registry.calls, 1);
  // The sub-key keeps a leading backslash, which no key name can start with.
  EXPECT_EQ(Show(reg.KeyExist(L"HKEY_LOCAL_MACHINE\\\\A\\B")), L"Empty");
  EXPECT_EQ(p.registry.OpenHandles(), 0);
}

}  // namespace
}  // namespace qc::test
