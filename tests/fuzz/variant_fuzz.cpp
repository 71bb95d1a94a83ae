// The Variant conversions and operators on any values: only the runtime's numbered errors may
// come out, and a number written by CStr, Str or Hex reads back as the same number.
#include <cmath>
#include <cstdio>

#include "fuzz/fuzz_input.h"
#include "platform/variant.h"

namespace {

using qc::Variant;
using qc::fuzz::Fail;

Variant Make(qc::fuzz::Input& in) {
  switch (in.Byte() % 9) {
    case 0:
      return Variant();
    case 1:
      return Variant::Null();
    case 2:
      return Variant::Boolean(in.Byte() & 1);
    case 3:
      return Variant::Integer(in.Raw<int16_t>());
    case 4:
      return Variant::Long(in.Raw<int32_t>());
    case 5:
      return Variant::Byte(in.Byte());
    case 6:
      return Variant::Single(in.Raw<float>());  // a non-finite one raises overflow
    case 7:
      return Variant::Double(in.Raw<double>());
    default:
      return Variant(in.Text());
  }
}

bool Known(int number) {
  return number == qc::kErrOverflow || number == qc::kErrTypeMismatch ||
         number == qc::kErrDivisionByZero || number == qc::kErrInvalidUseOfNull ||
         number == qc::kErrInvalidArgument;
}

template <class F>
void Try(F&& f) {
  try {
    f();
  } catch (const qc::RuntimeError& e) {
    if (!Known(e.number())) Fail("an unexpected runtime error number");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qc::fuzz::Input in(data, size);
  Variant a;
  Variant b;
  Try([&] { a = Make(in); });
  Try([&] { b = Make(in); });

  Try([&] { (void)qc::CBool(a); });
  Try([&] { (void)qc::CInt(a); });
  Try([&] { (void)qc::CByte(a); });
  Try([&] { (void)qc::CSng(a); });
  Try([&] { (void)qc::VarEqual(a, b); });
  Try([&] { (void)qc::VarAdd(a, b); });
  Try([&] { (void)qc::VarMul(a, b); });
  Try([&] { (void)qc::IntDiv(a, b); });

  // What CStr writes, the parser reads back: exactly for whole numbers, to CStr's 15
  // significant digits for others.
  Try([&] {
    const double d = qc::CDbl(a);
    const std::wstring text = qc::CStr(Variant::Double(d));
    const double back = qc::CDbl(Variant(text));
    // (Below the normal range a double has fewer digits of its own.)
    if (std::fabs(back - d) > std::fabs(d) * 1e-14 + 1e-307)
      Fail("CStr of a Double does not read back");
    const double spaced = qc::CDbl(Variant(qc::Str(d)));
    if (spaced != back) Fail("Str and CStr read back differently");
  });
  Try([&] {
    const int32_t n = qc::CLng(a);
    if (qc::CLng(Variant(qc::CStr(Variant::Long(n)))) != n)
      Fail("CStr of a Long does not read back");
    if (qc::CLng(Variant(L"&H" + qc::Hex(n))) != n) Fail("Hex does not read back");
  });
  // Rounding half to even never moves a number by more than a half.
  Try([&] {
    const double d = qc::CDbl(a);
    const double r = qc::RoundHalfEven(d);
    if (std::fabs(r - d) > 0.5 || r != std::floor(r)) Fail("RoundHalfEven out of its half");
  });
  return 0;
}
