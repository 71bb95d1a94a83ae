// CWinAPI's registry toolkit where only logic decides: conversion errors raised before any write,
// a failed read handing on the caller's value, never what the failed call left in the buffer, and
// the listings' buffer retries (few, and bounded).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "support/error_number.h"
#include "support/fake_platform.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

using Bytes = std::vector<uint8_t>;
const std::wstring kScratch = L"HKEY_CURRENT_USER\\Software\\Scratch";

// After "more data" the system leaves the buffer undefined; this registry fills it, as a real one
// may.
struct Scribbling : test::FakeRegistry {
  int32_t RegQueryValueEx(RegKey k, const std::wstring& n, uint32_t* t, uint8_t* d,
                          uint32_t* cb) override {
    const uint32_t room = cb ? *cb : 0;
    const int32_t r = FakeRegistry::RegQueryValueEx(k, n, t, d, cb);
    if (r == 234 && d) std::fill_n(d, room, uint8_t{0xEE});
    return r;
  }
};
struct Platform : test::FakePlatform {
  Scribbling scribbling;
  IRegistry& Registry() override { return scribbling; }
};

class CWinAPIRegistry : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(p.scribbling.OpenHandles(), 0) << "a key was left open"; }
  Platform p;
  CWinAPI api{p};
  String key = L"Software\\Scratch";
  Long home = static_cast<Long>(0x80000001u);
};

TEST_F(CWinAPIRegistry, ConversionErrorsLeaveTheRegistryUntouched) {
  p.scribbling.SetDword(kScratch, L"d", 5);
  String name = L"d", notNumber = L"abc", tooBig = L"4294967296";
  Variant text = L"x";
  Long type = 4, big = 256, negative = -1;
  const std::pair<std::function<void()>, int> rows[] = {
      {[&] { api.RegistryValueD(key, name, notNumber, home); }, kErrTypeMismatch},
      {[&] { api.RegistryValueD(key, name, tooBig, home); }, kErrOverflow},
      {[&] { api.RegistryGetValue(key, name, text, type, home); }, kErrTypeMismatch},
      {[&] { api.AutoRun(big); }, kErrOverflow},
      {[&] { api.AutoRun(negative); }, kErrOverflow},
  };
  for (const auto& [call, error] : rows) EXPECT_EQ(test::ErrorNumberOf(call), error);
  EXPECT_EQ(p.scribbling.GetValue(kScratch, L"d")->data, (Bytes{5, 0, 0, 0}));
  EXPECT_EQ(type, 4);
}

TEST_F(CWinAPIRegistry, AFailedNumberReadLeavesTheCallersValue) {
  p.scribbling.SetValue(kScratch, L"eight", 3, Bytes(8, 1));
  p.scribbling.SetValue(kScratch, L"one", 3, {0x7F});
  const struct {
    const wchar_t* name;
    Variant initial;
    Long expected;
  } rows[] = {{L"eight", Variant::Long(7), 7},
              {L"eight", Variant(), 0},
              {L"missing", Variant::Long(9), 9},
              // Bytes the call does not deliver keep those of the holder's number.
              {L"one", Variant::Long(0x11223300), 0x1122337F}};
  for (const auto& row : rows) {
    String name = row.name;
    Variant v = row.initial;
    Long type = 4;
    api.RegistryGetValue(key, name, v, type, home);
    EXPECT_EQ(CLng(v), row.expected) << test::CallLog::Narrow(name);
  }
}

TEST(CWinAPIEnumeration, BuffersGrowGeometricallyUpToABound) {
  test::FakePlatform p;
  CWinAPI api(p);
  String key = L"Software\\Scratch";
  Long home = static_cast<Long>(0x80000001u), names = 101, datas = 102, keys = 103;
  auto& rows = p.windows.listBoxes[datas];
  p.registry.SetValue(kScratch, L"big", 3, std::vector<uint8_t>(40000, 0x5C));
  p.registry.SetString(kScratch, L"grows", "s");
  // After the first row, the second value grows far beyond the key's statistics.
  const std::string grown(400000, 'g');
  p.windows.onSendMessage = [&](uint32_t) {
    if (rows.size() == 1) p.registry.SetString(kScratch, L"grows", grown);
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
  p.registry.AddKey(kScratch + L"\\k");
  p.registry.InjectFailure("RegEnumKeyEx", 234, L"", 5000);
  p.registry.calls = 0;
  EXPECT_EQ(api.RegEnumKeys(key, keys, home), 234);
  EXPECT_LT(p.registry.calls, 40);
  EXPECT_EQ(p.registry.OpenHandles(), 0);
}

}  // namespace
}  // namespace qc
