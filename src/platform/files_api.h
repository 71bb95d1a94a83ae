// The file-system family of the platform seam (kernel32), one method per call.
#pragma once
#include <cstdint>
#include <string>

namespace qc {

class IFiles {
 public:
  virtual ~IFiles() = default;

  // For a 32-bit process on 64-bit Windows: make system32 mean the real one for a moment.
  // Both return false (and do nothing) where there is no redirection.
  virtual bool Wow64DisableWow64FsRedirection(uintptr_t& oldValue) = 0;
  virtual bool Wow64RevertWow64FsRedirection(uintptr_t oldValue) = 0;
};

}  // namespace qc
