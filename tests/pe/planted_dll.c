/* A harmless DLL put beside the Windows tests: a process whose DLL search is narrowed to the
   system folder must not load it by bare name. */
__declspec(dllexport) int QcPlantedMarker(void) { return 42; }
