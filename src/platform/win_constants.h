// Win32 values the logic passes through the platform seam. Kept here, by their Win32 names,
// so that no logic file needs <windows.h> and no number appears bare in the logic.
// Include it from logic .cpp files only: <windows.h> defines the same names as macros, so a
// header that Windows-side code includes must not bring this one in.
#pragma once
#include <cstddef>
#include <cstdint>

namespace qc::win {

// Predefined registry roots (32-bit values; sign-extended to a pointer by the backend).
constexpr uint32_t HKEY_CLASSES_ROOT = 0x80000000u;
constexpr uint32_t HKEY_CURRENT_USER = 0x80000001u;
constexpr uint32_t HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr uint32_t HKEY_USERS = 0x80000003u;
constexpr uint32_t HKEY_PERFORMANCE_DATA = 0x80000004u;
constexpr uint32_t HKEY_CURRENT_CONFIG = 0x80000005u;
constexpr uint32_t HKEY_DYN_DATA = 0x80000006u;

// Registry access rights and options.
constexpr uint32_t KEY_QUERY_VALUE = 0x0001;
constexpr uint32_t KEY_SET_VALUE = 0x0002;
constexpr uint32_t KEY_CREATE_SUB_KEY = 0x0004;
constexpr uint32_t KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr uint32_t KEY_WOW64_64KEY = 0x0100;
constexpr uint32_t KEY_WOW64_32KEY = 0x0200;
constexpr uint32_t KEY_READ = 0x20019;
constexpr uint32_t KEY_WRITE = 0x20006;
constexpr uint32_t KEY_ALL_ACCESS = 0xF003F;
constexpr uint32_t MAXIMUM_ALLOWED = 0x02000000;
constexpr uint32_t DELETE = 0x00010000;
constexpr uint32_t REG_OPTION_NON_VOLATILE = 0;
constexpr uint32_t REG_CREATED_NEW_KEY = 1;
constexpr uint32_t REG_OPENED_EXISTING_KEY = 2;

// Registry value types.
constexpr uint32_t REG_NONE = 0;
constexpr uint32_t REG_SZ = 1;
constexpr uint32_t REG_EXPAND_SZ = 2;
constexpr uint32_t REG_BINARY = 3;
constexpr uint32_t REG_DWORD = 4;
constexpr uint32_t REG_MULTI_SZ = 7;
constexpr uint32_t REG_FULL_RESOURCE_DESCRIPTOR = 9;

// Win32 error codes.
constexpr int32_t ERROR_SUCCESS = 0;
constexpr int32_t ERROR_INVALID_FUNCTION = 1;
constexpr int32_t ERROR_FILE_NOT_FOUND = 2;
constexpr int32_t ERROR_PATH_NOT_FOUND = 3;
constexpr int32_t ERROR_TOO_MANY_OPEN_FILES = 4;
constexpr int32_t ERROR_ACCESS_DENIED = 5;
constexpr int32_t ERROR_INVALID_HANDLE = 6;
constexpr int32_t ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr int32_t ERROR_OUTOFMEMORY = 14;
constexpr int32_t ERROR_INVALID_DRIVE = 15;
constexpr int32_t ERROR_WRITE_PROTECT = 19;
constexpr int32_t ERROR_NOT_READY = 21;
constexpr int32_t ERROR_SHARING_VIOLATION = 32;
constexpr int32_t ERROR_LOCK_VIOLATION = 33;
constexpr int32_t ERROR_BAD_NETPATH = 53;
constexpr int32_t ERROR_DEV_NOT_EXIST = 55;
constexpr int32_t ERROR_BAD_NET_NAME = 67;
constexpr int32_t ERROR_INVALID_PARAMETER = 87;
constexpr int32_t ERROR_INVALID_NAME = 123;
constexpr int32_t ERROR_ELEVATION_REQUIRED = 740;
constexpr int32_t ERROR_UNRECOGNIZED_VOLUME = 1005;
constexpr int32_t ERROR_NO_NETWORK = 1222;
constexpr int32_t ERROR_NETWORK_UNREACHABLE = 1231;
constexpr int32_t ERROR_MORE_DATA = 234;
constexpr int32_t ERROR_NO_MORE_ITEMS = 259;
constexpr int32_t ERROR_NO_MORE_FILES = 18;
constexpr int32_t ERROR_BADDB = 1009;
constexpr int32_t ERROR_BADKEY = 1010;
constexpr int32_t ERROR_CANTOPEN = 1011;
constexpr int32_t ERROR_CANTREAD = 1012;
constexpr int32_t ERROR_CANTWRITE = 1013;
constexpr int32_t ERROR_REGISTRY_RECOVERED = 1014;
constexpr int32_t ERROR_REGISTRY_CORRUPT = 1015;
constexpr int32_t ERROR_NO_MEDIA_IN_DRIVE = 1112;

// File attributes.
constexpr uint32_t FILE_ATTRIBUTE_READONLY = 0x01;
constexpr uint32_t FILE_ATTRIBUTE_HIDDEN = 0x02;
constexpr uint32_t FILE_ATTRIBUTE_SYSTEM = 0x04;
constexpr uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr uint32_t FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr uint32_t FILE_ATTRIBUTE_REPARSE_POINT = 0x400;
constexpr uint32_t INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;

// Window-show styles and message-box styles.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int MB_OK = 0x00;
constexpr int MB_ICONHAND = 0x10;
constexpr int MB_ICONQUESTION = 0x20;
constexpr int MB_ICONEXCLAMATION = 0x30;
constexpr int MB_ICONINFORMATION = 0x40;
constexpr int IDOK = 1;

// System colour indexes (see SystemColour in forms_api.h).
constexpr uint32_t COLOR_ACTIVECAPTION = 2;
constexpr uint32_t COLOR_HIGHLIGHT = 13;

// Window placement and styles.
constexpr int32_t HWND_TOP = 0;
constexpr int32_t HWND_BOTTOM = 1;
constexpr int32_t HWND_TOPMOST = -1;
constexpr int32_t HWND_NOTOPMOST = -2;
constexpr uint32_t SWP_NOSIZE = 0x0001;
constexpr uint32_t SWP_NOMOVE = 0x0002;
constexpr uint32_t SWP_NOACTIVATE = 0x0010;
constexpr uint32_t SWP_FRAMECHANGED = 0x0020;
constexpr uint32_t SWP_SHOWWINDOW = 0x0040;
constexpr uint32_t SWP_HIDEWINDOW = 0x0080;
constexpr int32_t GWL_EXSTYLE = -20;
constexpr int32_t WS_EX_TRANSPARENT = 0x20;

// Messages.
constexpr uint32_t WM_SHOWWINDOW = 0x0018;
constexpr uint32_t WM_SETHOTKEY = 0x0032;
constexpr uint32_t WM_NCLBUTTONDOWN = 0x00A1;
constexpr uint32_t WM_SYSCOMMAND = 0x0112;
constexpr uint32_t LB_ADDSTRING = 0x0180;
constexpr uint32_t WM_MOUSEMOVE = 0x0200;
constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr uint32_t WM_LBUTTONUP = 0x0202;
constexpr uint32_t WM_LBUTTONDBLCLK = 0x0203;
constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
constexpr uint32_t WM_RBUTTONUP = 0x0205;
constexpr uint32_t WM_RBUTTONDBLCLK = 0x0206;
constexpr uint32_t WM_MBUTTONDOWN = 0x0207;
constexpr uint32_t WM_MBUTTONUP = 0x0208;
constexpr uint32_t WM_MBUTTONDBLCLK = 0x0209;
constexpr uint32_t TB_SETSTYLE = 0x0438;
constexpr uint32_t TB_GETSTYLE = 0x0439;
constexpr int32_t TBSTYLE_FLAT = 0x0800;
constexpr int32_t HTCAPTION = 2;
constexpr int32_t SC_SCREENSAVE = 0xF140;

// System parameters.
constexpr uint32_t SPI_SETDESKWALLPAPER = 20;
constexpr uint32_t SPI_SETWORKAREA = 47;
constexpr uint32_t SPI_GETWORKAREA = 48;
constexpr uint32_t SPI_SETSCREENSAVERRUNNING = 97;
constexpr uint32_t SPIF_UPDATEINIFILE = 0x01;
constexpr uint32_t SPIF_SENDWININICHANGE = 0x02;

// Keyboard, shutdown, menus.
constexpr uint8_t VK_LWIN = 0x5B;
constexpr uint8_t VK_F1 = 0x70;
constexpr uint32_t KEYEVENTF_KEYUP = 0x0002;
constexpr uint32_t EWX_LOGOFF = 0;
constexpr uint32_t EWX_SHUTDOWN = 1;
constexpr uint32_t EWX_REBOOT = 2;
constexpr uint32_t EWX_FORCE = 4;
constexpr const wchar_t* SE_SHUTDOWN_NAME = L"SeShutdownPrivilege";
constexpr uint32_t MF_BYCOMMAND = 0x0000;
constexpr uint32_t MF_BITMAP = 0x0004;

// Shell.
constexpr uint32_t NIM_ADD = 0;
constexpr uint32_t NIM_MODIFY = 1;
constexpr uint32_t NIM_DELETE = 2;
constexpr uint32_t NIF_MESSAGE = 1;
constexpr uint32_t NIF_ICON = 2;
constexpr uint32_t NIF_TIP = 4;
constexpr uint32_t SHGFI_SMALLICON = 0x0001;
constexpr uint32_t SHGFI_SHELLICONSIZE = 0x0004;
constexpr uint32_t SHGFI_DISPLAYNAME = 0x0200;
constexpr uint32_t SHGFI_TYPENAME = 0x0400;
constexpr uint32_t SHGFI_EXETYPE = 0x2000;
constexpr uint32_t SHGFI_SYSICONINDEX = 0x4000;
constexpr uint32_t ILD_TRANSPARENT = 1;
constexpr uint32_t SHARD_PATH = 2;
constexpr uint32_t COINIT_APARTMENTTHREADED = 0x2;

// Multimedia.
constexpr uint32_t SND_ASYNC = 0x0001;
constexpr uint32_t SND_NOWAIT = 0x2000;
constexpr uint32_t SND_ALIAS = 0x10000;

// Drive types and volume flags.
constexpr uint32_t DRIVE_NO_ROOT_DIR = 1;
constexpr uint32_t DRIVE_REMOVABLE = 2;
constexpr uint32_t DRIVE_FIXED = 3;
constexpr uint32_t DRIVE_CDROM = 5;
constexpr uint32_t FILE_READ_ONLY_VOLUME = 0x00080000;

// Moving and deleting files.
constexpr uint32_t MOVEFILE_DELAY_UNTIL_REBOOT = 0x4;

// Other processes and the identity of a file.
constexpr uint32_t TH32CS_SNAPPROCESS = 0x2;
constexpr uint32_t PROCESS_TERMINATE = 0x0001;
constexpr uint32_t PROCESS_QUERY_LIMITED_INFORMATION = 0x1000;
constexpr uint32_t SYNCHRONIZE = 0x00100000;
constexpr uint32_t WAIT_OBJECT_0 = 0;
constexpr uint32_t WAIT_TIMEOUT = 0x102;
constexpr size_t MAXIMUM_WAIT_OBJECTS = 64;
constexpr uint32_t FILE_READ_ATTRIBUTES = 0x80;
constexpr uint32_t FILE_SHARE_READ = 0x1;
constexpr uint32_t FILE_SHARE_WRITE = 0x2;
constexpr uint32_t FILE_SHARE_DELETE = 0x4;
constexpr uint32_t OPEN_EXISTING = 3;
constexpr const wchar_t* SE_DEBUG_NAME = L"SeDebugPrivilege";

// File search. A reparse point's tag is in the find record's dwReserved0.
constexpr int32_t INVALID_HANDLE_VALUE = -1;
constexpr uint32_t IO_REPARSE_TAG_MOUNT_POINT = 0xA0000003u;
constexpr uint32_t IO_REPARSE_TAG_SYMLINK = 0xA000000Cu;
constexpr int32_t MAX_PATH = 260;

}  // namespace qc::win
