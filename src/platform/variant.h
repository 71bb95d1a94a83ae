// The tagged value that crosses class boundaries, and the runtime's rules for converting,
// comparing, formatting and combining it. Nothing here depends on the C or C++ locale.
#pragma once
#include <cstdint>
#include <string>

#include "platform/runtime_error.h"

namespace qc {

enum class VarType { Empty, Null, Boolean, Integer, Long, Byte, Single, Double, String };

class Variant {
 public:
  Variant();  // Empty
  // String; implicit so that texts can be passed and returned where a Variant is expected.
  Variant(const std::wstring& s);  // NOLINT(google-explicit-constructor)
  Variant(const wchar_t* s);       // NOLINT(google-explicit-constructor); null gives ""

  static Variant Null();
  static Variant Boolean(bool b);  // held as the 16-bit -1 (true) or 0 (false)
  static Variant Integer(int16_t n);
  static Variant Long(int32_t n);
  static Variant Byte(uint8_t n);
  // The runtime has no infinities or NaNs: a non-finite number raises overflow (6).
  static Variant Single(float n);
  static Variant Double(double n);
  static Variant String(std::wstring s);

  VarType type() const { return type_; }
  bool IsEmpty() const { return type_ == VarType::Empty; }
  bool IsNull() const { return type_ == VarType::Null; }
  // By type only: Boolean, Integer, Long, Byte, Single, Double. A numeric text is a String.
  bool IsNumeric() const;

  // Raw access. str() of a non-String and num() of a non-numeric raise type mismatch (13).
  // num() of a Boolean is -1 or 0; of a Single, the float's exact value.
  const std::wstring& str() const;
  double num() const;

 private:
  VarType type_;
  double num_ = 0;  // every numeric type is held exactly in a double
  std::wstring str_;
};

// Halves go to the even neighbour: 2.5 -> 2, 3.5 -> 4, -2.5 -> -2. Independent of the FPU mode.
double RoundHalfEven(double x);

// Conversions. Empty gives 0 / False / ""; Null raises 94; a text is parsed (see below) and
// raises 13 when it is not a number. Whole-number targets round halves to even first and raise
// overflow (6) outside their range; True is -1, so CByte(True) overflows.
//
// Accepted number texts: optional blanks (space, tab) around; then either an optional sign,
// decimal digits with an optional fraction and an optional exponent ("-1.5E+3", ".5", "5."),
// or "&H" with hexadecimal or "&O" with octal digits. A hex or octal value is a 32-bit pattern
// ("&HFFFFFFFF" is -1, "&HFFFF" is 65535); above 32 bits it overflows. No thousands
// separators, no currency signs. A decimal text beyond the Double range overflows.
bool CBool(const Variant& v);  // nonzero is true; texts "True"/"False" in any case, or numbers
int16_t CInt(const Variant& v);
int32_t CLng(const Variant& v);
uint8_t CByte(const Variant& v);
float CSng(const Variant& v);
double CDbl(const Variant& v);

// Text of a value, no leading blank: "5", "-1.5", "True", "False"; Empty gives "".
// Doubles keep up to 15 significant digits and Singles up to 7, without trailing zeros; an
// exponent form ("1E+20", "1E-05") is used below 1E-4 and from 1E+15 (1E+7 for Singles).
std::wstring CStr(const Variant& v);
// Number to text as CStr of a Double, with a leading blank when not negative: " 1014", "-1".
std::wstring Str(double x);
// Upper-case hexadecimal without leading zeros; a negative number as its 8-digit 32-bit pattern.
std::wstring Hex(int32_t n);

// The '=' operator. Null on either side: false (the runtime's Null result never tests true).
// Numbers (Booleans included) compare by value across types; Empty counts as 0 against a
// number and as "" against a text; two texts compare exactly, case-sensitive. A text against a
// number is converted to a number, so a non-numeric text raises type mismatch (13).
bool VarEqual(const Variant& a, const Variant& b);

// '+' and '*'. Null on either side gives Null. Numbers take the wider type (Byte < Integer <
// Long < Single < Double; Boolean counts as Integer; Long with Single gives Double) and a whole
// result that overflows its type moves to the next (Byte -> Integer -> Long -> Double), a
// Single to Double; only a Double overflow raises 6. A text taking part in arithmetic becomes a
// Double (13 when not numeric). Empty counts as 0 of the other operand's type.
// VarAdd of two texts, or of a text and Empty, joins the texts.
Variant VarAdd(const Variant& a, const Variant& b);
Variant VarMul(const Variant& a, const Variant& b);

// '\': both operands rounded (halves to even) to 32-bit whole numbers, then the quotient
// truncated toward zero. Dividing by 0 raises 11; Null raises 94.
int32_t IntDiv(const Variant& a, const Variant& b);

}  // namespace qc
