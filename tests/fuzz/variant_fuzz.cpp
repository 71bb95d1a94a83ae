// The Variant conversions and operators on any values: only the runtime's numbered errors come
// out, a number written by CStr, Str or Hex reads back as the same number, and rounding half to
// even moves a number by at most a half.
#include <cmath>
#include <functional>

#include "fuzz/fuzz_input.h"
#include "platform/variant.h"

using namespace qc;

// Whether `f` ran through; what it raises must be one of the runtime's documented errors.
static bool Try(const std::function<void()>& f) {
  try {
    return f(), true;
  } catch (const RuntimeError& e) {
    const int n = e.number();
    QC_FUZZ_CHECK(n == kErrOverflow || n == kErrTypeMismatch || n == kErrDivisionByZero ||
                  n == kErrInvalidUseOfNull || n == kErrInvalidArgument);
    return false;
  }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in{data, size};
  const std::function<Variant()> kinds[] = {
      [] { return Variant(); },
      [] { return Variant::Null(); },
      [&] { return Variant::Boolean(in.Byte() & 1); },
      [&] { return Variant::Integer(in.Raw<int16_t>()); },
      [&] { return Variant::Long(in.Raw<int32_t>()); },
      [&] { return Variant::Byte(in.Byte()); },
      [&] { return Variant::Single(in.Raw<float>()); },  // a non-finite one raises overflow
      [&] { return Variant::Double(in.Raw<double>()); },
      [&] { return Variant(in.Text()); }};
  Variant a, b;
  for (Variant* v : {&a, &b}) Try([&] { *v = kinds[in.Byte() % 9](); });
  const std::function<void()> ops[] = {
      [&] { (void)CBool(a); },     [&] { (void)CInt(a); },        [&] { (void)CByte(a); },
      [&] { (void)CSng(a); },      [&] { (void)VarEqual(a, b); }, [&] { (void)VarAdd(a, b); },
      [&] { (void)VarMul(a, b); }, [&] { (void)IntDiv(a, b); },
  };
  for (const auto& op : ops) Try(op);
  // A number read from `a` comes back from its texts, and without any error.
  if (double d = 0; Try([&] { d = CDbl(a); })) {
    const double back = CDbl(Variant(CStr(Variant::Double(d))));
    // CStr keeps 15 significant digits (fewer below the normal range).
    QC_FUZZ_CHECK(std::fabs(back - d) <= std::fabs(d) * 1e-14 + 1e-307);
    QC_FUZZ_CHECK(CDbl(Variant(Str(d))) == back);
    const double r = RoundHalfEven(d);
    QC_FUZZ_CHECK(std::fabs(r - d) <= 0.5 && r == std::floor(r));
  }
  if (int32_t n = 0; Try([&] { n = CLng(a); })) {
    QC_FUZZ_CHECK(CLng(Variant(CStr(Variant::Long(n)))) == n);
    QC_FUZZ_CHECK(CLng(Variant(L"&H" + Hex(n))) == n);
  }
  return 0;
}
