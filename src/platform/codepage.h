// Conversion between the program's Unicode text and the system's ANSI code page,
// done at every call of an "A" function.
#pragma once
#include <string>

namespace qc {

class ICodePage {
 public:
  virtual ~ICodePage() = default;
  virtual std::string ToAnsi(const std::wstring& text) = 0;
  virtual std::wstring FromAnsi(const std::string& bytes) = 0;
};

// True when the text reaches an "A" call unchanged: no NUL (the call would stop there) and
// every character has its own code in the code page (no '?' or look-alike in its place).
inline bool HasExactAnsiForm(ICodePage& codePage, const std::wstring& text) {
  return text.find(L'\0') == std::wstring::npos && codePage.FromAnsi(codePage.ToAnsi(text)) == text;
}

}  // namespace qc
