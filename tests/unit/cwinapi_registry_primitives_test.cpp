// CWinAPI's registry toolkit where only logic decides: conversion errors raised before any write,
// and a failed read handing on the caller's value, never what the failed call left in the buffer.
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

}  // namespace
}  // namespace qc
