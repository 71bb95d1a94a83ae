#include "platform/variant.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <system_error>
#include <utility>

namespace qc {

namespace {

constexpr double kTwoPow32 = 4294967296.0;

bool IsBlank(wchar_t c) {
  return c == L' ' || c == L'\t';
}
bool IsDigit(wchar_t c) {
  return c >= L'0' && c <= L'9';
}

// ASCII-only, so that no locale can change what counts as a letter.
wchar_t AsciiLower(wchar_t c) {
  return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

bool EqualsNoCase(const std::wstring& text, size_t begin, size_t end, const wchar_t* word) {
  size_t i = begin;
  for (; *word != L'\0'; ++word, ++i) {
    if (i == end || AsciiLower(text[i]) != *word) return false;
  }
  return i == end;
}

void Trim(const std::wstring& text, size_t* begin, size_t* end) {
  *begin = 0;
  *end = text.size();
  while (*begin < *end && IsBlank(text[*begin])) ++*begin;
  while (*end > *begin && IsBlank(text[*end - 1])) --*end;
}

int DigitValue(wchar_t c, int radix) {
  int v = -1;
  if (c >= L'0' && c <= L'9')
    v = c - L'0';
  else if (c >= L'a' && c <= L'f')
    v = c - L'a' + 10;
  else if (c >= L'A' && c <= L'F')
    v = c - L'A' + 10;
  return v < radix ? v : -1;
}

// "&H1F" / "&O17" (the '&' at begin). The digits are a 32-bit pattern, so "&HFFFFFFFF" is -1.
bool ParseRadix(const std::wstring& text, size_t begin, size_t end, double* out) {
  if (end - begin < 3) return false;
  const wchar_t tag = AsciiLower(text[begin + 1]);
  const int radix = tag == L'h' ? 16 : tag == L'o' ? 8 : 0;
  if (radix == 0) return false;
  uint64_t value = 0;
  bool tooBig = false;
  for (size_t i = begin + 2; i < end; ++i) {
    const int d = DigitValue(text[i], radix);
    if (d < 0) return false;  // junk wins over size: "&HFFFFFFFFFFZ" is a type mismatch
    value = value * radix + static_cast<uint64_t>(d);
    if (value > 0xFFFFFFFFull) {
      tooBig = true;
      value = 0;
    }
  }
  if (tooBig) Raise(kErrOverflow);
  *out =
      value >= 0x80000000ull ? static_cast<double>(value) - kTwoPow32 : static_cast<double>(value);
  return true;
}

// False when the text is no number; raises overflow for a number beyond the Double range.
bool ParseNumber(const std::wstring& text, double* out) {
  size_t begin = 0;
  size_t end = 0;
  Trim(text, &begin, &end);
  if (begin == end) return false;
  if (text[begin] == L'&') return ParseRadix(text, begin, end, out);

  bool negative = false;
  size_t i = begin;
  if (text[i] == L'+' || text[i] == L'-') {
    negative = text[i] == L'-';
    ++i;
  }
  std::string intDigits;
  std::string fracDigits;
  while (i < end && IsDigit(text[i])) intDigits += static_cast<char>(text[i++]);
  if (i < end && text[i] == L'.') {
    ++i;
    while (i < end && IsDigit(text[i])) fracDigits += static_cast<char>(text[i++]);
  }
  if (intDigits.empty() && fracDigits.empty()) return false;

  bool expNegative = false;
  std::string expDigits;
  if (i < end && (text[i] == L'e' || text[i] == L'E')) {
    ++i;
    if (i < end && (text[i] == L'+' || text[i] == L'-')) {
      expNegative = text[i] == L'-';
      ++i;
    }
    while (i < end && IsDigit(text[i])) expDigits += static_cast<char>(text[i++]);
    if (expDigits.empty()) return false;
  }
  if (i != end) return false;

  // A canonical ASCII form for the (locale-free, correctly rounding) library parser.
  std::string canonical = negative ? "-" : "";
  canonical += intDigits.empty() ? "0" : intDigits;
  if (!fracDigits.empty()) canonical += "." + fracDigits;
  if (!expDigits.empty()) canonical += (expNegative ? "e-" : "e") + expDigits;

  double value = 0;
  const char* first = canonical.data();
  const char* last = first + canonical.size();
  const auto result = std::from_chars(first, last, value);
  if (result.ec == std::errc::result_out_of_range) {
    // Too large or too small: decide by the decimal exponent of the leading non-zero digit.
    const std::string all = intDigits + fracDigits;
    const size_t lead = all.find_first_not_of('0');
    long exponent = 0;
    for (char c : expDigits) exponent = exponent < 100000 ? exponent * 10 + (c - '0') : exponent;
    if (expNegative) exponent = -exponent;
    const long magnitude =
        exponent + static_cast<long>(intDigits.size()) - 1 - static_cast<long>(lead);
    if (lead != std::string::npos && magnitude > 0) Raise(kErrOverflow);
    *out = 0;
    return true;
  }
  if (result.ec != std::errc() || result.ptr != last) return false;
  *out = value;
  return true;
}

double ToNumber(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty:
      return 0;
    case VarType::Null:
      Raise(kErrInvalidUseOfNull);
    case VarType::String: {
      double d = 0;
      if (!ParseNumber(v.str(), &d)) Raise(kErrTypeMismatch);
      return d;
    }
    default:
      return v.num();
  }
}

double RoundToRange(const Variant& v, double low, double high) {
  const double r = RoundHalfEven(ToNumber(v));
  if (!(r >= low && r <= high)) Raise(kErrOverflow);
  return r;
}

std::wstring FormatWhole(int64_t n) {
  const bool negative = n < 0;
  uint64_t u = negative ? static_cast<uint64_t>(-(n + 1)) + 1 : static_cast<uint64_t>(n);
  std::wstring digits;
  do {
    digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + u % 10));
    u /= 10;
  } while (u != 0);
  return negative ? L"-" + digits : digits;
}

// Shortest text of at most `precision` significant digits, as the runtime prints numbers.
// `scientific` is what std::to_chars gave with precision - 1 fraction digits: "-d.ddde+XX".
std::wstring FormatScientific(const char* first, const char* last, int precision) {
  bool negative = false;
  std::string digits;
  int exponent = 0;
  const char* p = first;
  if (p != last && *p == '-') {
    negative = true;
    ++p;
  }
  for (; p != last && *p != 'e'; ++p) {
    if (*p >= '0' && *p <= '9') digits += *p;
  }
  if (p != last) {
    ++p;  // 'e'
    bool expNegative = false;
    if (p != last && (*p == '+' || *p == '-')) expNegative = *p++ == '-';
    for (; p != last; ++p) exponent = exponent * 10 + (*p - '0');
    if (expNegative) exponent = -exponent;
  }
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  if (digits == "0") return L"0";

  std::string text;
  if (exponent < -4 || exponent >= precision) {
    text = digits.substr(0, 1);
    if (digits.size() > 1) text += "." + digits.substr(1);
    const int magnitude = exponent < 0 ? -exponent : exponent;
    text += exponent < 0 ? "E-" : "E+";
    if (magnitude < 10) text += '0';
    text += std::to_string(magnitude);
  } else if (exponent >= 0) {
    const size_t whole = static_cast<size_t>(exponent) + 1;
    if (digits.size() <= whole) {
      text = digits + std::string(whole - digits.size(), '0');
    } else {
      text = digits.substr(0, whole) + "." + digits.substr(whole);
    }
  } else {
    text = "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
  }
  if (negative) text.insert(text.begin(), '-');
  return std::wstring(text.begin(), text.end());
}

std::wstring FormatDouble(double x) {
  if (!std::isfinite(x)) Raise(kErrOverflow);
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::scientific, 14);
  return FormatScientific(buffer, result.ptr, 15);
}

std::wstring FormatSingle(float x) {
  if (!std::isfinite(x)) Raise(kErrOverflow);
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::scientific, 6);
  return FormatScientific(buffer, result.ptr, 7);
}

// An operand of arithmetic: its type after promotion (Boolean -> Integer, text -> Double).
struct Operand {
  VarType type;
  double value;
};

bool ToOperand(const Variant& v, Operand* out) {
  switch (v.type()) {
    case VarType::Empty:
      return false;
    case VarType::Boolean:
      *out = {VarType::Integer, v.num()};
      return true;
    case VarType::String:
      *out = {VarType::Double, ToNumber(v)};
      return true;
    default:
      *out = {v.type(), v.num()};
      return true;
  }
}

int Rank(VarType t) {
  switch (t) {
    case VarType::Byte:
      return 1;
    case VarType::Integer:
      return 2;
    case VarType::Long:
      return 3;
    case VarType::Single:
      return 4;
    default:
      return 5;
  }
}

VarType WiderType(VarType a, VarType b) {
  // A Single cannot hold every Long exactly.
  if ((a == VarType::Long && b == VarType::Single) ||
      (a == VarType::Single && b == VarType::Long)) {
    return VarType::Double;
  }
  return Rank(a) >= Rank(b) ? a : b;
}

// The result in the narrowest type at or above `type` that holds it.
Variant Fit(VarType type, double r) {
  switch (type) {
    case VarType::Byte:
      if (r >= 0 && r <= 255) return Variant::Byte(static_cast<uint8_t>(r));
      [[fallthrough]];
    case VarType::Integer:
      if (r >= -32768 && r <= 32767) return Variant::Integer(static_cast<int16_t>(r));
      [[fallthrough]];
    case VarType::Long:
      if (r >= -2147483648.0 && r <= 2147483647.0) return Variant::Long(static_cast<int32_t>(r));
      break;
    case VarType::Single:
      if (std::fabs(r) <= FLT_MAX) return Variant::Single(static_cast<float>(r));
      break;
    default:
      break;
  }
  return Variant::Double(r);  // raises overflow when not finite
}

template <class Op>
Variant Arithmetic(const Variant& a, const Variant& b, Op op) {
  if (a.IsNull() || b.IsNull()) return Variant::Null();
  Operand x{VarType::Integer, 0};
  Operand y{VarType::Integer, 0};
  const bool hasX = ToOperand(a, &x);
  const bool hasY = ToOperand(b, &y);
  if (!hasX) x = {y.type, 0};
  if (!hasY) y = {x.type, 0};
  // Single operands are exact in a double, so one rounding to float gives the Single result.
  return Fit(WiderType(x.type, y.type), op(x.value, y.value));
}

}  // namespace

Variant::Variant() : type_(VarType::Empty) {}
Variant::Variant(const std::wstring& s) : type_(VarType::String), str_(s) {}
Variant::Variant(const wchar_t* s) : type_(VarType::String), str_(s != nullptr ? s : L"") {}

Variant Variant::Null() {
  Variant v;
  v.type_ = VarType::Null;
  return v;
}

Variant Variant::Boolean(bool b) {
  Variant v;
  v.type_ = VarType::Boolean;
  v.num_ = b ? -1 : 0;
  return v;
}

Variant Variant::Integer(int16_t n) {
  Variant v;
  v.type_ = VarType::Integer;
  v.num_ = n;
  return v;
}

Variant Variant::Long(int32_t n) {
  Variant v;
  v.type_ = VarType::Long;
  v.num_ = n;
  return v;
}

Variant Variant::Byte(uint8_t n) {
  Variant v;
  v.type_ = VarType::Byte;
  v.num_ = n;
  return v;
}

Variant Variant::Single(float n) {
  if (!std::isfinite(n)) Raise(kErrOverflow);
  Variant v;
  v.type_ = VarType::Single;
  v.num_ = n;
  return v;
}

Variant Variant::Double(double n) {
  if (!std::isfinite(n)) Raise(kErrOverflow);
  Variant v;
  v.type_ = VarType::Double;
  v.num_ = n;
  return v;
}

Variant Variant::String(std::wstring s) {
  Variant v;
  v.type_ = VarType::String;
  v.str_ = std::move(s);
  return v;
}

bool Variant::IsNumeric() const {
  switch (type_) {
    case VarType::Boolean:
    case VarType::Integer:
    case VarType::Long:
    case VarType::Byte:
    case VarType::Single:
    case VarType::Double:
      return true;
    default:
      return false;
  }
}

const std::wstring& Variant::str() const {
  if (type_ != VarType::String) Raise(kErrTypeMismatch);
  return str_;
}

double Variant::num() const {
  if (!IsNumeric()) Raise(kErrTypeMismatch);
  return num_;
}

double RoundHalfEven(double x) {
  if (!std::isfinite(x)) return x;
  const double whole = std::trunc(x);
  // Exact: for |x| >= 1, whole lies within a factor of two of x; below 1 it is zero.
  const double fraction = x - whole;
  if (std::fabs(fraction) != 0.5) return std::round(x);
  return std::fmod(whole, 2.0) == 0 ? whole : whole + (x > 0 ? 1 : -1);
}

bool CBool(const Variant& v) {
  if (v.type() == VarType::String) {
    size_t begin = 0;
    size_t end = 0;
    Trim(v.str(), &begin, &end);
    if (EqualsNoCase(v.str(), begin, end, L"true")) return true;
    if (EqualsNoCase(v.str(), begin, end, L"false")) return false;
  }
  return ToNumber(v) != 0;
}

int16_t CInt(const Variant& v) {
  return static_cast<int16_t>(RoundToRange(v, -32768, 32767));
}

int32_t CLng(const Variant& v) {
  return static_cast<int32_t>(RoundToRange(v, -2147483648.0, 2147483647.0));
}

uint8_t CByte(const Variant& v) {
  return static_cast<uint8_t>(RoundToRange(v, 0, 255));
}

float CSng(const Variant& v) {
  const double d = ToNumber(v);
  if (std::fabs(d) > FLT_MAX) Raise(kErrOverflow);
  return static_cast<float>(d);
}

double CDbl(const Variant& v) {
  return ToNumber(v);
}

std::wstring CStr(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty:
      return L"";
    case VarType::Null:
      Raise(kErrInvalidUseOfNull);
    case VarType::Boolean:
      return v.num() != 0 ? L"True" : L"False";
    case VarType::Integer:
    case VarType::Long:
    case VarType::Byte:
      return FormatWhole(static_cast<int64_t>(v.num()));
    case VarType::Single:
      return FormatSingle(static_cast<float>(v.num()));
    case VarType::Double:
      return FormatDouble(v.num());
    case VarType::String:
      return v.str();
  }
  Raise(kErrTypeMismatch);
}

std::wstring Str(double x) {
  std::wstring text = FormatDouble(x);
  return x < 0 ? text : L" " + text;  // -0 prints as " 0"
}

std::wstring Hex(int32_t n) {
  uint32_t u = static_cast<uint32_t>(n);
  std::wstring text;
  do {
    text.insert(text.begin(), L"0123456789ABCDEF"[u % 16]);
    u /= 16;
  } while (u != 0);
  return text;
}

bool VarEqual(const Variant& a, const Variant& b) {
  if (a.IsNull() || b.IsNull()) return false;
  const bool aText = a.type() == VarType::String;
  const bool bText = b.type() == VarType::String;
  if (aText && bText) return a.str() == b.str();
  if (aText && b.IsEmpty()) return a.str().empty();
  if (bText && a.IsEmpty()) return b.str().empty();
  return ToNumber(a) == ToNumber(b);
}

Variant VarAdd(const Variant& a, const Variant& b) {
  if (a.IsNull() || b.IsNull()) return Variant::Null();
  const bool aText = a.type() == VarType::String;
  const bool bText = b.type() == VarType::String;
  if ((aText || a.IsEmpty()) && (bText || b.IsEmpty()) && (aText || bText)) {
    return Variant::String((aText ? a.str() : L"") + (bText ? b.str() : L""));
  }
  return Arithmetic(a, b, [](double x, double y) { return x + y; });
}

Variant VarMul(const Variant& a, const Variant& b) {
  return Arithmetic(a, b, [](double x, double y) { return x * y; });
}

int32_t IntDiv(const Variant& a, const Variant& b) {
  const int32_t dividend = CLng(a);
  const int32_t divisor = CLng(b);
  if (divisor == 0) Raise(kErrDivisionByZero);
  if (dividend == INT32_MIN && divisor == -1) Raise(kErrOverflow);
  return dividend / divisor;
}

}  // namespace qc
