// Texts through the ANSI code page: one byte per character for binary data, every byte of a
// two-byte character for strings (only the double has a two-byte code page).
#include "advanced_registry_test_support.h"
#include "support/error_number.h"

namespace qc::test {
namespace {

// U+4E2D is the two bytes 81 40; everything else is Latin-1.
struct DoubleByteCodePage : FakeCodePage {
  std::string ToAnsi(const std::wstring& text) override {
    std::string out;
    for (wchar_t c : text) out += c == L'\x4E2D' ? std::string("\x81\x40") : FakeCodePage::ToAnsi({c});
    return out;
  }
};
struct DoubleBytePlatform : FakePlatform {
  ICodePage& CodePage() override { return dbcs; }
  DoubleByteCodePage dbcs;
};

TEST(RegistryCodePage, BinaryOverflowsOnWideCharactersAndStringsKeepEveryByte) {
  DoubleBytePlatform p;
  AdvancedRegistryFunctions reg(p);
  p.registry.AddKey(kScratch);
  for (const wchar_t* text : {L"a\x4E2D", L"A\x0100", L"\x20AC"}) {
    EXPECT_EQ(ErrorNumberOf([&] { reg.SetBinaryValue(kScratch, L"b", text); }), kErrOverflow);
    EXPECT_EQ(p.registry.OpenHandles(), 0) << "the error left the key open";
  }
  EXPECT_EQ(p.registry.GetValue(kScratch, L"b"), nullptr);
  EXPECT_EQ(Show(reg.SetStringValue(kScratch, L"s", L"\x4E2D" L"a")), "True");
  EXPECT_EQ(p.registry.GetValue(kScratch, L"s")->data, (std::vector<uint8_t>{0x81, 0x40, 0x61, 0}));
}

}  // namespace
}  // namespace qc::test
