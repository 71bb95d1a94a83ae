// Owner of one open registry key: closes it on every path. Predefined roots and 0 are never
// closed, so a routine can hold "whatever it opened" without special cases; the performance
// data root is the exception, as it stays open (and its data collected) until closed.
#pragma once
#include "platform/registry_api.h"

namespace qc {

class UniqueKey {
 public:
  explicit UniqueKey(IRegistry& registry, RegKey key = 0) : registry_(&registry), key_(key) {}
  UniqueKey(const UniqueKey&) = delete;
  UniqueKey& operator=(const UniqueKey&) = delete;
  UniqueKey(UniqueKey&& o) noexcept : registry_(o.registry_), key_(o.release()) {}
  ~UniqueKey() { reset(); }

  RegKey get() const { return key_; }
  // For out-parameters: closes what is held, then hands out the slot.
  RegKey& put() {
    reset();
    return key_;
  }
  RegKey release() {
    RegKey k = key_;
    key_ = 0;
    return k;
  }
  // Closes now and returns the close's status (0 when nothing was held).
  int32_t reset() {
    RegKey k = release();
    return IsClosable(k) ? registry_->RegCloseKey(k) : 0;
  }
  static bool IsClosable(RegKey k) {
    return k != 0 && (k < kFirstRoot || k > kLastRoot || k == kPerformanceData);
  }

 private:
  // The predefined roots' values (this header is also read beside <windows.h>, whose macros
  // would clash with the logic's named constants).
  static constexpr RegKey kFirstRoot = 0x80000000u;        // HKEY_CLASSES_ROOT
  static constexpr RegKey kLastRoot = 0x80000006u;         // HKEY_DYN_DATA
  static constexpr RegKey kPerformanceData = 0x80000004u;  // HKEY_PERFORMANCE_DATA
  IRegistry* registry_;
  RegKey key_ = 0;
};

}  // namespace qc
