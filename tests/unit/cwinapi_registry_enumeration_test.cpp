// The listings' buffer retries: data that outgrow the key's statistics cost a few retries, and data
// that never fit stop the listing at a bound, as any other failure does.
#include <gtest/gtest.h>

#include "support/fake_platform.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

TEST(CWinAPIEnumeration, BuffersGrowGeometricallyUpToABound) {
  test::FakePlatform p;
  CWinAPI api(p);
  const std::wstring scratch = L"HKEY_CURRENT_USER\\Software\\Scratch";
  String key = L"Software\\Scratch";
  Long home = static_cast<Long>(0x80000001u), names = 101, datas = 102, keys = 103;
  auto& rows = p.windows.listBoxes[datas];
  p.registry.SetValue(scratch, L"big", 3, std::vector<uint8_t>(40000, 0x5C));
  p.registry.SetString(scratch, L"grows", "s");
  // After the first row, the second value grows far beyond the key's statistics.
  const std::string grown(400000, 'g');
  p.windows.onSendMessage = [&](uint32_t) {
    if (rows.size() == 1) p.registry.SetString(scratch, L"grows", grown);
  };
  api.RegistryEnumerateValues(key, names, datas, home);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].size(), 120000u);
  EXPECT_EQ(rows[1], L"\"" + std::wstring(grown.begin(), grown.end()) + L"\"");
  EXPECT_LT(p.registry.calls, 12);

  // Data that never fit and report no size (performance data may): the rows before stay.
  rows.clear();
  p.registry.calls = 0;
  p.windows.onSendMessage = [&](uint32_t) {
    if (rows.size() == 1) p.registry.InjectFailure("RegEnumValue", 234, L"", 5000);
  };
  api.RegistryEnumerateValues(key, names, datas, home);
  EXPECT_EQ(rows.size(), 1u);
  EXPECT_LT(p.registry.calls, 40);
  p.registry.AddKey(scratch + L"\\k");
  p.registry.InjectFailure("RegEnumKeyEx", 234, L"", 5000);
  p.registry.calls = 0;
  EXPECT_EQ(api.RegEnumKeys(key, keys, home), 234);
  EXPECT_LT(p.registry.calls, 40);
  EXPECT_EQ(p.registry.OpenHandles(), 0);
}

}  // namespace
}  // namespace qc
