// A privilege the process's token holds (an administrator's, or the shutdown privilege),
// enabled for one scope and put back as it was. A token without it changes nothing.
#pragma once
#include <string>

#include "platform/system_api.h"

namespace qc {

class PrivilegeForScope {
 public:
  PrivilegeForScope(ISystem& system, const wchar_t* privilege)
      : system_(system), privilege_(privilege) {
    enabled_ = system_.AdjustTokenPrivilege(privilege_, true, wasEnabled_) != 0;
  }
  PrivilegeForScope(const PrivilegeForScope&) = delete;
  PrivilegeForScope& operator=(const PrivilegeForScope&) = delete;
  ~PrivilegeForScope() {
    bool ignored = false;
    if (enabled_ && !wasEnabled_) system_.AdjustTokenPrivilege(privilege_, false, ignored);
  }

 private:
  ISystem& system_;
  std::wstring privilege_;
  bool enabled_ = false;
  bool wasEnabled_ = true;
};

}  // namespace qc
