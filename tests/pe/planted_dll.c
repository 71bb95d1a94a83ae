/* A harmless DLL put beside the Windows tests: a process whose DLL search is narrowed to the
   system folder must not load it by bare name. */
#include <windows.h>

__declspec(dllexport) int QcPlantedMarker(void) {
  return 42;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  (void)reason;
  (void)reserved;
  return TRUE;
}
