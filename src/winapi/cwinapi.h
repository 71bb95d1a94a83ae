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
  // Bytes free (to the caller), used and total of the drive named by sPath's first character.
  // Always Empty.
  Variant DiskSpace(String& sPath, Double& dFree, Double& dUsed, Double& dTotal);
  // func 0: the Windows folder; 1: the system folder; 2: the temporary folder (with its
  // trailing backslash). Any other selector gives Empty.
  Variant GetSystemFolders(Long& func);
  Boolean SoundCardDetect();

  // --- Window and desktop control (window_control.cpp) --------------------------------------
  // TakeOffMyPosTopMost equal to -1 exactly takes the topmost state off; anything else (or
  // nothing) makes the window topmost.
  void SetMyPosTopMost(Long& h);
  void SetMyPosTopMost(Long& h, Boolean& TakeOffMyPosTopMost);
  void SetMyPosOnDesktop(Long& h);  // to the bottom of the z-order, not activated
  // Hides the window (ShowMe zero or omitted) or shows it, at the bottom of the z-order, in its
  // place and at its size.
  void HideWindow(Long& h);
  void HideWindow(Long& h, Boolean& ShowMe);
  // Sets the desktop work area (pixels) and keeps it in WorkArea.
  void SetSysWorkArea(Integer& l, Integer& t, Integer& r, Integer& b);
  void ChangeToolBarStyle(Long& ToolBarh);  // the first toolbar child becomes flat
  void MakeTransparentForm(Long& h);        // the extended style becomes WS_EX_TRANSPARENT alone
  void MoveFormWithoutBorders(Long& h);     // from a mouse-down handler: drag by the client area
  // Windows-key shortcuts: 0 Explorer, 1 Find, 2 minimise all, 3 Run, 4 Start menu, 5 Help.
  void Launch(Long& func);
  // func 1 sets sBitmapFile as the wallpaper, 0 removes it; other values do nothing. Here and in
  // the other members that pass a caller's name to the system (DocumentList, PlaySound, PlayAvi,
  // ExecuteFile's parameters), a name with a NUL or without an exact form in the ANSI code page
  // is not passed: nothing is done.
  void SetDeskWallPaper(Byte& func);
  void SetDeskWallPaper(Byte& func, String& sBitmapFile);
  // func 0 shut down, 1 restart (both with the shutdown privilege enabled for the call),
  // 2 forced log-off, 3 log off; other values do nothing.
  void ExitWindows(Long& func);
  void TaskBar(Byte& func);   // func 0 hides the taskbar, 1 shows it
  void ShowMouse(Long& cur);  // cur -1 shows the cursor, 0 hides it
  void StartScreenSaver(Long& handle);
  // key: virtual-key code in the low byte, modifiers in the high byte. A refused key is
  // reported in a message box.
  void SetHotKey(Long& h, Long& key);
  void SetMousePos(Long& xx, Long& yy);  // screen pixels
  void DisableCtrlAltDelete(Boolean& bDisable);

  // --- Tray icon and menu bitmaps (tray_icon.cpp) -------------------------------------------
  // func 0 adds the window's icon to the notification area, 1 changes it, 2 removes it. Its
  // mouse events come back as mouse moves whose X (twips) carries the event's message.
  void TrayIcon(Long& func, Long& h, String& sName, Picture& p);
  // The mouse message hidden in such an X (512..521), else 0; x becomes the decoded number.
  Long TryIcnRtnMsg(Single& x);
  // Gives item MenuID of drop-down subMenu of the window's menu bar chkbmp as its checked and
  // unchecked bitmap (both 0-based positions).
  void MenuBitmaps(Long& h, Byte& subMenu, Byte& MenuID, Picture& chkbmp);

  // --- Shell helpers (shell_helpers.cpp) ----------------------------------------------------
  // icnSize 16 or 32 draws the file's icon at (0, 0) of DC; any other size does nothing.
  void RetrieveIcon(String& fName, Long& DC, Long& icnSize);
  String RetrieveFileTypeName(String& fName);  // the empty text when the shell gives none
  // func is upper-cased in the caller's variable; "CLEAR" empties the list, "ADD" adds sName.
  void DocumentList(String& func);
  void DocumentList(String& func, String& sName);
  void ShowRecycleBin(Long& h);  // explorer.exe from the Windows folder
  // When the shell cannot open sFile, the Open With dialog is started for it (rundll32 from the
  // system folder). A file name with a NUL starts nothing.
  void OpenWebSite(String& sFile, Long& handle);
  void ExecuteFile(String& sFile, Long& handle);
  void ExecuteFile(String& sFile, Long& handle, String& sParams);
  // address gets "mailto:" put in front, in the caller's variable.
  void SendEmail(String& address, Long& handle);

  // --- Multimedia (multimedia.cpp) ----------------------------------------------------------
  // func 0 plays the wave file, 1 to 9 a system event sound; returns at once.
  void PlaySound(Long& func);
  void PlaySound(Long& func, String& WavFileName);
  // Waits about HowLong seconds (whole-second clock) while the window keeps working.
  void Delay(Double& HowLong);
  void PlayAvi(String& sFile);
  void PlayAudioCd(Integer& TrackNum);
  void PlayAudioCd(Integer& TrackNum, Boolean& StopPlaying);

  // --- File search (file_search.cpp) --------------------------------------------------------
  // Counts and lists the entries of path (and, unless told otherwise, of every folder below it)
  // that match SearchStr; returns the sum of their sizes (a Double), Empty when none matched.
  // path gets a trailing backslash; the counters raise overflow past 32767. A symbolic link or
  // junction to a folder counts as a sub-folder but is not searched.
  Variant FindFilesAPI(String& path, String& SearchStr, Integer& FileCount, Integer& DirCount);
  Variant FindFilesAPI(String& path, String& SearchStr, Integer& FileCount, Integer& DirCount,
                       Long& handleListbox);
  Variant FindFilesAPI(String& path, String& SearchStr, Integer& FileCount, Integer& DirCount,
                       Long& handleListbox, Boolean& SendBackInFilename_PathFormat);
  Variant FindFilesAPI(String& path, String& SearchStr, Integer& FileCount, Integer& DirCount,
                       Long& handleListbox, Boolean& SendBackInFilename_PathFormat,
                       Boolean& DontLookInSubFolders);

  // --- Registry primitives and value wrappers (registry_primitives.cpp) ---------------------
  // Keys are named by a root-key selector (`home`) and a sub-key path. Registry statuses are
  // dropped; a value that cannot become a 32-bit number raises a conversion error. A text with
  // a NUL or without an exact form in the ANSI code page is not written.
  void RegistryValueS(String& sKey, String& sValueName, String& sValue, Long& home);
  void RegistryValueD(String& sKey, String& sValueName, String& sValue, Long& home);
  void RegistryValueB(String& sKey, String& sValueName, Byte& sValue, Long& home);
  // nValuetype chooses the read (1 text, 3 or 4 number, else nothing) and receives the stored
  // type. The result is always Empty.
  Variant RegistryGetValue(String& sKey, String& sValueName, Variant& sValue, Long& nValuetype,
                           Long& home);
  void RegistryRun(String& sValueName, String& sValue);
  void RegistryDeleteValue(String& sKey, String& sValueName, Long& home);
  void RegistryNewKey(String& sKeyName, Long& home);
  void RegistryDeletekey(String& sSubKey, String& sKey, Long& home);  // sub-key first
  void AutoRun(Long& drv);

  // --- Shell registration (shell_registration.cpp) ------------------------------------------
  // sPath receives the stored command text.
  void RegistryCreateRightClickAccess(String& sName, String& sPath);
  // sPath gets a blank and the quoted file placeholder appended.
  void RegistryCreateAssociation(String& sFileExtension_3Chars, String& sProgramType,
                                 String& sPath);
  void RegistryCreateAssociation(String& sFileExtension_3Chars, String& sProgramType, String& sPath,
                                 String& sProgramName);
  // Where the shell registration writes: HKEY_CLASSES_ROOT unless pointed elsewhere, e.g. at
  // a per-user "Software\Classes\" so that tests run the same code without administrator rights.
  void SetClassesRoot(Long root, const String& prefix);

  // --- Registry enumeration (registry_enumeration.cpp) --------------------------------------
  // Rows are appended to the list boxes (never cleared): sub-key names, or value names beside
  // the display texts of their data. Memory running out in a listing raises error 7.
  void RegistryEnumerateKeys(String& sValue, Long& handleListbox, Long& home);
  void RegistryEnumerateValues(String& sValue, Long& handleListboxEntries,
                               Long& handleListboxValues, Long& home);
  Long RegEnumKeys(String& rgeSubKey, Long& handleListbox, Long& rgeMainKey);
  void RegEnumValues(String& rgeSubKey, Long& handleListboxEntries, Long& handleListboxValues,
                     Long& rgeMainKey);

  // The catalogue ListFunc shows (exposed for tests).
  static std::wstring Catalogue();

 private:
  void Class_Initialize();  // the capture
  String StripNull(String& text);
  Variant TextBeforeNull(const String& text);
  double FactorX();
  double FactorY();
  // The shell family, with COM set up (apartment-threaded) on this thread the first time.
  IShell& ShellApi();

  // Private registry routines (registry_primitives.cpp).
  Long RegWriteValue(RegKey hKey, const String& valueName, Long valueType, const Variant& value);
  Long RegReadValue(RegKey hKey, const String& valueName, Long& valueType, Variant& value);
  void RegCreateNewKey(const String& keyPath, Long root);
  void RegOpenWriteValue(const String& keyPath, const String& valueName, const Variant& value,
                         Long valueType, const Variant& root);
  Long RegOpenReadValue(const String& keyPath, const String& valueName, Variant& value,
                        Long& valueType, const Variant& root);
  void RegRemoveKey(const Variant& root, const String& parentPath, const String& subKeyName);
  void RegRemoveValue(const Variant& root, const String& keyPath, const String& valueName);
  // Shell registration's target (SetClassesRoot).
  Long classesRoot_ = static_cast<Long>(0x80000000u);  // HKEY_CLASSES_ROOT
  String classesPrefix_;

  Platform& platform_;
  // Set by FindFilesAPI just before it calls itself for a sub-folder; that call clears it.
  bool descending_ = false;

  // Fields of the class's state.
  Rect32 WorkArea;
  Point32 CursorPos;
  FileInformation FileInfo;
  Variant CachedLeft, CachedTop, CachedRight, CachedBottom, CachedMouseX;
  Integer CachedMouseY = 0;
  // The cursor's row in twips did not fit an Integer at the last capture; only MouseY fails.
  bool mouseYOverflow_ = false;
  bool comReady_ = false;
};

}  // namespace qc
