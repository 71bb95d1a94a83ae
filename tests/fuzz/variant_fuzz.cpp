// The Variant conversions and operators on any values: only the runtime's numbered errors come
// out, a number written by CStr, Str or Hex reads back as the same number, and rounding half to
// even moves a number by at most a half.
#include <cmath>
#include <functional>

#include "fuzz/fuzz_input.h"
#include "platform/variant.h"

namespace {

template <class F>
void Try(F&& f) {
  try {
    f();
  } catch (const qc::RuntimeError& e) {
    const int n = e.number();
    QC_FUZZ_CHECK(n == qc::kErrOverflow || n == qc::kErrTypeMismatch ||
                  n == qc::kErrDivisionByZero || n == qc::kErrInvalidUseOfNull ||
                  n == qc::kErrInvalidArgument);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using qc::Variant;
  qc::fuzz::Input in{data, size};
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
  Try([&] { a = kinds[in.Byte() % 9](); });
  Try([&] { b = kinds[in.Byte() % 9](); });
  Try([&] { (void)qc::CBool(a); });
  Try([&] { (void)qc::CInt(a); });
  Try([&] { (void)qc::CByte(a); });
  Try([&] { (void)qc::CSng(a); });
  Try([&] { (void)qc::VarEqual(a, b); });
  Try([&] { (void)qc::VarAdd(a, b); });
  Try([&] { (void)qc::VarMul(a, b); });
  Try([&] { (void)qc::IntDiv(a, b); });
  // A number read from `a` comes back from its texts, and without any error.
  double d = 0;
  int32_t n = 0;
  bool real = false, whole = false;
  Try([&] { d = qc::CDbl(a), real = true; });
  Try([&] { n = qc::CLng(a), whole = true; });
  if (real) {
    const double back = qc::CDbl(Variant(qc::CStr(Variant::Double(d))));
    // CStr keeps 15 significant digits (fewer below the normal range).
    QC_FUZZ_CHECK(std::fabs(back - d) <= std::fabs(d) * 1e-14 + 1e-307);
    QC_FUZZ_CHECK(qc::CDbl(Variant(qc::Str(d))) == back);
    const double r = qc::RoundHalfEven(d);
    QC_FUZZ_CHECK(std::fabs(r - d) <= 0.5 && r == std::floor(r));
  }
  QC_FUZZ_CHECK(!whole || qc::CLng(Variant(qc::CStr(Variant::Long(n)))) == n);
  QC_FUZZ_CHECK(!whole || qc::CLng(Variant(L"&H" + qc::Hex(n))) == n);
  return 0;
}
