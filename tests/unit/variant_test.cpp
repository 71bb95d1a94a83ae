// The runtime's value rules, one row per expression: "Type:text" (as CStr gives it) or "error N".
#include "platform/variant.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>

#include "support/fake_platform.h"

namespace qc {
namespace {

// The result of an expression as the Variant of its type.
template <class R>
Variant As(R r) {
  if constexpr (std::is_same_v<R, bool>) return Variant::Boolean(r);
  if constexpr (std::is_same_v<R, uint8_t>) return Variant::Byte(r);
  if constexpr (std::is_same_v<R, int16_t>) return Variant::Integer(r);
  if constexpr (std::is_same_v<R, int32_t>) return Variant::Long(r);
  if constexpr (std::is_same_v<R, float>) return Variant::Single(r);
  if constexpr (std::is_same_v<R, double>) return Variant::Double(r);
  if constexpr (std::is_same_v<R, Variant> || std::is_same_v<R, std::wstring>) return Variant(r);
}

const Variant kEmpty, kNull = Variant::Null(), kTrue = Variant::Boolean(true);
const auto D = [](double x) { return Variant::Double(x); };
const auto L32 = [](int32_t n) { return Variant::Long(n); };
const auto I16 = [](int16_t n) { return Variant::Integer(n); };
const auto T = [](const wchar_t* s) { return Variant(s); };

std::wstring Outcome(Variant (*eval)()) {
  static const wchar_t* const kTypes[] = {L"Empty", L"Null",   L"Boolean", L"Integer", L"Long",
                                          L"Byte",  L"Single", L"Double",  L"String"};
  try {
    const Variant v = eval();
    const std::wstring type = kTypes[static_cast<int>(v.type())];
    return v.IsNull() ? type : type + L":" + CStr(v);
  } catch (const RuntimeError& e) {
    return L"error " + std::to_wstring(e.number());
  }
}

struct Row {
  const char* expr;
  Variant (*eval)();
  const wchar_t* want;
};
#define ROW(expr, want)                  \
  {                                      \
#expr, [] { return As(expr); }, want \
  }

TEST(VariantTest, ConversionComparisonFormattingAndArithmetic) {
  const Row rows[] = {
      // Whole-number targets round halves to even, then check their range; True is -1.
      ROW(CInt(D(2.5)), L"Integer:2"),
      ROW(CInt(D(32767.5)), L"error 6"),
      ROW(CLng(kNull), L"error 94"),
      ROW(Hex(CLng(kTrue)), L"String:FFFFFFFF"),
      // Number texts: blanks, fractions, exponents, hexadecimal and octal 32-bit patterns.
      ROW(CDbl(T(L"-1.5E-2")), L"Double:-0.015"),
      ROW(CDbl(T(L"1e400")), L"error 6"),
      ROW(CLng(T(L" &hff ")), L"Long:255"),
      ROW(CLng(T(L"&O17")), L"Long:15"),
      ROW(CLng(T(L"&HFFFFFFFF")), L"Long:-1"),
      ROW(CBool(T(L" tRUE ")), L"Boolean:True"),
      // '=': Empty is 0 or "", Null never equal, two texts exact, a text against a number parsed.
      ROW(VarEqual(T(L"0"), kEmpty), L"Boolean:False"),
      ROW(VarEqual(kNull, kNull), L"Boolean:False"),
      ROW(VarEqual(Variant::Single(0.1f), D(0.1)), L"Boolean:False"),
      ROW(VarEqual(T(L"5"), T(L"5.0")), L"Boolean:False"),
      ROW(VarEqual(T(L" 5 "), L32(5)), L"Boolean:True"),
      ROW(VarEqual(T(L"Error"), L32(5)), L"error 13"),
      // Texts of numbers: 15 digits for a Double, 7 for a Single, exponents outside 1E-4..1E+15.
      ROW(Str(1014), L"String: 1014"),
      ROW(Variant::Single(1.0f / 3), L"Single:0.3333333"),
      ROW(Variant::Single(1e7f), L"Single:1E+07"),
      ROW(D(1e15), L"Double:1E+15"),
      ROW(D(123456789012345678.0), L"Double:1.23456789012346E+17"),
      // '+' and '*' widen instead of overflowing; Empty takes the other's type; texts join.
      ROW(VarAdd(I16(32767), I16(1)), L"Long:32768"),
      ROW(VarAdd(Variant::Byte(200), Variant::Byte(100)), L"Integer:300"),
      ROW(VarAdd(T(L" 5"), I16(3)), L"Double:8"),
      ROW(VarAdd(T(L"x"), kNull), L"Null"),
      ROW(VarMul(L32(100000), Variant::Single(0.1f)), L"Double:10000.0001490116"),
      // '\' rounds both operands first, then truncates.
      ROW(IntDiv(D(7.5), Variant::Single(15.0f)), L"Long:0"),
      ROW(IntDiv(L32(1), D(0.4)), L"error 11"),
      ROW(IntDiv(L32(INT32_MIN), I16(-1)), L"error 6"),
  };
  for (const Row& row : rows) EXPECT_EQ(Outcome(row.eval), row.want) << row.expr;

  for (const wchar_t* junk : {L"", L"1 2", L"1e", L"--1", L"&HG", L"&O8", L"-&H1", L"1,000",
                              L"0x1F", L"\x0661", L"True"}) {
    EXPECT_EQ(test::ErrorNumberOf([&] { (void)CDbl(T(junk)); }), kErrTypeMismatch)
        << static_cast<int>(junk[0]);
  }
}

}  // namespace
}  // namespace qc
