#include "platform/win32/process_hardening.h"

#include "platform/win32/windows_include.h"

namespace qc::win32 {

bool RestrictDllSearchToSystemFolder() {
  // Removes the current folder from the search even where the call below is missing.
  SetDllDirectoryW(L"");

  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (kernel == nullptr) return false;
  auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  return setDefault != nullptr && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
}

unsigned AddErrorModeFlags(unsigned flags) {
  // SetErrorMode replaces the mode and returns the old one: read it, then set both together.
  const UINT inherited = SetErrorMode(0);
  const UINT mode = inherited | flags;
  SetErrorMode(mode);
  return mode;
}

}  // namespace qc::win32
