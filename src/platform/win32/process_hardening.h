// What the process sets for itself before anything else runs.
#pragma once

namespace qc::win32 {

// Later LoadLibrary calls (ours and those the system DLLs make for us) search only the system
// folder: a DLL planted beside the program or in the current folder is never picked up. Uses
// SetDefaultDllDirectories where the system has it (looked up, since Windows 7 may lack it) and
// always takes the current folder out of the search with SetDllDirectoryW(L"").
// Returns true when the search was restricted to the system folder.
bool RestrictDllSearchToSystemFolder();

// Adds these SEM_ flags to the error mode the process inherited (which it keeps); returns the
// new mode.
unsigned AddErrorModeFlags(unsigned flags);

}  // namespace qc::win32
