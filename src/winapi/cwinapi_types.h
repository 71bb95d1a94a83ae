// The type vocabulary of CWinAPI's interface, as the forms runtime names it.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "platform/runtime_error.h"
#include "platform/variant.h"

namespace qc {

using Long = int32_t;
using Integer = int16_t;
using Byte = uint8_t;
using Boolean = int16_t;  // 16 bits: true is -1, false 0; any non-zero value tests as true
using Single = float;
using Double = double;
using String = std::wstring;

inline constexpr Boolean kTrue = -1;
inline constexpr Boolean kFalse = 0;

// A picture object. Its default property is its Win32 handle (an icon or a bitmap); using an
// object that is not set raises the runtime's object-not-set error.
class Picture {
 public:
  Picture() = default;  // not set
  explicit Picture(Long handle) : handle_(handle) {}
  bool IsNothing() const { return !handle_.has_value(); }
  Long Handle() const {
    if (!handle_) throw RuntimeError(kErrObjectNotSet);
    return *handle_;
  }

 private:
  std::optional<Long> handle_;
};

}  // namespace qc
