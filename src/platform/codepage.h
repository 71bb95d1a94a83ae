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

}  // namespace qc
