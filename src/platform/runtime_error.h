// The runtime's numbered errors: one exception type for every conversion, overflow, file or
// argument error that ends a statement and travels to the caller's error handling.
#pragma once
#include <cstdint>
#include <exception>
#include <string>
#include <utility>

namespace qc {

enum RuntimeErrorNumber : int {
  kErrInvalidArgument = 5,
  kErrOverflow = 6,
  kErrOutOfMemory = 7,
  kErrSubscript = 9,
  kErrDivisionByZero = 11,
  kErrTypeMismatch = 13,
  kErrFileNotFound = 53,
  kErrPermissionDenied = 70,
  kErrPathFileAccess = 75,
  kErrPathNotFound = 76,
  kErrObjectNotSet = 91,
  kErrInvalidUseOfNull = 94,
};

// The standard text of an error number, as the runtime words it.
inline const char* RuntimeErrorText(int number) noexcept {
  switch (number) {
    case kErrInvalidArgument:
      return "Invalid procedure call or argument";
    case kErrOverflow:
      return "Overflow";
    case kErrOutOfMemory:
      return "Out of memory";
    case kErrSubscript:
      return "Subscript out of range";
    case kErrDivisionByZero:
      return "Division by zero";
    case kErrTypeMismatch:
      return "Type mismatch";
    case kErrFileNotFound:
      return "File not found";
    case kErrPermissionDenied:
      return "Permission denied";
    case kErrPathFileAccess:
      return "Path/File access error";
    case kErrPathNotFound:
      return "Path not found";
    case kErrObjectNotSet:
      return "Object variable or With block variable not set";
    case kErrInvalidUseOfNull:
      return "Invalid use of Null";
    default:
      return "Application-defined or object-defined error";
  }
}

class RuntimeError : public std::exception {
 public:
  // description empty: the standard text of the number. win32Code: the system error behind a
  // failed platform service (0 when there is none).
  explicit RuntimeError(int number, std::string description = {}, uint32_t win32Code = 0)
      : number_(number),
        description_(description.empty() ? std::string(RuntimeErrorText(number))
                                         : std::move(description)),
        win32_code_(win32Code) {}

  int number() const noexcept { return number_; }
  uint32_t win32_code() const noexcept { return win32_code_; }
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  int number_;
  std::string description_;
  uint32_t win32_code_;
};

// A runtime error's description as the program shows it (its texts are ASCII).
inline std::wstring Widen(const char* text) {
  std::wstring w;
  for (const char* p = text; *p; ++p) w += static_cast<wchar_t>(static_cast<unsigned char>(*p));
  return w;
}

[[noreturn]] inline void Raise(int number) {
  throw RuntimeError(number);
}

}  // namespace qc
