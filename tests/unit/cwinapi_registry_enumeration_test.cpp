// Listing keys and values into list boxes against the in-memory registry (which lists values in
// insertion order and sub-keys sorted): the display text of every data type, the buffer retries
// and the statuses.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/fake_platform.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

using test::FakePlatform;
using Bytes = std::vector<uint8_t>;
using Rows = std::vector<std::wstring>;

constexpr Long kHKCU = static_cast<Long>(0x80000001u);
const std::wstring kScratch = L"HKEY_CURRENT_USER\\Software\\Scratch";

class CWinAPIEnumeration : public ::testing::Test {
 protected:
  CWinAPIEnumeration() : api(p) { p.registry.AddKey(kScratch); }
  ~CWinAPIEnumeration() override {
    EXPECT_EQ(p.registry.OpenHandles(), 0) << "a key was left open";
  }

  void Set(const std::wstring& name, uint32_t type, Bytes data) {
    p.registry.SetValue(kScratch, name, type, std::move(data));
  }
  void ListValues() { api.RegistryEnumerateValues(key, names, datas, home); }
  Rows& NameRows() { return p.windows.listBoxes[names]; }
  Rows& DataRows() { return p.windows.listBoxes[datas]; }

  FakePlatform p;
  CWinAPI api;
  String key = L"Software\\Scratch";
  Long home = kHKCU, names = 101, datas = 102, keys = 103;
};

TEST_F(CWinAPIEnumeration, EveryDataTypeHasItsDisplayText) {
  Set(L"", 1, {'a', 'b', 'c', 0});  // the default value
  Set(L"empty sz", 1, {0});
  Set(L"no bytes sz", 1, {});
  Set(L"unterminated sz", 1, {'x', 'y'});
  Set(L"expand", 2, {'%', 'T', '%', 0});
  Set(L"bin", 3, {0x01, 0x0A, 0xFF});
  Set(L"bin edges", 3, {0x00, 0x09, 0x0F, 0x10, 0xA0, 0x1E});
  Set(L"bin empty", 3, {});
  Set(L"dw 31", 4, {31, 0, 0, 0});
  Set(L"dw 0", 4, {0, 0, 0, 0});
  Set(L"dw max", 4, {0xFF, 0xFF, 0xFF, 0xFF});
  Set(L"dw high bit", 4, {0, 0, 0, 0x80});
  Set(L"dw short", 4, {0x34, 0x12});
  Set(L"multi", 7, {'a', 0, 'b', 0, 0});
  Set(L"resource", 9, {1, 2, 3});
  Set(L"none", 0, {'x', 'y', 0, 'z'});
  Set(L"qword empty", 11, {});
  ListValues();

  EXPECT_EQ(NameRows(),
            (Rows{L"(Default)", L"empty sz", L"no bytes sz", L"unterminated sz", L"expand", L"bin",
                  L"bin edges", L"bin empty", L"dw 31", L"dw 0", L"dw max", L"dw high bit",
                  L"dw short", L"multi", L"resource", L"none", L"qword empty"}));
  EXPECT_EQ(DataRows(),
            (Rows{L"\"abc\"", L"\"\"", L"\"\"", L"\"xy\"", L"%T%", L"01 A FF ",
                  L"00 09 F 10 A0 1E ", L"(value not set)", L"&H1F (31)", L"&H0 (0)",
                  L"&HFFFFFFFF (4294967295)", L"&H80000000 (2147483648)", L"&H1234 (4660)",
                  L"a b  ", L"REG_FULL_RESOURCE_DESCRIPTOR", L"xy", L"(value not set)"}));
}

TEST_F(CWinAPIEnumeration, BuffersGrowInFewRetriesUpToABound) {
  // Binary data of any length is shown whole.
  Bytes big(40000, 0x5C);
  Set(L"big", 3, big);
  Set(L"grows", 1, {'s', 0});
  // Between the key's statistics and the second value's turn, that value grows far beyond
  // them: one retry at the size the call reports, not one per few bytes.
  Bytes grown(400000, 'g');
  grown.push_back(0);
  p.windows.onSendMessage = [&](uint32_t) {
    if (DataRows().size() == 1) p.registry.SetValue(kScratch, L"grows", 1, grown);
  };
  ListValues();
  ASSERT_EQ(DataRows().size(), 2u);
  EXPECT_EQ(DataRows()[0].size(), 120000u);
  EXPECT_EQ(DataRows()[0].substr(0, 9), L"5C 5C 5C ");
  EXPECT_EQ(DataRows()[1], L"\"" + std::wstring(400000, L'g') + L"\"");
  EXPECT_EQ(p.log.Matching("RegEnumValue").size(), 1u + 2u);

  // Data that never fit and report no size (performance data may do this): the listing stops
  // once the buffers would pass their bound, as on any other failure; the rows before stay.
  p.windows.listBoxes.clear();
  p.log.Clear();
  p.windows.onSendMessage = [&](uint32_t) {
    if (DataRows().size() == 1) p.registry.InjectFailure("RegEnumValue", 234, L"", 5000);
  };
  ListValues();
  EXPECT_EQ(DataRows().size(), 1u);
  EXPECT_LT(p.log.Matching("RegEnumValue").size(), 40u);
  p.registry.AddKey(kScratch + L"\\k");
  p.registry.InjectFailure("RegEnumKeyEx", 234, L"", 5000);
  EXPECT_EQ(api.RegEnumKeys(key, keys, home), 234);
  EXPECT_LT(p.log.Matching("RegEnumKeyEx").size(), 40u);
}

TEST_F(CWinAPIEnumeration, ListingsAppendAndStopAtFailures) {
  Set(L"a", 4, {1, 0, 0, 0});
  Set(L"b", 4, {2, 0, 0, 0});
  ListValues();
  ListValues();  // never cleared: every row twice
  EXPECT_EQ(NameRows(), (Rows{L"a", L"b", L"a", L"b"}));
  EXPECT_EQ(DataRows(), (Rows{L"&H1 (1)", L"&H2 (2)", L"&H1 (1)", L"&H2 (2)"}));

  // A failure other than "more data" ends the listing; rows already added stay.
  p.windows.listBoxes.clear();
  p.windows.onSendMessage = [&](uint32_t) {
    if (DataRows().size() == 1) p.registry.InjectFailure("RegEnumValue", 5, L"", 1);
  };
  ListValues();
  EXPECT_EQ(NameRows(), (Rows{L"a"}));
  EXPECT_EQ(DataRows(), (Rows{L"&H1 (1)"}));

  // A key that does not open adds nothing, and the open asked only for read rights.
  p.windows.listBoxes.clear();
  p.log.Clear();
  String nowhere = L"Software\\Nowhere";
  api.RegistryEnumerateValues(nowhere, names, datas, home);
  EXPECT_TRUE(p.windows.listBoxes.empty());
  EXPECT_EQ(p.log.Matching("RegOpenKeyEx").at(0),
            "RegOpenKeyEx(0x80000001, \"Software\\Nowhere\", 0, 0x20019)");
}

TEST_F(CWinAPIEnumeration, SubKeysOfTheLongestLengthAreListedAfterARetry) {
  p.registry.AddKey(kScratch + L"\\k1");
  p.registry.AddKey(kScratch + L"\\k2-longest");
  p.registry.AddKey(kScratch + L"\\k3-longest");
  EXPECT_EQ(api.RegEnumKeys(key, keys, home), 0);
  EXPECT_EQ(p.windows.listBoxes[keys], (Rows{L"k1", L"k2-longest", L"k3-longest"}));
  // Lengths passed without room for the NUL: the longest names need one widened buffer.
  EXPECT_EQ(p.log.Matching("RegEnumKeyEx").size(), 5u);

  api.RegistryEnumerateKeys(key, keys, home);  // appends again
  EXPECT_EQ(p.windows.listBoxes[keys].size(), 6u);
}

TEST_F(CWinAPIEnumeration, KeyStatuses) {
  String leaf = L"Software\\Scratch\\leaf", nowhere = L"Software\\Nowhere";
  p.registry.AddKey(kScratch + L"\\leaf");
  EXPECT_EQ(api.RegEnumKeys(leaf, keys, home), 0);  // no sub-keys
  EXPECT_EQ(api.RegEnumKeys(nowhere, keys, home), 2);
  EXPECT_TRUE(p.windows.listBoxes[keys].empty());
  for (const auto& call : p.log.Matching("RegOpenKeyEx"))
    EXPECT_NE(call.find(", 0, 0x20019)"), std::string::npos) << call;

  // A failing enumeration returns its status; the rows before it stay.
  p.registry.AddKey(kScratch + L"\\a");
  p.registry.AddKey(kScratch + L"\\b");
  p.windows.onSendMessage = [&](uint32_t) {
    p.registry.InjectFailure("RegEnumKeyEx", 1009, L"", 1);
  };
  EXPECT_EQ(api.RegEnumKeys(key, keys, home), 1009);
  EXPECT_EQ(p.windows.listBoxes[keys], (Rows{L"a"}));
}

}  // namespace
}  // namespace qc
