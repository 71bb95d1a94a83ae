// Both enumerations filling real LISTBOX windows from a real key, read back row by row. The
// system promises no order for values, so names and data are compared as pairs.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

// Before <windows.h>: its macros (ExitWindows, PlaySound ...) would rename members of the class.
#include "registry_test_support.h"
#include "winapi/cwinapi.h"

namespace qc::wintest {
namespace {

constexpr Long kHKCU = static_cast<Long>(0x80000001u);

class ListBox {
 public:
  ListBox()
      : hwnd_(CreateWindowExA(0, "LISTBOX", "", WS_POPUP | LBS_HASSTRINGS, 0, 0, 200, 200, nullptr,
                              nullptr, GetModuleHandleA(nullptr), nullptr)) {}
  ~ListBox() {
    if (hwnd_) DestroyWindow(hwnd_);
  }
  ListBox(const ListBox&) = delete;
  ListBox& operator=(const ListBox&) = delete;

  Long handle() const { return static_cast<Long>(reinterpret_cast<intptr_t>(hwnd_)); }
  std::vector<std::string> Rows() const {
    std::vector<std::string> rows;
    const LRESULT count = SendMessageA(hwnd_, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      std::string text(static_cast<size_t>(SendMessageA(hwnd_, LB_GETTEXTLEN, i, 0)) + 1, '\0');
      const LRESULT got = SendMessageA(hwnd_, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
      text.resize(got < 0 ? 0 : static_cast<size_t>(got));
      rows.push_back(text);
    }
    return rows;
  }

 private:
  HWND hwnd_;
};

class CWinAPIListing : public ::testing::Test {
 protected:
  CWinAPIListing() {
    scratch.Create();
    RegOpenKeyExA(HKEY_CURRENT_USER, scratch.SubKey().c_str(), 0, KEY_ALL_ACCESS, &raw);
  }
  ~CWinAPIListing() override { RegCloseKey(raw); }

  void Set(const char* name, DWORD type, const std::string& data) {
    ASSERT_EQ(RegSetValueExA(raw, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
  }

  ScratchKey scratch;
  HKEY raw = nullptr;
  CWinAPI api;
  String key = std::wstring(scratch.SubKey().begin(), scratch.SubKey().end());
  Long home = kHKCU;
};

TEST_F(CWinAPIListing, ValuesOfEveryTypeShowTheirDisplayTexts) {
  using namespace std::string_literals;
  Set("", REG_SZ, "dflt\0"s);
  Set("sz", REG_SZ, "abc\0"s);
  Set("empty sz", REG_SZ, "\0"s);
  Set("expand", REG_EXPAND_SZ, "%TEMP%\\x\0"s);
  Set("bin", REG_BINARY, "\x01\x0A\xFF"s);
  Set("bin empty", REG_BINARY, ""s);
  Set("dw 31", REG_DWORD, "\x1F\0\0\0"s);
  Set("dw 0", REG_DWORD, "\0\0\0\0"s);
  Set("dw max", REG_DWORD, "\xFF\xFF\xFF\xFF"s);
  Set("multi", REG_MULTI_SZ, "a\0b\0\0"s);
  Set("resource", REG_FULL_RESOURCE_DESCRIPTOR, "\x01\x02"s);

  ListBox names, datas;
  ASSERT_NE(names.handle(), 0) << "no LISTBOX window";
  Long hNames = names.handle(), hDatas = datas.handle();
  api.RegistryEnumerateValues(key, hNames, hDatas, home);

  const auto n = names.Rows(), d = datas.Rows();
  ASSERT_EQ(n.size(), d.size());
  std::map<std::string, std::string> shown;
  for (size_t i = 0; i < n.size(); ++i) shown[n[i]] = d[i];
  EXPECT_EQ(shown, (std::map<std::string, std::string>{
                       {"(Default)", "\"dflt\""},
                       {"sz", "\"abc\""},
                       {"empty sz", "\"\""},
                       {"expand", "%TEMP%\\x"},
                       {"bin", "01 A FF "},
                       {"bin empty", "(value not set)"},
                       {"dw 31", "&H1F (31)"},
                       {"dw 0", "&H0 (0)"},
                       {"dw max", "&HFFFFFFFF (4294967295)"},
                       {"multi", "a b  "},
                       {"resource", "REG_FULL_RESOURCE_DESCRIPTOR"},
                   }));
  EXPECT_EQ(n.size(), 11u);

  // A second listing appends the same rows again.
  api.RegistryEnumerateValues(key, hNames, hDatas, home);
  EXPECT_EQ(names.Rows().size(), 22u);
  EXPECT_EQ(datas.Rows().size(), 22u);
}

TEST_F(CWinAPIListing, SubKeysOfTheLongestLengthAreListed) {
  const std::string longest1(255, 'a'), longest2 = std::string(254, 'b') + "c";
  for (const std::string& k : {std::string("k"), longest1, longest2}) {
    HKEY sub = nullptr;
    ASSERT_EQ(RegCreateKeyA(raw, k.c_str(), &sub), ERROR_SUCCESS) << k.size();
    RegCloseKey(sub);
  }
  ListBox box;
  Long h = box.handle();
  EXPECT_EQ(api.RegEnumKeys(key, h, home), 0);
  auto rows = box.Rows();
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ(rows, (std::vector<std::string>{longest1, longest2, "k"}));

  api.RegistryEnumerateKeys(key, h, home);
  EXPECT_EQ(box.Rows().size(), 6u);

  String nowhere = key + L"\\nowhere";
  EXPECT_EQ(api.RegEnumKeys(nowhere, h, home), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(box.Rows().size(), 6u);

  // Every path closes what it opened.
  api.RegistryEnumerateValues(nowhere, h, h, home);
  const long before = CountOwnHandles();
  ASSERT_GT(before, 0) << "the system does not report handles";
  for (int i = 0; i < 50; ++i) {
    api.RegEnumKeys(key, h, home);
    api.RegEnumKeys(nowhere, h, home);
    api.RegistryEnumerateValues(key, h, h, home);
    api.RegistryEnumerateValues(nowhere, h, h, home);
  }
  EXPECT_EQ(CountOwnHandles(), before);
}

}  // namespace
}  // namespace qc::wintest
