// qcdrive: works a real window from outside, for the GUI tests under Wine and Xvfb.
// One subcommand per run; results go to stdout one item per line (UTF-8, '\n' endings).
// Exit status: 0 success, 1 a check failed or timed out, 2 bad usage.
// Windows are found by their exact caption among the visible top-level windows. Texts are printed
// with '\', '|', CR, LF and tab escaped as \\ \| \r \n \t.
//   wait-window CAPTION MS       hwnd, once the window is visible
//   first-controls CAPTION MS    as controls, read the moment the window first shows (polls
//                                every millisecond), to see what it shows before its timer ticks
//   controls CAPTION             class|id|text|left,top,width,height|style per direct child, in z
//                                order (= creation and tab order); rectangle in client pixels
//   window CAPTION               style|exstyle|client-w,client-h|window-w,window-h|pid
//   focus CAPTION                text of the control with the keyboard focus (fails when the
//                                window's thread is not active: it then has no focus)
//   key CAPTION VK [input|post]  foreground + SendInput (default), or WM_KEYDOWN/UP posted to the
//                                focused control; VK is a number, a letter/digit or SPACE, RETURN,
//                                TAB, ESCAPE, ...
//   click CAPTION BUTTONTEXT     BM_CLICK posted to that button ('&' ignored); prints its hwnd
//   msgbox TITLE MS              title|text|icon of a "#32770" box, icon one of none, hand,
//                                question, exclamation, information (or unknown)
//   msgbox-ok TITLE MS           answers it with IDOK, waits until it has gone, prints the text
//   no-msgbox TITLE MS           fails (printing the text) if such a box shows within MS
//   pixels CAPTION TEXT RRGGBB   count of screen pixels of exactly that colour in the control
//                                whose text is TEXT
//   screenshot CAPTION FILE.bmp  the window's screen rectangle as a 24-bit BMP; prints w,h
//   close CAPTION                posts WM_CLOSE
//   wait-gone CAPTION MS         waits until no visible window has that caption
//   resizable CAPTION            resizable|fixed, the frame style bits and the window's own
//                                hit-test answer for its right edge
//   windows                      hwnd|class|caption|pid of every visible top-level window
//   syscolor INDEX               GetSysColor(INDEX) as RRGGBB
// QCDRIVE_DEBUG=1 explains on stderr (icon scores, focus and foreground windows).
#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
// clang-format off
// windows.h first: the other system headers rely on its types.
#include <windows.h>
// clang-format on

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr int kOk = 0;
constexpr int kFail = 1;
constexpr int kUsage = 2;

// Long enough for a busy program under Wine, short enough that a hung one fails the test quickly.
constexpr UINT kSendTimeoutMs = 5000;
constexpr DWORD kPollMs = 20;

// The message box's text control; the same id on Windows and Wine.
constexpr int kMsgBoxTextId = 0xFFFF;

bool g_debug = false;

std::string Utf8(const std::wstring& w) {
  if (w.empty()) return std::string();
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr,
                              nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
  return s;
}

void Out(const std::wstring& line) {
  std::string s = Utf8(line);
  s += '\n';
  fwrite(s.data(), 1, s.size(), stdout);
  fflush(stdout);
}

void Err(const std::wstring& line) {
  std::string s = "qcdrive: " + Utf8(line) + "\n";
  fwrite(s.data(), 1, s.size(), stderr);
  fflush(stderr);
}

void Debug(const std::wstring& line) {
  if (g_debug) Err(line);
}

// Keeps one item on one line: '|' separates fields, so it and line breaks are escaped.
std::wstring Escape(const std::wstring& s) {
  std::wstring r;
  for (wchar_t c : s) {
    switch (c) {
      case L'\\':
        r += L"\\\\";
        break;
      case L'\n':
        r += L"\\n";
        break;
      case L'\r':
        r += L"\\r";
        break;
      case L'\t':
        r += L"\\t";
        break;
      case L'|':
        r += L"\\|";
        break;
      default:
        r += c;
    }
  }
  return r;
}

std::wstring Hex(unsigned long v) {
  wchar_t buf[16];
  const wchar_t* digits = L"0123456789ABCDEF";
  buf[0] = L'0';
  buf[1] = L'x';
  for (int i = 0; i < 8; ++i) buf[2 + i] = digits[(v >> (28 - 4 * i)) & 0xF];
  buf[10] = L'\0';
  return buf;
}

std::wstring HwndText(HWND h) {
  return Hex(static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(h)));
}

std::wstring Num(long v) {
  return std::to_wstring(v);
}

bool ParseUnsigned(const std::wstring& s, unsigned long* out, int base = 0) {
  if (s.empty()) return false;
  wchar_t* end = nullptr;
  unsigned long v = wcstoul(s.c_str(), &end, base);
  if (end == nullptr || *end != L'\0') return false;
  *out = v;
  return true;
}

std::wstring ClassOf(HWND h) {
  wchar_t buf[256] = {};
  GetClassNameW(h, buf, 256);
  return buf;
}

// WM_GETTEXT works for every control class (edit controls included) and across processes;
// the timeout keeps a hung target from hanging the test.
std::wstring TextOf(HWND h) {
  DWORD_PTR len = 0;
  if (!SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, kSendTimeoutMs,
                           &len))
    return std::wstring();
  std::vector<wchar_t> buf(len + 1, L'\0');
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutW(h, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()),
                           SMTO_ABORTIFHUNG | SMTO_BLOCK, kSendTimeoutMs, &got))
    return std::wstring();
  return std::wstring(buf.data(), got < buf.size() ? got : buf.size() - 1);
}

// The caption of a top-level window; GetWindowText reads it without a message for other processes.
std::wstring CaptionOf(HWND h) {
  int len = GetWindowTextLengthW(h);
  std::vector<wchar_t> buf(static_cast<size_t>(len) + 2, L'\0');
  GetWindowTextW(h, buf.data(), len + 1);
  return buf.data();
}

std::wstring WithoutMnemonics(const std::wstring& s) {
  std::wstring r;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == L'&') {
      if (i + 1 < s.size() && s[i + 1] == L'&') r += L'&', ++i;
      continue;
    }
    r += s[i];
  }
  return r;
}

struct TopQuery {
  const std::wstring* caption;
  const wchar_t* cls;  // null: any class
  bool visible_only;
  HWND found;
};

BOOL CALLBACK FindTopProc(HWND h, LPARAM lp) {
  auto* q = reinterpret_cast<TopQuery*>(lp);
  if (q->visible_only && !IsWindowVisible(h)) return TRUE;
  if (q->cls != nullptr && ClassOf(h) != q->cls) return TRUE;
  if (CaptionOf(h) != *q->caption) return TRUE;
  q->found = h;
  return FALSE;
}

// The topmost visible top-level window with exactly this caption (and class, if given).
HWND FindTop(const std::wstring& caption, const wchar_t* cls = nullptr) {
  TopQuery q{&caption, cls, true, nullptr};
  EnumWindows(FindTopProc, reinterpret_cast<LPARAM>(&q));
  return q.found;
}

BOOL CALLBACK ListTopProc(HWND h, LPARAM) {
  if (!IsWindowVisible(h)) return TRUE;
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  Out(HwndText(h) + L"|" + Escape(ClassOf(h)) + L"|" + Escape(CaptionOf(h)) + L"|" + Num(pid));
  return TRUE;
}

// Lists the visible top-level windows: on a timeout this says what was there instead.
void ListWindowsTo(bool to_stderr) {
  if (!to_stderr) {
    EnumWindows(ListTopProc, 0);
    return;
  }
  struct Lister {
    static BOOL CALLBACK Proc(HWND h, LPARAM) {
      if (!IsWindowVisible(h)) return TRUE;
      Err(L"  visible: " + HwndText(h) + L" class=" + ClassOf(h) + L" caption=\"" + CaptionOf(h) +
          L"\"");
      return TRUE;
    }
  };
  EnumWindows(Lister::Proc, 0);
}

ULONGLONG Deadline(unsigned long ms) {
  return GetTickCount64() + ms;
}

HWND WaitTop(const std::wstring& caption, unsigned long ms, const wchar_t* cls = nullptr) {
  ULONGLONG end = Deadline(ms);
  for (;;) {
    HWND h = FindTop(caption, cls);
    if (h != nullptr) return h;
    if (GetTickCount64() >= end) return nullptr;
    Sleep(kPollMs);
  }
}

HWND NeedTop(const std::wstring& caption, const wchar_t* cls = nullptr) {
  HWND h = FindTop(caption, cls);
  if (h == nullptr) {
    Err(L"no visible window \"" + caption + L"\"");
    ListWindowsTo(true);
  }
  return h;
}

struct ChildQuery {
  const std::wstring* text;
  bool buttons_only;
  HWND found;
};

BOOL CALLBACK FindChildProc(HWND h, LPARAM lp) {
  auto* q = reinterpret_cast<ChildQuery*>(lp);
  if (q->buttons_only && lstrcmpiW(ClassOf(h).c_str(), L"Button") != 0) return TRUE;
  std::wstring t = TextOf(h);
  if (t != *q->text && WithoutMnemonics(t) != *q->text) return TRUE;
  q->found = h;
  return FALSE;
}

// A control anywhere under the window whose text is exactly TEXT (mnemonic '&' ignored).
HWND FindChildByText(HWND top, const std::wstring& text, bool buttons_only) {
  ChildQuery q{&text, buttons_only, nullptr};
  EnumChildWindows(top, FindChildProc, reinterpret_cast<LPARAM>(&q));
  return q.found;
}

// ---- screen capture ----

// Pixels of a screen rectangle, top row first, each 0x00RRGGBB.
struct Capture {
  int w = 0;
  int h = 0;
  std::vector<DWORD> px;
  DWORD At(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
};

// Clips to the virtual screen, so a window partly off-screen still gives its visible part.
RECT ClipToScreen(RECT r) {
  RECT screen;
  screen.left = GetSystemMetrics(SM_XVIRTUALSCREEN);
  screen.top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  screen.right = screen.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
  screen.bottom = screen.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
  RECT out;
  if (!IntersectRect(&out, &r, &screen)) SetRectEmpty(&out);
  return out;
}

// Draws into a 32-bit DIB section, from the screen or through a callback.
template <typename Paint>
bool RenderToPixels(int w, int h, Paint paint, Capture* cap) {
  if (w <= 0 || h <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;  // top-down
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = false;
  if (dib != nullptr && bits != nullptr) {
    HGDIOBJ old = SelectObject(mem, dib);
    ok = paint(mem, screen);
    GdiFlush();
    if (ok) {
      const DWORD* p = static_cast<const DWORD*>(bits);
      cap->w = w;
      cap->h = h;
      cap->px.assign(p, p + static_cast<size_t>(w) * h);
      for (DWORD& v : cap->px) v &= 0x00FFFFFF;
    }
    SelectObject(mem, old);
    DeleteObject(dib);
  }
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return ok;
}

bool CaptureScreen(RECT r, Capture* cap) {
  r = ClipToScreen(r);
  int w = r.right - r.left;
  int h = r.bottom - r.top;
  return RenderToPixels(
      w, h,
      [&](HDC mem, HDC screen) {
        return BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY | CAPTUREBLT) != FALSE;
      },
      cap);
}

bool WriteBmp24(const std::wstring& path, const Capture& cap) {
  const int row = (cap.w * 3 + 3) & ~3;
  const DWORD image = static_cast<DWORD>(row) * cap.h;
  BITMAPFILEHEADER fh = {};
  BITMAPINFOHEADER ih = {};
  fh.bfType = 0x4D42;  // "BM"
  fh.bfOffBits = sizeof(fh) + sizeof(ih);
  fh.bfSize = fh.bfOffBits + image;
  ih.biSize = sizeof(ih);
  ih.biWidth = cap.w;
  ih.biHeight = cap.h;  // bottom-up, the form every reader accepts
  ih.biPlanes = 1;
  ih.biBitCount = 24;
  ih.biCompression = BI_RGB;
  ih.biSizeImage = image;
  std::vector<unsigned char> data(image, 0);
  for (int y = 0; y < cap.h; ++y) {
    unsigned char* dst = &data[static_cast<size_t>(cap.h - 1 - y) * row];
    for (int x = 0; x < cap.w; ++x) {
      DWORD v = cap.At(x, y);
      dst[3 * x + 0] = static_cast<unsigned char>(v & 0xFF);
      dst[3 * x + 1] = static_cast<unsigned char>((v >> 8) & 0xFF);
      dst[3 * x + 2] = static_cast<unsigned char>((v >> 16) & 0xFF);
    }
  }
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD n = 0;
  bool ok = WriteFile(f, &fh, sizeof(fh), &n, nullptr) && n == sizeof(fh) &&
            WriteFile(f, &ih, sizeof(ih), &n, nullptr) && n == sizeof(ih) &&
            WriteFile(f, data.data(), image, &n, nullptr) && n == image;
  CloseHandle(f);
  return ok;
}

// Under Wine a Unix path ("/tmp/x.bmp") is turned into its DOS form; on Windows it is used as
// given.
std::wstring HostPath(const std::wstring& path) {
  if (path.empty() || path[0] != L'/') return path;
  using ToDos = LPWSTR(CDECL*)(LPCSTR);
  HMODULE k32 = GetModuleHandleW(L"kernel32.dll");
  auto to_dos = reinterpret_cast<ToDos>(
      reinterpret_cast<void*>(GetProcAddress(k32, "wine_get_dos_file_name")));
  if (to_dos == nullptr) return path;
  std::string unix_path = Utf8(path);
  LPWSTR dos = to_dos(unix_path.c_str());
  if (dos == nullptr) return path;
  std::wstring r = dos;
  HeapFree(GetProcessHeap(), 0, dos);
  return r;
}

// ---- message box icons ----

// A message box shows its icon in an SS_ICON static. Icon handles belong to the process that loaded
// them, so ours cannot be compared with the box's; instead each standard icon is drawn here on the
// box's background and compared with what the screen shows.
struct IconCandidate {
  const wchar_t* name;
  int resource;
};
constexpr IconCandidate kIcons[] = {
    {L"hand", 32513}, {L"question", 32514}, {L"exclamation", 32515}, {L"information", 32516}};

BOOL CALLBACK FindIconStaticProc(HWND h, LPARAM lp) {
  if (!IsWindowVisible(h) || lstrcmpiW(ClassOf(h).c_str(), L"Static") != 0) return TRUE;
  if ((GetWindowLongW(h, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) return TRUE;
  *reinterpret_cast<HWND*>(lp) = h;
  return FALSE;
}

bool Near(DWORD a, DWORD b) {
  for (int shift = 0; shift < 24; shift += 8) {
    int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
    if (d < -8 || d > 8) return false;
  }
  return true;
}

// Share of pixels that match when the icon is drawn at the top-left on the background colour.
double IconScore(const Capture& shown, int resource, DWORD background) {
  HICON icon = LoadIconW(nullptr, MAKEINTRESOURCEW(resource));
  if (icon == nullptr) return 0.0;
  Capture mine;
  COLORREF bg = RGB((background >> 16) & 0xFF, (background >> 8) & 0xFF, background & 0xFF);
  bool ok = RenderToPixels(
      shown.w, shown.h,
      [&](HDC mem, HDC) {
        HBRUSH brush = CreateSolidBrush(bg);
        RECT all = {0, 0, shown.w, shown.h};
        FillRect(mem, &all, brush);
        DeleteObject(brush);
        return DrawIconEx(mem, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL) != FALSE;
      },
      &mine);
  if (!ok) return 0.0;
  size_t same = 0;
  for (size_t i = 0; i < shown.px.size(); ++i)
    if (Near(shown.px[i], mine.px[i])) ++same;
  return static_cast<double>(same) / static_cast<double>(shown.px.size());
}

// "none" when the box has no visible icon; otherwise the best-matching standard icon, retried until
// the box has painted (a freshly shown box can still be blank). "unknown" when nothing matches
// well.
std::wstring MsgBoxIcon(HWND dlg, unsigned long settle_ms) {
  HWND icon_static = nullptr;
  EnumChildWindows(dlg, FindIconStaticProc, reinterpret_cast<LPARAM>(&icon_static));
  if (icon_static == nullptr) return L"none";
  DWORD_PTR shown_icon = 0;
  if (SendMessageTimeoutW(icon_static, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                          kSendTimeoutMs, &shown_icon) &&
      shown_icon == 0)
    return L"none";
  if (g_debug) {
    std::wstring handles =
        L"icon handle " + Hex(static_cast<unsigned long>(shown_icon)) + L"; ours:";
    for (const IconCandidate& c : kIcons)
      handles += L" " + std::wstring(c.name) + L"=" +
                 HwndText(reinterpret_cast<HWND>(LoadIconW(nullptr, MAKEINTRESOURCEW(c.resource))));
    Debug(handles);
  }
  ULONGLONG end = Deadline(settle_ms);
  std::wstring best_name = L"unknown";
  for (;;) {
    RECT rc;
    GetClientRect(icon_static, &rc);
    MapWindowPoints(icon_static, HWND_DESKTOP, reinterpret_cast<POINT*>(&rc), 2);
    Capture shown;
    if (CaptureScreen(rc, &shown) && !shown.px.empty()) {
      // The system icons leave their corners transparent, so a corner shows the background.
      std::vector<DWORD> backgrounds = {shown.At(0, 0), shown.At(shown.w - 1, 0),
                                        shown.At(0, shown.h - 1)};
      double best = 0.0;
      for (const IconCandidate& c : kIcons) {
        double score = 0.0;
        for (DWORD bg : backgrounds) {
          double s = IconScore(shown, c.resource, bg);
          if (s > score) score = s;
        }
        Debug(std::wstring(L"icon ") + c.name + L" score " + Num(static_cast<long>(score * 1000)) +
              L"/1000");
        if (score > best) best = score, best_name = c.name;
      }
      if (best >= 0.95) return best_name;
      best_name = L"unknown";
    }
    if (GetTickCount64() >= end) return best_name;
    Sleep(50);
  }
}

std::wstring MsgBoxText(HWND dlg) {
  HWND text = GetDlgItem(dlg, kMsgBoxTextId);
  return text != nullptr ? TextOf(text) : std::wstring();
}

// ---- keys ----

struct KeyName {
  const wchar_t* name;
  WORD vk;
};
constexpr KeyName kKeyNames[] = {
    {L"SPACE", VK_SPACE},   {L"RETURN", VK_RETURN}, {L"ENTER", VK_RETURN}, {L"TAB", VK_TAB},
    {L"ESCAPE", VK_ESCAPE}, {L"ESC", VK_ESCAPE},    {L"LEFT", VK_LEFT},    {L"RIGHT", VK_RIGHT},
    {L"UP", VK_UP},         {L"DOWN", VK_DOWN},     {L"F1", VK_F1},        {L"BACK", VK_BACK},
    {L"DELETE", VK_DELETE}, {L"HOME", VK_HOME},     {L"END", VK_END},      {L"F4", VK_F4},
};

bool ParseVk(const std::wstring& s, WORD* vk) {
  for (const KeyName& k : kKeyNames) {
    if (lstrcmpiW(s.c_str(), k.name) == 0) {
      *vk = k.vk;
      return true;
    }
  }
  // A single letter or digit is its own virtual-key code.
  if (s.size() == 1 && ((s[0] >= L'A' && s[0] <= L'Z') || (s[0] >= L'0' && s[0] <= L'9'))) {
    *vk = static_cast<WORD>(s[0]);
    return true;
  }
  if (s.size() == 1 && s[0] >= L'a' && s[0] <= L'z') {
    *vk = static_cast<WORD>(s[0] - L'a' + L'A');
    return true;
  }
  unsigned long v = 0;
  if (!ParseUnsigned(s, &v) || v == 0 || v > 0xFE) return false;
  *vk = static_cast<WORD>(v);
  return true;
}

HWND FocusOf(HWND top) {
  DWORD tid = GetWindowThreadProcessId(top, nullptr);
  GUITHREADINFO gti = {};
  gti.cbSize = sizeof(gti);
  if (GetGUIThreadInfo(tid, &gti) && gti.hwndFocus != nullptr) return gti.hwndFocus;
  // Older systems: share the target's input state for a moment and ask it directly.
  DWORD me = GetCurrentThreadId();
  HWND focus = nullptr;
  if (AttachThreadInput(me, tid, TRUE)) {
    focus = GetFocus();
    AttachThreadInput(me, tid, FALSE);
  }
  return focus;
}

bool BringToFront(HWND top) {
  if (GetForegroundWindow() == top) return true;
  SetForegroundWindow(top);
  if (GetForegroundWindow() == top) return true;
  // Windows refuses a foreground change from a background process unless the inputs are shared.
  DWORD me = GetCurrentThreadId();
  DWORD fg_tid = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
  bool attached = fg_tid != 0 && fg_tid != me && AttachThreadInput(me, fg_tid, TRUE);
  BringWindowToTop(top);
  SetForegroundWindow(top);
  if (attached) AttachThreadInput(me, fg_tid, FALSE);
  return GetForegroundWindow() == top;
}

bool SendKeyInput(WORD vk) {
  INPUT in[2] = {};
  WORD scan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  for (int i = 0; i < 2; ++i) {
    in[i].type = INPUT_KEYBOARD;
    in[i].ki.wVk = vk;
    in[i].ki.wScan = scan;
    in[i].ki.dwFlags = i == 1 ? KEYEVENTF_KEYUP : 0;
  }
  return SendInput(2, in, sizeof(INPUT)) == 2;
}

bool PostKey(HWND target, WORD vk) {
  LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC) & 0xFF) << 16;
  // Repeat count 1; the key-up also carries "was down" and "transition" (bits 30 and 31).
  return PostMessageW(target, WM_KEYDOWN, vk, 1 | scan) &&
         PostMessageW(target, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001UL) | scan);
}

// ---- subcommands ----

using Args = std::vector<std::wstring>;

int Usage() {
  Err(L"usage: qcdrive COMMAND ARGS...\n"
      L"  wait-window CAPTION MS | controls CAPTION | window CAPTION | focus CAPTION\n"
      L"  key CAPTION VK [input|post] | click CAPTION BUTTONTEXT\n"
      L"  msgbox TITLE MS | msgbox-ok TITLE MS | no-msgbox TITLE MS\n"
      L"  pixels CAPTION CONTROLTEXT RRGGBB | screenshot CAPTION FILE.bmp\n"
      L"  close CAPTION | wait-gone CAPTION MS | resizable CAPTION | windows | syscolor INDEX");
  return kUsage;
}

int CmdWaitWindow(const std::wstring& caption, unsigned long ms) {
  HWND h = WaitTop(caption, ms);
  if (h == nullptr) {
    Err(L"timed out after " + Num(static_cast<long>(ms)) + L" ms waiting for \"" + caption + L"\"");
    ListWindowsTo(true);
    return kFail;
  }
  Out(HwndText(h));
  return kOk;
}

int CmdControls(HWND top) {
  // GW_CHILD/GW_HWNDNEXT walks the direct children in z order, which is creation (and tab) order.
  for (HWND c = GetWindow(top, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    RECT r;
    GetWindowRect(c, &r);
    MapWindowPoints(HWND_DESKTOP, top, reinterpret_cast<POINT*>(&r), 2);
    Out(Escape(ClassOf(c)) + L"|" + Num(GetDlgCtrlID(c)) + L"|" + Escape(TextOf(c)) + L"|" +
        Num(r.left) + L"," + Num(r.top) + L"," + Num(r.right - r.left) + L"," +
        Num(r.bottom - r.top) + L"|" +
        Hex(static_cast<unsigned long>(GetWindowLongW(c, GWL_STYLE))));
  }
  return kOk;
}

int CmdFirstControls(const std::wstring& caption, unsigned long ms) {
  const ULONGLONG end = Deadline(ms);
  HWND h = nullptr;
  while ((h = FindTop(caption, nullptr)) == nullptr) {
    if (GetTickCount64() >= end) {
      Err(L"timed out after " + Num(static_cast<long>(ms)) + L" ms waiting for \"" + caption + L"\"");
      return kFail;
    }
    Sleep(1);
  }
  return CmdControls(h);
}

int CmdWindow(HWND top) {
  RECT client, win;
  GetClientRect(top, &client);
  GetWindowRect(top, &win);
  DWORD pid = 0;
  GetWindowThreadProcessId(top, &pid);
  Out(Hex(static_cast<unsigned long>(GetWindowLongW(top, GWL_STYLE))) + L"|" +
      Hex(static_cast<unsigned long>(GetWindowLongW(top, GWL_EXSTYLE))) + L"|" +
      Num(client.right - client.left) + L"," + Num(client.bottom - client.top) + L"|" +
      Num(win.right - win.left) + L"," + Num(win.bottom - win.top) + L"|" + Num(pid));
  return kOk;
}

int CmdFocus(HWND top) {
  HWND f = FocusOf(top);
  if (f == nullptr) {
    Err(L"no control of that window has the keyboard focus");
    return kFail;
  }
  if (g_debug) {
    GUITHREADINFO gti = {};
    gti.cbSize = sizeof(gti);
    GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &gti);
    Debug(L"focus " + HwndText(f) + L" class=" + ClassOf(f) + L"; active " +
          HwndText(gti.hwndActive) + L"; foreground " + HwndText(GetForegroundWindow()));
  }
  Out(Escape(TextOf(f)));
  return kOk;
}

int CmdKey(HWND top, WORD vk, const std::wstring& method) {
  bool front = BringToFront(top);
  if (method == L"post") {
    HWND target = FocusOf(top);
    if (target == nullptr) target = top;
    if (!PostKey(target, vk)) {
      Err(L"PostMessage failed");
      return kFail;
    }
    return kOk;
  }
  // SendInput goes to whichever window has the focus, so it needs ours in front.
  if (!front) {
    Err(L"could not bring the window to the foreground; try the post method");
    return kFail;
  }
  if (!SendKeyInput(vk)) {
    Err(L"SendInput failed");
    return kFail;
  }
  return kOk;
}

int CmdClick(HWND top, const std::wstring& text) {
  HWND b = FindChildByText(top, text, true);
  if (b == nullptr) {
    Err(L"no button \"" + text + L"\"");
    return kFail;
  }
  PostMessageW(b, BM_CLICK, 0, 0);
  Out(HwndText(b));
  return kOk;
}

int CmdMsgBox(const std::wstring& title, unsigned long ms, bool answer) {
  ULONGLONG end = Deadline(ms);
  HWND dlg = WaitTop(title, ms, L"#32770");
  if (dlg == nullptr) {
    Err(L"timed out after " + Num(static_cast<long>(ms)) + L" ms waiting for a message box \"" +
        title + L"\"");
    ListWindowsTo(true);
    return kFail;
  }
  std::wstring text = MsgBoxText(dlg);
  if (!answer) {
    Out(Escape(title) + L"|" + Escape(text) + L"|" + MsgBoxIcon(dlg, 2000));
    return kOk;
  }
  PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDOK)));
  // The answer counts only once the box has gone; allow at least two seconds for it.
  ULONGLONG gone_by = end > GetTickCount64() + 2000 ? end : GetTickCount64() + 2000;
  while (IsWindow(dlg) && IsWindowVisible(dlg)) {
    if (GetTickCount64() >= gone_by) {
      Err(L"the message box did not close after IDOK");
      return kFail;
    }
    Sleep(kPollMs);
  }
  Out(Escape(text));
  return kOk;
}

int CmdNoMsgBox(const std::wstring& title, unsigned long ms) {
  ULONGLONG end = Deadline(ms);
  for (;;) {
    HWND dlg = FindTop(title, L"#32770");
    if (dlg != nullptr) {
      Err(L"unexpected message box \"" + title + L"\": " + MsgBoxText(dlg));
      Out(Escape(MsgBoxText(dlg)));
      return kFail;
    }
    if (GetTickCount64() >= end) return kOk;
    Sleep(kPollMs);
  }
}

int CmdPixels(HWND top, const std::wstring& control_text, const std::wstring& rgb_text) {
  std::wstring hex = !rgb_text.empty() && rgb_text[0] == L'#' ? rgb_text.substr(1) : rgb_text;
  unsigned long rgb = 0;
  if (hex.size() != 6 || !ParseUnsigned(hex, &rgb, 16)) return Usage();
  HWND c = FindChildByText(top, control_text, false);
  if (c == nullptr) {
    Err(L"no control with text \"" + control_text + L"\"");
    return kFail;
  }
  RECT r;
  GetWindowRect(c, &r);
  Capture cap;
  if (!CaptureScreen(r, &cap)) {
    Err(L"screen capture failed");
    return kFail;
  }
  long count = 0;
  for (DWORD v : cap.px)
    if (v == rgb) ++count;
  Out(Num(count));
  return kOk;
}

int CmdScreenshot(HWND top, const std::wstring& file) {
  RECT r;
  GetWindowRect(top, &r);
  Capture cap;
  if (!CaptureScreen(r, &cap)) {
    Err(L"screen capture failed");
    return kFail;
  }
  std::wstring path = HostPath(file);
  if (!WriteBmp24(path, cap)) {
    Err(L"cannot write " + path);
    return kFail;
  }
  Out(Num(cap.w) + L"," + Num(cap.h));
  return kOk;
}

int CmdWaitGone(const std::wstring& caption, unsigned long ms) {
  ULONGLONG end = Deadline(ms);
  while (FindTop(caption) != nullptr) {
    if (GetTickCount64() >= end) {
      Err(L"\"" + caption + L"\" still there after " + Num(static_cast<long>(ms)) + L" ms");
      return kFail;
    }
    Sleep(kPollMs);
  }
  return kOk;
}

// Reads the frame from the style bits and asks the window itself what its right edge is: a
// sizing border answers HTRIGHT, a fixed one HTBORDER. No attempt to resize, so nothing changes.
int CmdResizable(HWND top) {
  LONG style = GetWindowLongW(top, GWL_STYLE);
  RECT w;
  GetWindowRect(top, &w);
  POINT edge = {w.right - 1, (w.top + w.bottom) / 2};
  DWORD_PTR hit = 0;
  SendMessageTimeoutW(top, WM_NCHITTEST, 0, MAKELPARAM(edge.x, edge.y),
                      SMTO_ABORTIFHUNG | SMTO_BLOCK, kSendTimeoutMs, &hit);
  std::wstring hit_name = hit == HTRIGHT    ? L"HTRIGHT"
                          : hit == HTBORDER ? L"HTBORDER"
                                            : L"HT" + Num(static_cast<long>(hit));
  bool thick = (style & WS_THICKFRAME) != 0;
  bool sizing_edge = hit == HTRIGHT;
  Out(std::wstring(thick || sizing_edge ? L"resizable" : L"fixed") + L"|thickframe=" + Num(thick) +
      L"|maximizebox=" + Num((style & WS_MAXIMIZEBOX) != 0) + L"|minimizebox=" +
      Num((style & WS_MINIMIZEBOX) != 0) + L"|sysmenu=" + Num((style & WS_SYSMENU) != 0) +
      L"|edge=" + hit_name);
  return kOk;
}

// The platform's colour for a system colour index, as RRGGBB: what a test counts with `pixels`.
int CmdSysColor(const std::wstring& index_text) {
  unsigned long index = 0;
  if (!ParseUnsigned(index_text, &index, 10) || index > 30) return Usage();
  DWORD c = GetSysColor(static_cast<int>(index));
  wchar_t buf[8];
  const wchar_t* digits = L"0123456789ABCDEF";
  const DWORD rgb = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
  for (int i = 0; i < 6; ++i) buf[i] = digits[(rgb >> (20 - 4 * i)) & 0xF];
  buf[6] = L'\0';
  Out(buf);
  return kOk;
}

int Run(const Args& a) {
  if (a.empty()) return Usage();
  const std::wstring& cmd = a[0];
  const size_t n = a.size();
  unsigned long ms = 0;

  if (cmd == L"windows" && n == 1) {
    ListWindowsTo(false);
    return kOk;
  }
  if (cmd == L"syscolor" && n == 2) return CmdSysColor(a[1]);
  if ((cmd == L"wait-window" || cmd == L"wait-gone" || cmd == L"msgbox" || cmd == L"msgbox-ok" ||
       cmd == L"no-msgbox" || cmd == L"first-controls") &&
      n == 3) {
    if (!ParseUnsigned(a[2], &ms, 10)) return Usage();
    if (cmd == L"first-controls") return CmdFirstControls(a[1], ms);
    if (cmd == L"wait-window") return CmdWaitWindow(a[1], ms);
    if (cmd == L"wait-gone") return CmdWaitGone(a[1], ms);
    if (cmd == L"no-msgbox") return CmdNoMsgBox(a[1], ms);
    return CmdMsgBox(a[1], ms, cmd == L"msgbox-ok");
  }

  // The rest act on a window that must be there now.
  bool known = (n == 2 && (cmd == L"controls" || cmd == L"window" || cmd == L"focus" ||
                           cmd == L"close" || cmd == L"resizable")) ||
               (n == 3 && (cmd == L"click" || cmd == L"screenshot")) ||
               ((n == 3 || n == 4) && cmd == L"key") || (n == 4 && cmd == L"pixels");
  if (!known) return Usage();
  WORD vk = 0;
  if (cmd == L"key" && (!ParseVk(a[2], &vk) || (n == 4 && a[3] != L"input" && a[3] != L"post")))
    return Usage();

  HWND top = NeedTop(a[1]);
  if (top == nullptr) return kFail;
  if (cmd == L"controls") return CmdControls(top);
  if (cmd == L"window") return CmdWindow(top);
  if (cmd == L"focus") return CmdFocus(top);
  if (cmd == L"resizable") return CmdResizable(top);
  if (cmd == L"close") return PostMessageW(top, WM_CLOSE, 0, 0) ? kOk : kFail;
  if (cmd == L"click") return CmdClick(top, a[2]);
  if (cmd == L"screenshot") return CmdScreenshot(top, a[2]);
  if (cmd == L"pixels") return CmdPixels(top, a[2], a[3]);
  return CmdKey(top, vk, n == 4 ? a[3] : std::wstring(L"input"));
}

}  // namespace

int main() {
  // '\n' line endings for the shell scripts that read us.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  // Coordinates in real pixels even where the system scales programs that do not say so.
  SetProcessDPIAware();
  const char* dbg = getenv("QCDRIVE_DEBUG");
  g_debug = dbg != nullptr && dbg[0] != '\0' && dbg[0] != '0';

  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr) return kUsage;
  Args args(argv + 1, argv + argc);
  LocalFree(argv);
  return Run(args);
}
