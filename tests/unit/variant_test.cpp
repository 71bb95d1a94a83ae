#include "platform/variant.h"
#include "support/error_number.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/on_error.h"
#include "platform/runtime_error.h"

namespace qc {
namespace {

#define EXPECT_RAISES(number, expr) \
  EXPECT_EQ((number), test::ErrorNumberOf([&] { (void)(expr); })) << #expr

const Variant kEmpty;
const Variant kNull = Variant::Null();
const Variant kTrue = Variant::Boolean(true);
const Variant kFalse = Variant::Boolean(false);
const auto D = [](double x) { return Variant::Double(x); };
const auto L32 = [](int32_t n) { return Variant::Long(n); };
const auto I16 = [](int16_t n) { return Variant::Integer(n); };

TEST(RuntimeErrorTest, CarriesNumberAndStandardOrOwnText) {
  EXPECT_RAISES(kErrOverflow, Raise(kErrOverflow));
  try {
    Raise(kErrOverflow);
  } catch (const std::exception& e) {  // reachable through the standard base
    EXPECT_STREQ(e.what(), "Overflow");
  }
  EXPECT_STREQ(RuntimeError(kErrTypeMismatch).what(), "Type mismatch");
  const RuntimeError own(kErrFileNotFound, "c:\\x.exe", 2);
  EXPECT_STREQ(own.what(), "c:\\x.exe");
  EXPECT_EQ(own.win32_code(), 2u);
}

TEST(RoundingTest, HalvesGoToEvenThenRangeIsChecked) {
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(4503599627370495.5), 4503599627370496.0);  // largest with a half

  EXPECT_RAISES(kErrOverflow, CInt(D(32767.5)));  // 32768
  EXPECT_EQ(CInt(D(-32768.5)), -32768);           // even, so it still fits
  EXPECT_RAISES(kErrOverflow, CByte(D(255.5)));
  EXPECT_EQ(CByte(D(-0.5)), 0);
  EXPECT_RAISES(kErrOverflow, CByte(D(-0.51)));
  EXPECT_RAISES(kErrOverflow, CLng(D(2147483647.5)));
  EXPECT_EQ(CLng(D(2147483646.5)), 2147483646);
  EXPECT_EQ(CLng(D(-2147483648.5)), INT32_MIN);
  EXPECT_RAISES(kErrOverflow, CSng(D(1e39)));
}

TEST(ConversionTest, EmptyIsZeroNullIsAnErrorInfinityCannotBeHeld) {
  EXPECT_EQ(CByte(kEmpty), 0);
  EXPECT_FALSE(CBool(kEmpty));
  EXPECT_EQ(CStr(kEmpty), L"");
  EXPECT_RAISES(kErrInvalidUseOfNull, CLng(kNull));
  EXPECT_RAISES(kErrInvalidUseOfNull, CBool(kNull));
  EXPECT_RAISES(kErrOverflow, D(HUGE_VAL));
  EXPECT_RAISES(kErrTypeMismatch, L32(1).str());
  EXPECT_RAISES(kErrTypeMismatch, Variant(L"1").num());
}

TEST(BooleanTest, TrueIsSixteenBitsAllSetAndNonZeroTestsTrue) {
  EXPECT_EQ(kTrue.type(), VarType::Boolean);
  EXPECT_EQ(kTrue.num(), -1);
  EXPECT_EQ(kFalse.num(), 0);
  EXPECT_EQ(CInt(kTrue), -1);
  EXPECT_EQ(Hex(CLng(kTrue)), L"FFFFFFFF");
  EXPECT_RAISES(kErrOverflow, CByte(kTrue));
  EXPECT_TRUE(CBool(I16(1)));
  EXPECT_TRUE(CBool(D(0.0001)));
  EXPECT_FALSE(CBool(D(0)));
  EXPECT_FALSE(Variant(L"1").IsNumeric());
}

TEST(TextToNumberTest, DecimalHexAndOctalForms) {
  EXPECT_EQ(CLng(Variant(L"  42\t")), 42);
  EXPECT_EQ(CDbl(Variant(L".5")), 0.5);
  EXPECT_EQ(CDbl(Variant(L"-1.5E-2")), -0.015);
  EXPECT_EQ(CDbl(Variant(L"0.1")), 0.1);  // correctly rounded
  EXPECT_EQ(CInt(Variant(L"2.5")), 2);
  EXPECT_EQ(CInt(Variant(L"3.5")), 4);
  EXPECT_RAISES(kErrOverflow, CInt(Variant(L"32768")));
  EXPECT_RAISES(kErrOverflow, CDbl(Variant(L"1e400")));
  EXPECT_RAISES(kErrOverflow, CDbl(Variant(L"-123e99999999999")));
  EXPECT_EQ(CDbl(Variant(L"1e-400")), 0.0);

  EXPECT_EQ(CLng(Variant(L" &hff ")), 255);
  EXPECT_EQ(CLng(Variant(L"&O17")), 15);
  EXPECT_EQ(CLng(Variant(L"&HFFFF")), 65535);
  EXPECT_EQ(CLng(Variant(L"&HFFFFFFFF")), -1);  // a 32-bit pattern
  EXPECT_RAISES(kErrOverflow, CLng(Variant(L"&H100000000")));
}

TEST(TextToNumberTest, AnythingElseIsATypeMismatch) {
  const std::vector<std::wstring> junk = {
      L"",     L"   ",   L"abc", L"1 2",  L"1e",     L"--1",          L".",   L"&H", L"&HG", L"&O8",
      L"-&H1", L"1,000", L"$5",  L"0x1F", L"\x0661", L"&HFFFFFFFFFZ", L"True"};
  for (const auto& text : junk) {
    EXPECT_RAISES(kErrTypeMismatch, CDbl(Variant(text)))
        << "text: [" << std::string(text.begin(), text.end()) << "]";
  }
}

TEST(TextToNumberTest, BooleanTexts) {
  EXPECT_TRUE(CBool(Variant(L" tRUE ")));
  EXPECT_FALSE(CBool(Variant(L"FALSE")));
  EXPECT_FALSE(CBool(Variant(L"0")));
  EXPECT_TRUE(CBool(Variant(L"0.5")));
  EXPECT_RAISES(kErrTypeMismatch, CBool(Variant(L"yes")));
  EXPECT_RAISES(kErrTypeMismatch, CBool(Variant(L"")));
}

TEST(EqualityTest, EmptyAndNull) {
  EXPECT_FALSE(VarEqual(kEmpty, kTrue));
  EXPECT_TRUE(VarEqual(kEmpty, kFalse));
  EXPECT_TRUE(VarEqual(kEmpty, I16(0)));
  EXPECT_FALSE(VarEqual(L32(1), kEmpty));
  EXPECT_TRUE(VarEqual(kEmpty, Variant(L"")));
  EXPECT_TRUE(VarEqual(Variant(L""), kEmpty));
  EXPECT_FALSE(VarEqual(Variant(L"0"), kEmpty));  // against Empty a text compares as text
  EXPECT_FALSE(VarEqual(kNull, kNull));
  EXPECT_FALSE(VarEqual(kNull, Variant(L"abc")));  // no type mismatch either
}

TEST(EqualityTest, NumbersAcrossTypesAndTexts) {
  EXPECT_TRUE(VarEqual(kTrue, I16(-1)));
  EXPECT_TRUE(VarEqual(Variant::Byte(255), L32(255)));
  EXPECT_TRUE(VarEqual(L32(5), D(5.0)));
  EXPECT_FALSE(VarEqual(Variant::Single(0.1f), D(0.1)));  // the float is compared exactly
  EXPECT_TRUE(VarEqual(Variant(L"abc"), Variant(L"abc")));
  EXPECT_FALSE(VarEqual(Variant(L"abc"), Variant(L"ABC")));
  EXPECT_FALSE(VarEqual(Variant(L"5"), Variant(L"5.0")));  // two texts: no conversion
  EXPECT_TRUE(VarEqual(Variant(L" 5 "), L32(5)));
  EXPECT_RAISES(kErrTypeMismatch, VarEqual(Variant(L"Error"), L32(5)));
}

TEST(FormattingTest, StrHasLeadingBlankForNonNegative) {
  EXPECT_EQ(Str(1014), L" 1014");
  EXPECT_EQ(Str(0), L" 0");
  EXPECT_EQ(Str(-0.0), L" 0");
  EXPECT_EQ(Str(-1), L"-1");
  EXPECT_EQ(Str(1.5), L" 1.5");
  EXPECT_RAISES(kErrOverflow, Str(HUGE_VAL));
}

TEST(FormattingTest, CStrOfEachType) {
  EXPECT_EQ(CStr(L32(5)), L"5");
  EXPECT_EQ(CStr(kTrue), L"True");
  EXPECT_EQ(CStr(kFalse), L"False");
  EXPECT_EQ(CStr(L32(INT32_MIN)), L"-2147483648");
  EXPECT_EQ(CStr(Variant::Single(0.1f)), L"0.1");  // 7 digits, not the float's exact value
  EXPECT_EQ(CStr(Variant::Single(1.0f / 3)), L"0.3333333");
  EXPECT_EQ(CStr(Variant::Single(1e7f)), L"1E+07");
  const auto s = [](double x) { return CStr(D(x)); };
  EXPECT_EQ(s(0.1 + 0.2), L"0.3");
  EXPECT_EQ(s(2.0 / 3), L"0.666666666666667");
  EXPECT_EQ(s(5368709120.0), L"5368709120");
  EXPECT_EQ(s(1e15), L"1E+15");
  EXPECT_EQ(s(1e20), L"1E+20");
  EXPECT_EQ(s(123456789012345678.0), L"1.23456789012346E+17");
  EXPECT_EQ(s(0.0001), L"0.0001");
  EXPECT_EQ(s(0.00001), L"1E-05");
  EXPECT_EQ(s(-2.5e-7), L"-2.5E-07");
  EXPECT_EQ(s(9.9999999999999999), L"10");  // rounding carries into a new digit
}

TEST(FormattingTest, HexIsUpperCaseWithTwosComplementForNegatives) {
  EXPECT_EQ(Hex(31), L"1F");
  EXPECT_EQ(Hex(0), L"0");
  EXPECT_EQ(Hex(-1), L"FFFFFFFF");
  EXPECT_EQ(Hex(INT32_MIN), L"80000000");
}

void ExpectValue(const Variant& v, VarType type, double value) {
  EXPECT_EQ(v.type(), type);
  EXPECT_EQ(v.num(), value);
}

TEST(ArithmeticTest, AdditionWidensInsteadOfOverflowing) {
  ExpectValue(VarAdd(I16(32767), I16(1)), VarType::Long, 32768);
  ExpectValue(VarAdd(Variant::Byte(200), Variant::Byte(100)), VarType::Integer, 300);
  ExpectValue(VarAdd(L32(INT32_MAX), L32(1)), VarType::Double, 2147483648.0);
  ExpectValue(VarAdd(kTrue, kTrue), VarType::Integer, -2);
  EXPECT_RAISES(kErrOverflow, VarAdd(D(DBL_MAX), D(DBL_MAX)));
}

TEST(ArithmeticTest, FileSizeSumsBeyond32BitsStartingFromEmpty) {
  Variant total;
  total = VarAdd(total, D(5.0 * 1073741824.0));
  total = VarAdd(total, D(3));
  ExpectValue(total, VarType::Double, 5368709123.0);
  ExpectValue(VarAdd(kEmpty, L32(5)), VarType::Long, 5);
  ExpectValue(VarAdd(kEmpty, kEmpty), VarType::Integer, 0);
}

TEST(ArithmeticTest, TextsAndNullInAddition) {
  EXPECT_EQ(VarAdd(Variant(L"ab"), Variant(L"cd")).str(), L"abcd");
  EXPECT_EQ(VarAdd(kEmpty, Variant(L"x")).str(), L"x");
  ExpectValue(VarAdd(Variant(L" 5"), I16(3)), VarType::Double, 8);
  EXPECT_RAISES(kErrTypeMismatch, VarAdd(Variant(L"x"), I16(1)));
  EXPECT_TRUE(VarAdd(Variant(L"x"), kNull).IsNull());
}

TEST(ArithmeticTest, MultiplicationTypes) {
  ExpectValue(VarMul(L32(2), Variant::Single(15.0f)), VarType::Double, 30);
  // Long times Single is computed in double precision, not rounded to a float.
  ExpectValue(VarMul(L32(100000), Variant::Single(0.1f)), VarType::Double,
              100000.0 * static_cast<double>(0.1f));
  ExpectValue(VarMul(I16(2), Variant::Single(15.0f)), VarType::Single, 30);
  ExpectValue(VarMul(kEmpty, Variant::Single(15.0f)), VarType::Single, 0);
  ExpectValue(VarMul(Variant::Byte(16), Variant::Byte(16)), VarType::Integer, 256);
  ExpectValue(VarMul(I16(300), I16(300)), VarType::Long, 90000);
  ExpectValue(VarMul(Variant(L"2"), Variant(L"3")), VarType::Double, 6);
  EXPECT_TRUE(VarMul(kNull, kEmpty).IsNull());
  EXPECT_RAISES(kErrTypeMismatch, VarMul(kEmpty, Variant(L"abc")));
  EXPECT_RAISES(kErrOverflow, VarMul(D(1e200), D(1e200)));
}

TEST(ArithmeticTest, IntegerDivisionRoundsOperandsFirst) {
  const Variant fifteen = Variant::Single(15.0f);
  EXPECT_EQ(IntDiv(L32(100), fifteen), 6);
  EXPECT_EQ(IntDiv(L32(-100), fifteen), -6);
  EXPECT_EQ(IntDiv(D(7.5), fifteen), 0);   // 8 \ 15
  EXPECT_EQ(IntDiv(D(22.5), fifteen), 1);  // 22 \ 15
  EXPECT_EQ(IntDiv(kEmpty, fifteen), 0);
  EXPECT_RAISES(kErrDivisionByZero, IntDiv(L32(1), D(0.4)));  // rounds to 0
  EXPECT_RAISES(kErrOverflow, IntDiv(L32(INT32_MIN), I16(-1)));
  EXPECT_RAISES(kErrInvalidUseOfNull, IntDiv(kNull, fifteen));
}

TEST(OnErrorTest, FailingStatementIsAbandonedAndNextRuns) {
  std::vector<int> trace;
  ResumeNext([&] {
    trace.push_back(1);
    Raise(kErrFileNotFound);
    trace.push_back(2);  // never reached
  });
  ResumeNext([&] { trace.push_back(CInt(Variant(L"junk"))); });
  ResumeNext([&] { trace.push_back(3); });
  EXPECT_EQ(trace, (std::vector<int>{1, 3}));
}

TEST(OnErrorTest, FailingConditionEntersTheBody) {
  EXPECT_TRUE(ConditionOrEnter([] { return VarEqual(Variant(L"Error"), kTrue); }));
  EXPECT_FALSE(ConditionOrEnter([] { return false; }));
  EXPECT_TRUE(ConditionOrEnter([] { return true; }));
  // A Variant result is tested as the runtime tests it: Empty is false, Null fails (enters).
  EXPECT_FALSE(ConditionOrEnter([] { return Variant(); }));
  EXPECT_TRUE(ConditionOrEnter([] { return Variant::Null(); }));
}

TEST(OnErrorTest, OtherExceptionsAreNotSwallowed) {
  EXPECT_THROW(ResumeNext([] { throw std::logic_error("defect"); }), std::logic_error);
  EXPECT_THROW(ConditionOrEnter([]() -> bool { throw std::bad_alloc(); }), std::bad_alloc);
}

}  // namespace
}  // namespace qc
