// File-system redirection switched off for one scope, where the platform has any: a 32-bit
// program on 64-bit Windows then sees the real system32.
#pragma once
#include <cstdint>

#include "platform/files_api.h"

namespace qc {

class RedirectionOff {
 public:
  explicit RedirectionOff(IFiles& files)
      : files_(files), off_(files.Wow64DisableWow64FsRedirection(old_)) {}
  RedirectionOff(const RedirectionOff&) = delete;
  RedirectionOff& operator=(const RedirectionOff&) = delete;
  ~RedirectionOff() {
    if (off_) files_.Wow64RevertWow64FsRedirection(old_);
  }

 private:
  IFiles& files_;
  uintptr_t old_ = 0;
  bool off_;
};

}  // namespace qc
