// Process entry: set what must hold before anything else runs, then show the window.
#include "platform/win32/win32_platform.h"

#include "app/startup.h"
#include "platform/win32/process_hardening.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // First, before any call can load a DLL: only the system folder is searched for one.
  qc::win32::RestrictDllSearchToSystemFolder();
  // A heap found corrupt ends the process instead of carrying on with it.
  HeapSetInformation(nullptr, HeapEnableTerminationOnCorruption, nullptr, 0);
  // Drive errors come back to the program: probing c: to o: must never show a "no disk" box.
  qc::win32::AddErrorModeFlags(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);

  // Common controls 6 (the manifest asks for them), loaded now that the search is narrowed.
  using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  if (auto init = qc::win32::SystemFunction<InitFn>(L"comctl32.dll", "InitCommonControlsEx")) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES};
    init(&icc);
  }
  return qc::RunApplication(qc::DefaultPlatform());
}
