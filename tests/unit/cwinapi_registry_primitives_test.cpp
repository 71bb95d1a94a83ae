// CWinAPI's registry toolkit against the in-memory registry: stored bytes, by-reference effects,
// conversion errors before any write, and keys always closed.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "support/error_number.h"
#include "support/fake_platform.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

using test::FakePlatform;
using Bytes = std::vector<uint8_t>;

constexpr Long kHKCU = static_cast<Long>(0x80000001u);
const std::wstring kScratch = L"HKEY_CURRENT_USER\\Software\\Scratch";

class CWinAPIRegistry : public ::testing::Test {
 protected:
  CWinAPIRegistry() : api(p) { p.registry.AddKey(kScratch); }
  ~CWinAPIRegistry() override { EXPECT_EQ(p.registry.OpenHandles(), 0) << "a key was left open"; }

  Bytes Stored(const std::wstring& name, uint32_t* type = nullptr,
               const std::wstring& key = kScratch) {
    const auto* v = p.registry.GetValue(key, name);
    if (!v) return {0xEE, 0xEE};  // marks "no such value"
    if (type) *type = v->type;
    return v->data;
  }
  int RegistryCalls() const {
    int n = 0;
    for (const auto& c : p.log.Calls()) n += c.rfind("Reg", 0) == 0;
    return n;
  }

  FakePlatform p;
  CWinAPI api;
  String key = L"Software\\Scratch";
  Long home = kHKCU;
};

TEST_F(CWinAPIRegistry, WrappersStoreTheExactBytesOpeningWithAccessThree) {
  String name = L"", text = L"abc";
  api.RegistryValueS(key, name, text, home);
  uint32_t type = 0;
  EXPECT_EQ(Stored(L"", &type), (Bytes{'a', 'b', 'c', 0}));  // the default value, NUL included
  EXPECT_EQ(type, 1u);

  String dname = L"d", number = L"700";
  api.RegistryValueD(key, dname, number, home);
  EXPECT_EQ(Stored(L"d", &type), (Bytes{0xBC, 0x02, 0x00, 0x00}));
  EXPECT_EQ(type, 4u);

  String bname = L"b";
  Byte ff = 255;
  api.RegistryValueB(key, bname, ff, home);
  EXPECT_EQ(Stored(L"b", &type), (Bytes{0xFF, 0, 0, 0}));
  EXPECT_EQ(type, 3u);

  for (const auto& call : p.log.Matching("RegOpenKeyEx"))
    EXPECT_EQ(call, "RegOpenKeyEx(0x80000001, \"Software\\Scratch\", 0, 0x3)");
  EXPECT_EQ(p.log.Matching("RegOpenKeyEx").size(), 3u);
  EXPECT_EQ(p.log.Matching("RegCloseKey").size(), 3u);
  EXPECT_EQ(text, L"abc");  // inputs are left as they were
  EXPECT_EQ(number, L"700");
}

TEST_F(CWinAPIRegistry, AWriteIntoAMissingKeyCreatesNothingUntilNewKeyMakesIt) {
  String missing = L"Software\\Scratch\\New\\Deeper", name = L"v", text = L"x";
  api.RegistryValueS(missing, name, text, home);
  EXPECT_FALSE(p.registry.HasKey(kScratch + L"\\New"));

  api.RegistryNewKey(missing, home);
  EXPECT_TRUE(p.registry.HasKey(kScratch + L"\\New\\Deeper"));
  EXPECT_EQ(p.log.Matching("RegCreateKeyEx").back(),
            "RegCreateKeyEx(0x80000001, \"Software\\Scratch\\New\\Deeper\", 0, 0, 0x3)");
  api.RegistryValueS(missing, name, text, home);
  EXPECT_EQ(Stored(L"v", nullptr, kScratch + L"\\New\\Deeper"), (Bytes{'x', 0}));

  // Creating an existing key again changes nothing.
  api.RegistryNewKey(missing, home);
  EXPECT_EQ(Stored(L"v", nullptr, kScratch + L"\\New\\Deeper"), (Bytes{'x', 0}));
}

TEST_F(CWinAPIRegistry, ConversionErrorsLeaveTheRegistryUntouched) {
  p.registry.SetDword(kScratch, L"d", 5);
  String name = L"d", notNumber = L"abc", tooBig = L"4294967296";
  EXPECT_EQ(test::ErrorNumberOf([&] { api.RegistryValueD(key, name, notNumber, home); }),
            kErrTypeMismatch);
  EXPECT_EQ(test::ErrorNumberOf([&] { api.RegistryValueD(key, name, tooBig, home); }),
            kErrOverflow);
  EXPECT_EQ(Stored(L"d"), (Bytes{5, 0, 0, 0}));
  EXPECT_TRUE(p.log.Matching("RegSetValueEx").empty());
  // The key the write had opened was closed before the error left (checked by the fixture).

  // A read asked for a number with a holder that is not one.
  Variant holder = L"x";
  Long type = 4;
  EXPECT_EQ(test::ErrorNumberOf([&] { api.RegistryGetValue(key, name, holder, type, home); }),
            kErrTypeMismatch);
  EXPECT_TRUE(p.log.Matching("RegQueryValueEx").empty());
  EXPECT_EQ(type, 4);

  // AutoRun checks its byte before any registry call.
  p.log.Clear();
  for (Long drv : {256, -1})
    EXPECT_EQ(test::ErrorNumberOf([&] { api.AutoRun(drv); }), kErrOverflow) << drv;
  EXPECT_EQ(RegistryCalls(), 0);
}

TEST_F(CWinAPIRegistry, AutoRunWritesTheMaskIntoAnExistingPolicyKeyOnly) {
  const std::wstring policy =
      L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
  Long drv = 149;
  api.AutoRun(drv);
  EXPECT_FALSE(p.registry.HasKey(policy));  // never created

  p.registry.AddKey(policy);
  api.AutoRun(drv);
  uint32_t type = 0;
  EXPECT_EQ(Stored(L"NoDriveTypeAutoRun", &type, policy), (Bytes{0x95, 0, 0, 0}));
  EXPECT_EQ(type, 3u);
}

TEST_F(CWinAPIRegistry, RegistryRunWritesTheMachineRunKey) {
  const std::wstring run = L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  p.registry.AddKey(run);
  String name = L"Tool", command = L"c:\\tool.exe /s";
  api.RegistryRun(name, command);
  EXPECT_EQ(Stored(L"Tool", nullptr, run),
            (Bytes{'c', ':', '\\', 't', 'o', 'o', 'l', '.', 'e', 'x', 'e', ' ', '/', 's', 0}));
  EXPECT_EQ(
      p.log.Matching("RegOpenKeyEx").at(0),
      "RegOpenKeyEx(0x80000002, \"software\\microsoft\\windows\\currentversion\\run\", 0, 0x3)");
}

TEST_F(CWinAPIRegistry, GetValueReadsTextAndNumbersByTheRequestedKind) {
  p.registry.SetString(kScratch, L"s", "abc");
  p.registry.SetValue(kScratch, L"e", 2, {'%', 'P', '%', 0});
  p.registry.SetDword(kScratch, L"d", 700);
  p.registry.SetValue(kScratch, L"one", 3, {0x7F});

  Variant v;
  Long type = 1;
  String name = L"s";
  EXPECT_TRUE(api.RegistryGetValue(key, name, v, type, home).IsEmpty());
  EXPECT_EQ(v.str(), L"abc");
  EXPECT_EQ(type, 1);

  name = L"e";
  type = 1;
  api.RegistryGetValue(key, name, v, type, home);
  EXPECT_EQ(v.str(), L"%P%");  // not expanded
  EXPECT_EQ(type, 2);

  // A number is read into the holder's own number, so the holder must hold one (or nothing).
  name = L"d";
  type = 4;
  v = Variant();
  api.RegistryGetValue(key, name, v, type, home);
  EXPECT_EQ(v.type(), VarType::Long);
  EXPECT_EQ(CLng(v), 700);
  EXPECT_EQ(type, 4);

  // A one-byte value fills only the low byte of the holder's number.
  name = L"one";
  v = Variant();
  api.RegistryGetValue(key, name, v, type, home);
  EXPECT_EQ(CLng(v), 127);
  EXPECT_EQ(type, 3);
  v = Variant::Long(0x11223300);
  api.RegistryGetValue(key, name, v, type, home);
  EXPECT_EQ(CLng(v), 0x1122337F);
}

TEST_F(CWinAPIRegistry, GetValueMissesAndOtherKindsReadNothing) {
  p.registry.SetString(kScratch, L"s", "abc");
  Variant v = L"before";
  String name = L"missing";
  Long type = 1;
  EXPECT_TRUE(api.RegistryGetValue(key, name, v, type, home).IsEmpty());
  EXPECT_EQ(v.str(), std::wstring(255, L' '));
  EXPECT_EQ(type, 1);

  String noKey = L"Software\\Nowhere";
  name = L"s";
  v = L"before";
  api.RegistryGetValue(noKey, name, v, type, home);
  EXPECT_EQ(v.str(), std::wstring(255, L' '));

  for (Long kind : {0, 2, 7}) {
    v = L"kept";
    type = kind;
    p.log.Clear();
    EXPECT_TRUE(api.RegistryGetValue(key, name, v, type, home).IsEmpty());
    EXPECT_EQ(v.str(), L"kept");
    EXPECT_EQ(type, kind);
    EXPECT_TRUE(p.log.Matching("RegQueryValueEx").empty());
  }
}

TEST_F(CWinAPIRegistry, TextsAtTheBufferLimit) {
  p.registry.SetString(kScratch, L"fits", std::string(254, 'x'));  // 255 bytes with the NUL
  p.registry.SetString(kScratch, L"long", std::string(255, 'y'));
  Variant v;
  Long type = 1;
  String name = L"fits";
  api.RegistryGetValue(key, name, v, type, home);
  EXPECT_EQ(v.str(), std::wstring(254, L'x'));

  // Too long for the buffer: the empty text, never whatever the buffer held.
  name = L"long";
  v = L"before";
  type = 1;
  api.RegistryGetValue(key, name, v, type, home);
  EXPECT_EQ(v.str(), L"");
  EXPECT_EQ(type, 1);
}

TEST_F(CWinAPIRegistry, DeletesTakeTheSubKeyFirstAndOnlyWhatTheyName) {
  p.registry.AddKey(kScratch + L"\\parent\\child");
  p.registry.AddKey(kScratch + L"\\parent\\busy\\inner");
  p.registry.SetString(kScratch, L"a", "1");
  p.registry.SetString(kScratch, L"b", "2");

  String child = L"child", parent = L"Software\\Scratch\\parent";
  api.RegistryDeletekey(child, parent, home);
  EXPECT_FALSE(p.registry.HasKey(kScratch + L"\\parent\\child"));
  EXPECT_TRUE(p.registry.HasKey(kScratch + L"\\parent"));
  EXPECT_EQ(p.log.Matching("RegOpenKeyEx").back(),
            "RegOpenKeyEx(0x80000001, \"Software\\Scratch\\parent\", 0, 0x3)");

  // No recursion: a key with sub-keys stays.
  String busy = L"busy";
  api.RegistryDeletekey(busy, parent, home);
  EXPECT_TRUE(p.registry.HasKey(kScratch + L"\\parent\\busy\\inner"));

  String a = L"a", missing = L"zz";
  api.RegistryDeleteValue(key, a, home);
  api.RegistryDeleteValue(key, missing, home);  // silently nothing
  EXPECT_EQ(p.registry.GetValue(kScratch, L"a"), nullptr);
  EXPECT_NE(p.registry.GetValue(kScratch, L"b"), nullptr);

  String nowhere = L"Software\\Nowhere";
  api.RegistryDeleteValue(nowhere, a, home);
  api.RegistryDeletekey(child, nowhere, home);
}

// After "more data" the system leaves the buffer undefined; this registry fills it, as a real one
// may. A failed read must hand none of it on: the holder keeps the caller's value.
TEST(CWinAPIRegistryRead, AFailedNumberReadLeavesTheCallersValue) {
  struct Scribbling : test::FakeRegistry {
    int32_t RegQueryValueEx(RegKey k, const std::wstring& n, uint32_t* t, uint8_t* d,
                            uint32_t* cb) override {
      const uint32_t room = cb ? *cb : 0;
      const int32_t r = FakeRegistry::RegQueryValueEx(k, n, t, d, cb);
      if (r == 234 && d) std::fill_n(d, room, uint8_t{0xEE});
      return r;
    }
  };
  struct Platform : FakePlatform {
    Scribbling scribbling;
    IRegistry& Registry() override { return scribbling; }
  } p;
  p.scribbling.SetValue(kScratch, L"eight", 3, Bytes(8, 1));
  CWinAPI api(p);
  String key = L"Software\\Scratch";
  Long home = kHKCU;
  const struct {
    const wchar_t* name;
    Variant initial;
  } rows[] = {{L"eight", Variant::Long(7)}, {L"eight", Variant()}, {L"missing", Variant()}};
  for (const auto& row : rows) {
    String name = row.name;
    Variant v = row.initial;
    Long type = 4;
    api.RegistryGetValue(key, name, v, type, home);
    EXPECT_EQ(v.type(), row.initial.type()) << test::CallLog::Narrow(name);
    EXPECT_EQ(CLng(v), CLng(row.initial)) << test::CallLog::Narrow(name);
  }
}

}  // namespace
}  // namespace qc
