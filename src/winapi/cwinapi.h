// CWinAPI: the desktop utility class. Every parameter is taken by reference, as the runtime
// passes it, so a member that changes an argument changes the caller's variable. An Optional
// parameter is an overload without it, which passes the zero of its type.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "winapi/cwinapi_types.h"

namespace qc {

// The shell's file-information record (ANSI form, 352 bytes).
struct FileInformation {
  Long hIcon = 0;
  Long iIcon = 0;
  Long dwAttributes = 0;
  std::wstring szDisplayName = std::wstring(260, L'\0');
  std::wstring szTypeName = std::wstring(80, L'\0');
};

class CWinAPI {
 public:
  CWinAPI();  // on the process's own platform
  explicit CWinAPI(Platform& platform);
  CWinAPI(const CWinAPI&) = delete;
  CWinAPI& operator=(const CWinAPI&) = delete;

  // --- State, conversions and catalogue (state_catalogue.cpp) -------------------------------
  Variant PtoT(Variant& no);
  Variant PtoT(Variant& no, Boolean& YValue);
  Variant TtoP(Variant& no);
  Variant TtoP(Variant& no, Boolean& YValue);
  // Read-only properties, in twips; each read captures the work area and the cursor afresh.
  Integer WorkAreaLeft();
  Integer WorkAreaTop();
  Integer WorkAreaRight();
  Integer MouseX();
  Integer MouseY();
  Integer WorkAreaBottom();
  void ListFunc();

  // --- System information (system_information.cpp) ------------------------------------------
  // func 0: the computer name; 2: the logged-on user's name; 1: rename the computer to
  // CmpName (nothing when it is empty). Any other selector gives the empty text.
  String ComputerName(Long& func);
  String ComputerName(Long& func, String& CmpName);
  // The caller sizes both receive buffers; they come back uncut (label and file-system name end
  // at a NUL). The sizes passed are clamped to the buffers. Always Empty.
  Variant DiskVolumeInfo(String& sPath, String& sDriveName, Long& lLength, Long& lSerialNo,
                         Long& lMaximumChar, Long& lFileSystemFlags, String& sNameOfFileSystem,
                         Long& lLeng);
  // Bytes free, used and total of the drive named by sPath's first character. Always Empty.
  Variant DiskSpace(String& sPath, Double& dFree, Double& dUsed, Double& dTotal);
  // func 0: the Windows folder; 1: the system folder; 2: the temporary folder (with its
  // trailing backslash). Any other selector gives Empty.
  Variant GetSystemFolders(Long& func);
  Boolean SoundCardDetect();

  // --- Window and desktop control (window_control.cpp) --------------------------------------

  // --- Tray icon and menu bitmaps (tray_icon.cpp) -------------------------------------------

  // --- Shell helpers (shell_helpers.cpp) ----------------------------------------------------

  // --- Multimedia (multimedia.cpp) ----------------------------------------------------------

  // --- File search (file_search.cpp) --------------------------------------------------------

  // --- Registry primitives and value wrappers (registry_primitives.cpp) ---------------------

  // --- Shell registration (shell_registration.cpp) ------------------------------------------

  // --- Registry enumeration (registry_enumeration.cpp) --------------------------------------

  // The catalogue ListFunc shows (exposed for tests).
  static std::wstring Catalogue();

 private:
  void Class_Initialize();  // the capture
  String StripNull(String& text);
  Variant TextBeforeNull(const String& text);
  double FactorX();
  double FactorY();

  // Private registry routines (registry_primitives.cpp).

  Platform& platform_;

  // Fields of the class's state.
  Rect32 WorkArea;
  Point32 CursorPos;
  FileInformation FileInfo;
  Variant CachedLeft, CachedTop, CachedRight, CachedBottom, CachedMouseX;
  Integer CachedMouseY = 0;
  // The cursor's row in twips did not fit an Integer at the last capture; only MouseY fails.
  bool mouseYOverflow_ = false;
};

}  // namespace qc
