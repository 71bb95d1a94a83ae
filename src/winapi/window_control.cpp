// Window and desktop control: each member is a short, fixed sequence of user32 calls.
#include <optional>

#include "platform/privilege_for_scope.h"
#include "platform/win_constants.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

constexpr uint32_t kKeepPlace = win::SWP_NOSIZE | win::SWP_NOMOVE;
constexpr uint32_t kUpdateAndBroadcast = win::SPIF_UPDATEINIFILE | win::SPIF_SENDWININICHANGE;

}  // namespace

void CWinAPI::SetMyPosTopMost(Long& h) {
  Boolean makeTopmost = kFalse;
  SetMyPosTopMost(h, makeTopmost);
}

void CWinAPI::SetMyPosTopMost(Long& h, Boolean& TakeOffMyPosTopMost) {
  // Only a true Boolean (-1) takes the state off; 1 and other values count as "make topmost".
  const int32_t insertAfter =
      TakeOffMyPosTopMost == kTrue ? win::HWND_NOTOPMOST : win::HWND_TOPMOST;
  platform_.Windows().SetWindowPos(h, insertAfter, 0, 0, 0, 0, kKeepPlace);
}

void CWinAPI::SetMyPosOnDesktop(Long& h) {
  platform_.Windows().SetWindowPos(h, win::HWND_BOTTOM, 0, 0, 0, 0,
                                   kKeepPlace | win::SWP_NOACTIVATE);
}

void CWinAPI::HideWindow(Long& h) {
  Boolean hide = kFalse;
  HideWindow(h, hide);
}

void CWinAPI::HideWindow(Long& h, Boolean& ShowMe) {
  // The window keeps its place and size: shown again, it is where it was.
  const uint32_t show = ShowMe != 0 ? win::SWP_SHOWWINDOW : win::SWP_HIDEWINDOW;
  platform_.Windows().SetWindowPos(h, win::HWND_BOTTOM, 0, 0, 0, 0, show | kKeepPlace);
}

void CWinAPI::SetSysWorkArea(Integer& l, Integer& t, Integer& r, Integer& b) {
  WorkArea.Left = l;  // widened with sign: -1 stays -1
  WorkArea.Top = t;
  WorkArea.Right = r;
  WorkArea.Bottom = b;
  platform_.Windows().SystemParametersInfo(win::SPI_SETWORKAREA, 0, WorkArea, kUpdateAndBroadcast);
}

void CWinAPI::ChangeToolBarStyle(Long& ToolBarh) {
  IWindows& w = platform_.Windows();
  const std::wstring toolbarClass = L"ToolbarWindow32";
  const int32_t toolbar = w.FindWindowEx(ToolBarh, 0, &toolbarClass, nullptr);
  const int32_t style = w.SendMessage(toolbar, win::TB_GETSTYLE, 0, 0);
  w.SendMessage(toolbar, win::TB_SETSTYLE, 0, style | win::TBSTYLE_FLAT);
}

void CWinAPI::MakeTransparentForm(Long& h) {
  IWindows& w = platform_.Windows();
  // The extended style becomes WS_EX_TRANSPARENT alone.
  w.SetWindowLong(h, win::GWL_EXSTYLE, win::WS_EX_TRANSPARENT);
  w.SetWindowPos(h, win::HWND_NOTOPMOST, 0, 0, 0, 0, kKeepPlace | win::SWP_FRAMECHANGED);
}

void CWinAPI::MoveFormWithoutBorders(Long& h) {
  IWindows& w = platform_.Windows();
  w.ReleaseCapture();
  w.SendMessage(h, win::WM_NCLBUTTONDOWN, win::HTCAPTION, 0);
}

void CWinAPI::TaskBar(Byte& func) {
  uint32_t show;
  switch (func) {
    case 0:
      show = win::SWP_HIDEWINDOW;
      break;
    case 1:
      show = win::SWP_SHOWWINDOW;
      break;
    default:
      return;
  }
  IWindows& w = platform_.Windows();
  const std::wstring trayClass = L"Shell_traywnd", noName;
  const int32_t tray = w.FindWindow(&trayClass, &noName);
  w.SetWindowPos(tray, win::HWND_TOP, 0, 0, 0, 0, show | kKeepPlace);
}

void CWinAPI::ShowMouse(Long& cur) {
  if (cur == -1 || cur == 0) platform_.Windows().ShowCursor(cur);
}

void CWinAPI::SetMousePos(Long& xx, Long& yy) {
  platform_.Windows().SetCursorPos(xx, yy);
}

void CWinAPI::SetDeskWallPaper(Byte& func) {
  String none;
  SetDeskWallPaper(func, none);
}

void CWinAPI::SetDeskWallPaper(Byte& func, String& sBitmapFile) {
  String file;
  switch (func) {
    case 0:
      file = L"(None)";  // the wallpaper name that removes it
      break;
    case 1:
      // Cut at a NUL or changed by the code page, the name would be another picture's.
      if (!HasExactAnsiForm(platform_.CodePage(), sBitmapFile)) return;
      file = sBitmapFile;
      break;
    default:
      return;
  }
  platform_.Windows().SystemParametersInfo(win::SPI_SETDESKWALLPAPER, 0, file, kUpdateAndBroadcast);
}

void CWinAPI::StartScreenSaver(Long& handle) {
  platform_.Windows().SendMessage(handle, win::WM_SYSCOMMAND, win::SC_SCREENSAVE, 0);
}

void CWinAPI::SetHotKey(Long& h, Long& key) {
  IWindows& w = platform_.Windows();
  // 1: set; 0: invalid window; -1: invalid key; 2: another window already has this key.
  if (w.SendMessage(h, win::WM_SETHOTKEY, key, 0) != 1) {
    const String title = L"Error";
    platform_.Runtime().MessageBox(L"You need another hotkey", win::MB_OK, &title);
  }
  w.DefWindowProc(h, win::WM_SHOWWINDOW, 0, 0);
}

void CWinAPI::Launch(Long& func) {
  uint8_t key;
  switch (func) {
    case 0:
      key = 'E';  // Explorer
      break;
    case 1:
      key = 'F';  // Find
      break;
    case 2:
      key = 'M';  // minimise all
      break;
    case 3:
      key = 'R';  // Run
      break;
    case 4:
      key = win::VK_LWIN;  // Start menu
      break;
    case 5:
      key = win::VK_F1;  // Help
      break;
    default:
      key = 0;
      break;
  }
  IWindows& w = platform_.Windows();
  w.keybd_event(win::VK_LWIN, 0, 0, 0);
  w.keybd_event(key, 0, 0, 0);
  w.keybd_event(win::VK_LWIN, 0, win::KEYEVENTF_KEYUP, 0);  // the chosen key gets no key-up
}

void CWinAPI::ExitWindows(Long& func) {
  uint32_t flags;
  switch (func) {
    case 0:
      flags = win::EWX_SHUTDOWN;
      break;
    case 1:
      flags = win::EWX_REBOOT;
      break;
    case 2:
      flags = win::EWX_FORCE;  // forced log-off
      break;
    case 3:
      flags = win::EWX_LOGOFF;
      break;
    default:
      return;
  }
  // Shutting down and restarting do nothing without the shutdown privilege enabled; it is
  // enabled for the call only. Logging off needs none. The result is not looked at.
  std::optional<PrivilegeForScope> shutdown;
  if (flags == win::EWX_SHUTDOWN || flags == win::EWX_REBOOT) {
    shutdown.emplace(platform_.System(), win::SE_SHUTDOWN_NAME);
  }
  platform_.Windows().ExitWindowsEx(flags, 0);
}

void CWinAPI::DisableCtrlAltDelete(Boolean& bDisable) {
  int32_t previous = 0;  // written by the system, not used
  const uint32_t running = static_cast<uint32_t>(static_cast<int32_t>(bDisable));
  platform_.Windows().SystemParametersInfo(win::SPI_SETSCREENSAVERRUNNING, running, previous, 0);
}

}  // namespace qc
