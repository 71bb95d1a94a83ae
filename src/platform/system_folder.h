// A system folder's path from one of the folder calls (GetSystemDirectory,
// GetSystemWindowsDirectory ...); empty when the call cannot give it. For logic files: it
// reads the platform's constants.
#pragma once
#include <string>

#include "platform/platform.h"
#include "platform/win_constants.h"

namespace qc {

inline std::wstring SystemFolder(Platform& platform,
                                 uint32_t (ISystem::*folderCall)(std::string&, uint32_t)) {
  std::string folder(win::MAX_PATH, ' ');
  const uint32_t n = (platform.System().*folderCall)(folder, win::MAX_PATH);
  if (n == 0 || n >= static_cast<uint32_t>(win::MAX_PATH)) return std::wstring();
  folder.resize(n);
  return platform.CodePage().FromAnsi(folder);
}

}  // namespace qc
