#include "platform/win32/win32_platform.h"

namespace qc::win32 {
namespace {

HWND W(int32_t h) {
  return ToHandle<HWND>(h);
}

}  // namespace

int32_t Win32Windows::SetWindowPos(int32_t hwnd, int32_t insertAfter, int32_t x, int32_t y,
                                   int32_t cx, int32_t cy, uint32_t flags) {
  return ::SetWindowPos(W(hwnd), W(insertAfter), x, y, cx, cy, flags);
}

int32_t Win32Windows::SetWindowLong(int32_t hwnd, int32_t index, int32_t value) {
  return ::SetWindowLongA(W(hwnd), index, value);
}

int32_t Win32Windows::FindWindow(const std::wstring* className, const std::wstring* windowName) {
  OptionalAnsi cls(className), name(windowName);
  return FromHandle(::FindWindowA(cls.get(), name.get()));
}

int32_t Win32Windows::FindWindowEx(int32_t parent, int32_t childAfter,
                                   const std::wstring* className, const std::wstring* windowName) {
  OptionalAnsi cls(className), name(windowName);
  return FromHandle(::FindWindowExA(W(parent), W(childAfter), cls.get(), name.get()));
}

int32_t Win32Windows::SendMessage(int32_t hwnd, uint32_t msg, int32_t wParam, int32_t lParam) {
  return static_cast<int32_t>(
      ::SendMessageA(W(hwnd), msg, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)));
}

int32_t Win32Windows::SendMessage(int32_t hwnd, uint32_t msg, int32_t wParam,
                                  const std::wstring& text) {
  const std::string ansi = Ansi(text);
  return static_cast<int32_t>(::SendMessageA(W(hwnd), msg, static_cast<WPARAM>(wParam),
                                             reinterpret_cast<LPARAM>(ansi.c_str())));
}

int32_t Win32Windows::DefWindowProc(int32_t hwnd, uint32_t msg, int32_t wParam, int32_t lParam) {
  return static_cast<int32_t>(
      ::DefWindowProcA(W(hwnd), msg, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)));
}

int32_t Win32Windows::ReleaseCapture() {
  return ::ReleaseCapture();
}

int32_t Win32Windows::ShowCursor(int32_t show) {
  return ::ShowCursor(show);
}

int32_t Win32Windows::SetCursorPos(int32_t x, int32_t y) {
  return ::SetCursorPos(x, y);
}

int32_t Win32Windows::GetCursorPos(Point32& point) {
  POINT p{point.X, point.Y};
  const BOOL ok = ::GetCursorPos(&p);
  if (ok) point = {p.x, p.y};
  return ok;
}

int32_t Win32Windows::SystemParametersInfo(uint32_t action, uint32_t param, Rect32& rect,
                                           uint32_t winIni) {
  RECT r{rect.Left, rect.Top, rect.Right, rect.Bottom};
  const BOOL ok = ::SystemParametersInfoA(action, param, &r, winIni);
  rect = {r.left, r.top, r.right, r.bottom};
  return ok;
}

int32_t Win32Windows::SystemParametersInfo(uint32_t action, uint32_t param,
                                           const std::wstring& text, uint32_t winIni) {
  std::string ansi = Ansi(text);
  return ::SystemParametersInfoA(action, param, ansi.data(), winIni);
}

int32_t Win32Windows::SystemParametersInfo(uint32_t action, uint32_t param, int32_t& value,
                                           uint32_t winIni) {
  INT v = value;
  const BOOL ok = ::SystemParametersInfoA(action, param, &v, winIni);
  value = v;
  return ok;
}

void Win32Windows::keybd_event(uint8_t vk, uint8_t scan, uint32_t flags, uint32_t extraInfo) {
  ::keybd_event(vk, scan, flags, extraInfo);
}

int32_t Win32Windows::ExitWindowsEx(uint32_t flags, uint32_t reason) {
  return ::ExitWindowsEx(flags, reason);
}

int32_t Win32Windows::GetMenu(int32_t hwnd) {
  return FromHandle(::GetMenu(W(hwnd)));
}

int32_t Win32Windows::GetSubMenu(int32_t menu, int32_t position) {
  return FromHandle(::GetSubMenu(ToHandle<HMENU>(menu), position));
}

int32_t Win32Windows::GetMenuItemID(int32_t menu, int32_t position) {
  return static_cast<int32_t>(::GetMenuItemID(ToHandle<HMENU>(menu), position));
}

int32_t Win32Windows::SetMenuItemBitmaps(int32_t menu, uint32_t item, uint32_t flags,
                                         int32_t uncheckedBitmap, int32_t checkedBitmap) {
  return ::SetMenuItemBitmaps(ToHandle<HMENU>(menu), item, flags,
                              ToHandle<HBITMAP>(uncheckedBitmap), ToHandle<HBITMAP>(checkedBitmap));
}

}  // namespace qc::win32
