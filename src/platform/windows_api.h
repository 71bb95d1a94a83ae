// The windows family of the seam (user32): window placement and styles, messages, cursor,
// system parameters, keyboard events, shutdown and menus. One method per call; window, menu
// and bitmap handles are 32-bit values as the program stores them.
#pragma once
#include <cstdint>
#include <string>

namespace qc {

struct Rect32 {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
};
struct Point32 {
  int32_t X = 0, Y = 0;
};

class IWindows {
 public:
  virtual ~IWindows() = default;

  virtual int32_t SetWindowPos(int32_t hwnd, int32_t insertAfter, int32_t x, int32_t y, int32_t cx,
                               int32_t cy, uint32_t flags) = 0;
  virtual int32_t SetWindowLong(int32_t hwnd, int32_t index, int32_t value) = 0;
  // A null pointer passes NULL; the empty text passes "".
  virtual int32_t FindWindow(const std::wstring* className, const std::wstring* windowName) = 0;
  virtual int32_t FindWindowEx(int32_t parent, int32_t childAfter, const std::wstring* className,
                               const std::wstring* windowName) = 0;
  virtual int32_t SendMessage(int32_t hwnd, uint32_t msg, int32_t wParam, int32_t lParam) = 0;
  // lParam points to this text as NUL-terminated ANSI (LB_ADDSTRING and the like).
  virtual int32_t SendMessage(int32_t hwnd, uint32_t msg, int32_t wParam,
                              const std::wstring& text) = 0;
  virtual int32_t DefWindowProc(int32_t hwnd, uint32_t msg, int32_t wParam, int32_t lParam) = 0;
  virtual int32_t ReleaseCapture() = 0;
  virtual int32_t ShowCursor(int32_t show) = 0;
  virtual int32_t SetCursorPos(int32_t x, int32_t y) = 0;
  virtual int32_t GetCursorPos(Point32& point) = 0;
  // The three shapes of pvParam the program uses: a rectangle, a text, a 32-bit number.
  virtual int32_t SystemParametersInfo(uint32_t action, uint32_t param, Rect32& rect,
                                       uint32_t winIni) = 0;
  virtual int32_t SystemParametersInfo(uint32_t action, uint32_t param, const std::wstring& text,
                                       uint32_t winIni) = 0;
  virtual int32_t SystemParametersInfo(uint32_t action, uint32_t param, int32_t& value,
                                       uint32_t winIni) = 0;
  virtual void keybd_event(uint8_t vk, uint8_t scan, uint32_t flags, uint32_t extraInfo) = 0;
  virtual int32_t ExitWindowsEx(uint32_t flags, uint32_t reason) = 0;
  virtual int32_t GetMenu(int32_t hwnd) = 0;
  virtual int32_t GetSubMenu(int32_t menu, int32_t position) = 0;
  virtual int32_t GetMenuItemID(int32_t menu, int32_t position) = 0;
  virtual int32_t SetMenuItemBitmaps(int32_t menu, uint32_t item, uint32_t flags,
                                     int32_t uncheckedBitmap, int32_t checkedBitmap) = 0;
};

}  // namespace qc
