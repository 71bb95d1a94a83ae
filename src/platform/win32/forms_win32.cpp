#include <algorithm>
#include <cmath>
#include <exception>

#include "platform/app_info.h"
#include "platform/runtime_error.h"
#include "platform/win32/win32_platform.h"

namespace qc::win32 {
namespace {

constexpr wchar_t kFormClass[] = L"QuorinCleanerForm";
constexpr UINT_PTR kTimerId = 1;

HINSTANCE Instance() {
  return GetModuleHandleW(nullptr);
}

DWORD LabelStyle(TextAlign align) {
  // Labels show their text literally (a user name may hold an ampersand) and wrap at words.
  DWORD s = WS_CHILD | WS_VISIBLE | SS_NOPREFIX;
  switch (align) {
    case TextAlign::Left:
      return s | SS_LEFT;
    case TextAlign::Center:
      return s | SS_CENTER;
    case TextAlign::Right:
      return s | SS_RIGHT;
  }
  return s;
}

}  // namespace

Win32Forms::~Win32Forms() {
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

COLORREF Win32Forms::Resolve(uint32_t colour, int fallbackSysColour) {
  if (colour == kDefaultColour) return GetSysColor(fallbackSysColour);
  if (colour & kSystemColourFlag) return GetSysColor(static_cast<int>(colour & 0xFF));
  return static_cast<COLORREF>(colour & 0x00FFFFFF);
}

void Win32Forms::CreateForm(const FormSpec& layout, IFormEvents& events) {
  events_ = &events;
  const HINSTANCE inst = Instance();
  HICON big = static_cast<HICON>(LoadImageW(inst, MAKEINTRESOURCEW(layout.iconResource), IMAGE_ICON,
                                            GetSystemMetrics(SM_CXICON),
                                            GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
  HICON small = static_cast<HICON>(LoadImageW(inst, MAKEINTRESOURCEW(layout.iconResource),
                                              IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                              GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &Win32Forms::WindowProc;
  wc.hInstance = inst;
  wc.hIcon = big;
  wc.hIconSm = small;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kFormClass;
  RegisterClassExW(&wc);

  // Fixed single border: caption, system menu and close button; no sizing, no min/max.
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  RECT r{0, 0, layout.clientWidth, layout.clientHeight};
  AdjustWindowRectEx(&r, style, FALSE, 0);
  hwnd_ =
      CreateWindowExW(0, kFormClass, layout.caption.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                      r.right - r.left, r.bottom - r.top, nullptr, nullptr, inst, this);
  // Without a window nothing could ever close the process: the caller must hear of it.
  if (!hwnd_)
    throw RuntimeError(kErrOutOfMemory, "The window could not be created", GetLastError());

  HDC dc = GetDC(hwnd_);
  const int dpiY = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
  if (dc) ReleaseDC(hwnd_, dc);

  // Children are created in tab order, which is also the order Tab moves the focus in.
  std::vector<ControlSpec> ordered = layout.controls;
  std::stable_sort(ordered.begin(), ordered.end(), [](const ControlSpec& a, const ControlSpec& b) {
    return a.tabIndex < b.tabIndex;
  });
  for (const ControlSpec& c : ordered) {
    const bool button = c.kind == ControlKind::Button;
    const DWORD cs =
        button ? (WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON) : LabelStyle(c.align);
    HWND child =
        CreateWindowExW(0, button ? L"BUTTON" : L"STATIC", c.caption.c_str(), cs, c.rect.left,
                        c.rect.top, c.rect.width, c.rect.height, hwnd_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), inst, nullptr);
    if (!child) Abandon("A control of the window could not be created");
    LOGFONTW lf{};
    lf.lfHeight = -static_cast<LONG>(std::lround(c.font.points * dpiY / 72.0));
    lf.lfWeight = c.font.weight;
    lf.lfCharSet = static_cast<BYTE>(c.font.charset);
    lf.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(lf.lfFaceName, c.font.face.c_str(), LF_FACESIZE);
    // A font that cannot be made leaves the control with the system's font, which shows the
    // same text: no reason to stop.
    HFONT font = CreateFontIndirectW(&lf);
    if (font) {
      fonts_.emplace_back(font);
      SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    colours_[c.id] = c.foreColour;
    controls_[c.id] = child;
    captions_[c.id] = c.caption;
  }
  // Without its timer the status would never change.
  if (layout.timerInterval > 0 &&
      !SetTimer(hwnd_, kTimerId, static_cast<UINT>(layout.timerInterval), nullptr)) {
    Abandon("The window's timer could not be created");
  }
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
  if (HWND focus = GetDlgItem(hwnd_, layout.focusControl)) {
    SetFocus(focus);
    lastFocus_ = focus;
  }
}

void Win32Forms::Abandon(const char* what) {
  const DWORD code = GetLastError();
  // Detached first: its WM_DESTROY must not post the quit that would close the box telling the
  // user why the program ends.
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
  DestroyWindow(hwnd_);  // and every control made so far with it
  hwnd_ = lastFocus_ = nullptr;
  controls_.clear();
  captions_.clear();
  colours_.clear();
  fonts_.clear();
  throw RuntimeError(kErrOutOfMemory, what, code);
}

void Win32Forms::SetCaption(int controlId, const std::wstring& text) {
  auto it = controls_.find(controlId);
  if (it == controls_.end() || !it->second) return;
  // Rewriting the same text every tick must not repaint (no flicker). Only this program writes
  // its controls' texts, so the last one it wrote is what the control shows.
  auto last = captions_.find(controlId);
  if (last != captions_.end() && last->second == text) return;
  if (SetWindowTextW(it->second, text.c_str())) captions_[controlId] = text;
}

void Win32Forms::SetForeColour(int controlId, uint32_t colour) {
  auto it = colours_.find(controlId);
  if (it != colours_.end() && it->second == colour) return;
  colours_[controlId] = colour;
  if (HWND c = GetDlgItem(hwnd_, controlId)) InvalidateRect(c, nullptr, TRUE);
}

std::wstring Win32Forms::Caption(int controlId) {
  HWND c = GetDlgItem(hwnd_, controlId);
  if (!c) return L"";
  const int n = GetWindowTextLengthW(c);
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  const int got = GetWindowTextW(c, text.data(), n + 1);
  text.resize(static_cast<size_t>(std::max(got, 0)));
  return text;
}

bool Win32Forms::PreTranslate(MSG& msg) {
  // Tab between the buttons, Space and Enter press the focused one.
  return hwnd_ && IsWindow(hwnd_) && IsDialogMessageW(hwnd_, &msg);
}

int Win32Forms::RunMessageLoop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (!PreTranslate(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return static_cast<int>(msg.wParam);
}

LRESULT CALLBACK Win32Forms::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32Forms*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  try {
    return self->Handle(hwnd, msg, wp, lp);
  } catch (const std::exception& e) {
    // Nothing may unwind through the system's window procedure caller. Messages keep coming
    // while the box is up; a second failure meanwhile shows no second box.
    static bool boxUp = false;
    if (!boxUp) {
      boxUp = true;
      MessageBoxA(hwnd, e.what(), "Quorin Cleaner", MB_ICONHAND);
      boxUp = false;
    }
    return 0;
  }
}

LRESULT Win32Forms::Handle(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      if (HIWORD(wp) == BN_CLICKED && lp != 0 && events_) {
        events_->OnClick(LOWORD(wp));
        return 0;
      }
      break;
    case WM_TIMER:
      if (wp == kTimerId && events_) {
        events_->OnTimer();
        return 0;
      }
      break;
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wp);
      const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lp));
      auto it = colours_.find(id);
      SetTextColor(dc,
                   Resolve(it == colours_.end() ? kDefaultColour : it->second, COLOR_WINDOWTEXT));
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_ACTIVATE:
      // Give the focus back to the control that had it when the window is re-activated.
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND f = GetFocus();
        if (f && IsChild(hwnd, f)) lastFocus_ = f;
      } else if (lastFocus_ && IsWindow(lastFocus_)) {
        SetFocus(lastFocus_);
        return 0;
      }
      break;
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      KillTimer(hwnd, kTimerId);
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace qc::win32
