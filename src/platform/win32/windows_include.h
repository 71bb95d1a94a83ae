// <windows.h> for the backend, without the macros that would rename the seam's methods
// (MessageBox -> MessageBoxW and the like). Call the A or W function by its full name.
#pragma once
#include <windows.h>
// Included here, before the #undefs below, so that none of them redefines a name again.
#include <commctrl.h>
#include <lmcons.h>
#include <mmsystem.h>
#include <shellapi.h>
#include <shlobj.h>

#undef MessageBox
#undef SendMessage
#undef FindWindow
#undef FindWindowEx
#undef DefWindowProc
#undef SetWindowLong
#undef GetWindowLong
// A function-like macro in winuser.h that would swallow CWinAPI::ExitWindows.
#undef ExitWindows
#undef SystemParametersInfo
#undef ShellExecute
#undef GetUserName
#undef GetComputerName
#undef SetComputerName
#undef GetVolumeInformation
#undef GetDiskFreeSpace
#undef GetDiskFreeSpaceEx
#undef GetWindowsDirectory
#undef GetSystemWindowsDirectory
#undef GetSystemDirectory
#undef GetTempPath
#undef FindFirstFile
#undef FindNextFile
#undef GetFileAttributes
#undef SetFileAttributes
#undef DeleteFile
#undef MoveFileEx
#undef GetDriveType
#undef RegOpenKeyEx
#undef RegCreateKey
#undef RegCreateKeyEx
#undef RegQueryValueEx
#undef RegSetValueEx
#undef RegDeleteValue
#undef RegDeleteKey
#undef RegDeleteKeyEx
#undef RegQueryInfoKey
#undef RegEnumKeyEx
#undef RegEnumValue
#undef Shell_NotifyIcon
#undef SHGetFileInfo
#undef sndPlaySound
#undef mciSendString
