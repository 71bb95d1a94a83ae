// The typed values: DWORD, binary and string writers and readers.
#include <functional>
#include <string>
#include <vector>

#include "advanced_registry_test_support.h"
#include "support/error_number.h"
#include "platform/win_constants.h"

namespace qc::test {
namespace {

using Bytes = std::vector<uint8_t>;
using RegistryValues = RegistryClassTest;

Bytes Stored(FakePlatform& p, const wchar_t* name, uint32_t* type = nullptr) {
  const FakeRegistry::Value* v = p.registry.GetValue(kScratch, name);
  if (!v) return {0xEE, 0xEE, 0xEE};  // marks "no value" apart from any real data
  if (type) *type = v->type;
  return v->data;
}

TEST_F(RegistryValues, DWordWritesFourLittleEndianBytesAndReadsThemBack) {
  p.registry.AddKey(kScratch);
  EXPECT_EQ(Show(reg.SetDWordValue(kScratch, L"n", 258)), "True");
  EXPECT_EQ(p.log.Matching("RegSetValueEx"),
            (std::vector<std::string>{"RegSetValueEx(0x1000, \"n\", 0, 4, [02 01 00 00], 4)"}));
  EXPECT_EQ(Show(reg.GetDWordValue(kScratch, L"n")), "Long 258");
  EXPECT_EQ(Show(reg.SetDWordValue(kScratch, L"n", -2)), "True");
  EXPECT_EQ(Stored(p, L"n"), (Bytes{0xFE, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(Show(reg.GetDWordValue(kScratch, L"n")), "Long -2");
}

TEST_F(RegistryValues, ReadersReportFailuresWithTheKeyStillOpen) {
  p.registry.SetValue(kScratch, L"eight", win::REG_BINARY, Bytes(8, 1));
  p.registry.SetString(kScratch, L"long", std::string(255, 'x'));
  std::vector<int> openDuringBox;
  p.runtime.onMessageBox = [&] { openDuringBox.push_back(p.registry.OpenHandles()); };
  EXPECT_EQ(Show(reg.GetDWordValue(kScratch, L"eight")), "String 'Error'");
  EXPECT_EQ(OnlyBox(),
            "48|Quorin Cleaner|There Is More Data Than The Buffer Has Been Allocated To Hold");
  p.runtime.boxes.clear();
  EXPECT_EQ(Show(reg.GetStringValue(kScratch, L"long")), "String 'Error'");
  EXPECT_EQ(OnlyBox(),
            "48|Quorin Cleaner|There Is More Data Than The Buffer Has Been Allocated To Hold");
  p.runtime.boxes.clear();
  EXPECT_EQ(Show(reg.GetBinaryValue(kScratch, L"gone")), "String 'Error'");
  EXPECT_EQ(OnlyBox(), "48|Quorin Cleaner|Bad Key Name");
  EXPECT_EQ(openDuringBox, (std::vector<int>{1, 1, 1}));
}

TEST_F(RegistryValues, MissingKeyAndFailedWritesFollowTheTable) {
  using Call = std::function<Variant()>;
  const std::wstring missing = kScratch + std::wstring(L"\\Missing");
  const std::pair<Call, const char*> members[] = {
      {[&] { return reg.SetDWordValue(missing, L"v", 1); }, "False"},
      {[&] { return reg.SetBinaryValue(missing, L"v", L"AB"); }, "False"},
      {[&] { return reg.SetStringValue(missing, L"v", L"x"); }, "False"},
      {[&] { return reg.GetDWordValue(missing, L"v"); }, "String 'Error'"},
      {[&] { return reg.GetBinaryValue(missing, L"v"); }, "String 'Error'"},
      {[&] { return reg.GetStringValue(missing, L"v"); }, "String 'Error'"},
  };
  for (bool display : {true, false}) {
    reg.SetDisplayErrorMsg(Variant::Boolean(display));
    for (const auto& [call, expected] : members) {
      p.runtime.boxes.clear();
      EXPECT_EQ(Show(call()), expected);
      EXPECT_EQ(OnlyBox(), display ? "48|Quorin Cleaner|Bad Key Name" : "0 boxes");
    }
  }
  EXPECT_TRUE(p.log.Matching("RegCloseKey").empty()) << "closed a key it never opened";

  reg.SetDisplayErrorMsg(Variant::Boolean(true));
  p.registry.AddKey(kScratch);
  p.registry.InjectFailure("RegSetValueEx", win::ERROR_ACCESS_DENIED);
  for (const Call& write : {Call([&] { return reg.SetDWordValue(kScratch, L"v", 1); }),
                            Call([&] { return reg.SetBinaryValue(kScratch, L"v", L"A"); }),
                            Call([&] { return reg.SetStringValue(kScratch, L"v", L"x"); })}) {
    p.runtime.boxes.clear();
    EXPECT_EQ(Show(write()), "False");
    EXPECT_EQ(OnlyBox(), "48|Quorin Cleaner|Access To this key Is Denied");
  }
}

TEST_F(RegistryValues, StringWriteCountsCharactersWithoutTheTerminator) {
  p.registry.AddKey(kScratch);
  EXPECT_EQ(Show(reg.SetStringValue(kScratch, L"s", L"abc")), "True");
  EXPECT_EQ(Show(reg.SetStringValue(kScratch, L"e", L"")), "True");
  EXPECT_EQ(p.log.Matching("RegSetValueEx"),
            (std::vector<std::string>{"RegSetValueEx(0x1000, \"s\", 0, 1, [61 62 63], 3)",
                                      "RegSetValueEx(0x1004, \"e\", 0, 1, [], 0)"}));
  // The system counts the zero that follows the text, so the text reads back whole.
  EXPECT_EQ(Show(reg.GetStringValue(kScratch, L"s")), "String 'abc'");
  // Stored with no bytes at all: the empty text (the cut would ask for -1 characters).
  EXPECT_EQ(Stored(p, L"e"), Bytes{});
  EXPECT_EQ(Show(reg.GetStringValue(kScratch, L"e")), "String ''");
}

TEST_F(RegistryValues, BinaryCarriesOneBytePerCharacter) {
  p.registry.AddKey(kScratch);
  uint32_t type = 0;
  EXPECT_EQ(Show(reg.SetBinaryValue(kScratch, L"b", L"AB")), "True");
  EXPECT_EQ(Stored(p, L"b", &type), (Bytes{0x41, 0x42}));
  EXPECT_EQ(type, win::REG_BINARY);
  p.log.Clear();
  EXPECT_EQ(Show(reg.GetBinaryValue(kScratch, L"b")), "String 'AB'");
  // A one-byte probe for the size, then a read of exactly that size.
  EXPECT_EQ(p.log.Matching("RegQueryValueEx"),
            (std::vector<std::string>{"RegQueryValueEx(0x1004, \"b\", buffer, 1)",
                                      "RegQueryValueEx(0x1004, \"b\", buffer, 2)"}));

  const std::wstring raw{L'\0', L'\xFF', L'\x80', L' '};
  EXPECT_EQ(Show(reg.SetBinaryValue(kScratch, L"raw", raw)), "True");
  EXPECT_EQ(Stored(p, L"raw"), (Bytes{0x00, 0xFF, 0x80, 0x20}));
  EXPECT_EQ(reg.GetBinaryValue(kScratch, L"raw").str(), raw);
}

TEST_F(RegistryValues, EmptyBinaryIsWrittenAsNoBytes) {
  p.registry.AddKey(kScratch);
  EXPECT_EQ(Show(reg.SetBinaryValue(kScratch, L"b", L"")), "True");
  EXPECT_EQ(p.log.Matching("RegSetValueEx"),
            (std::vector<std::string>{"RegSetValueEx(0x1000, \"b\", 0, 3, [], 0)"}));
  EXPECT_EQ(Stored(p, L"b"), Bytes{});
  EXPECT_EQ(Show(reg.GetBinaryValue(kScratch, L"b")), "String ''");
}

TEST_F(RegistryValues, CharacterWithoutAOneByteCodeOverflowsAndClosesTheKey) {
  p.registry.AddKey(kScratch);
  for (const wchar_t* text : {L"A\x0100", L"\x20AC"}) {  // neither has a Latin-1 byte
    EXPECT_EQ(test::ErrorNumberOf([&] { reg.SetBinaryValue(kScratch, L"b", text); }), kErrOverflow)
        << "no overflow";
    EXPECT_EQ(p.registry.OpenHandles(), 0);
  }
  EXPECT_TRUE(p.log.Matching("RegSetValueEx").empty());
}

// A double-byte code page: U+4E2D is the two bytes 81 40; everything else is Latin-1.
class DoubleByteCodePage : public FakeCodePage {
 public:
  std::string ToAnsi(const std::wstring& text) override {
    std::string out;
    for (wchar_t c : text)
      out += c == L'\x4E2D' ? std::string("\x81\x40") : FakeCodePage::ToAnsi({c});
    return out;
  }
  std::wstring FromAnsi(const std::string& bytes) override {
    std::wstring out;
    for (size_t i = 0; i < bytes.size(); ++i) {
      if (bytes[i] == '\x81' && i + 1 < bytes.size()) {
        out += L'\x4E2D';
        ++i;
      } else {
        out += FakeCodePage::FromAnsi(bytes.substr(i, 1));
      }
    }
    return out;
  }
};

class DoubleBytePlatform : public FakePlatform {
 public:
  ICodePage& CodePage() override { return dbcs; }
  DoubleByteCodePage dbcs;
};

TEST(RegistryValuesDoubleByte, TwoByteCharactersOverflowBinaryButStringsKeepEveryByte) {
  DoubleBytePlatform p;
  AdvancedRegistryFunctions reg(p);
  p.registry.AddKey(kScratch);
  EXPECT_THROW(reg.SetBinaryValue(kScratch, L"b", L"a\x4E2D"), RuntimeError);
  EXPECT_EQ(Show(reg.SetStringValue(kScratch, L"s",
                                    L"\x4E2D"
                                    L"a")),
            "True");
  EXPECT_EQ(p.log.Matching("RegSetValueEx"),
            (std::vector<std::string>{"RegSetValueEx(0x1004, \"s\", 0, 1, [81 40 61], 3)"}));
  EXPECT_EQ(p.registry.OpenHandles(), 0);
}

}  // namespace
}  // namespace qc::test
