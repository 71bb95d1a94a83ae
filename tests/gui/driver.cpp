// qcdrive: works the real window from outside for the GUI tests under Wine. One command per run,
// results on stdout, exit 0 on success. A window is found by its exact caption, waiting up to 30 s
// (MS where given); a control by its text. Texts come with CR and LF as \r and \n.
//   controls CAPTION [MS]   class|id|text|left,top,width,height per child, in tab order
//   window CAPTION          style|client-width,client-height
//   focus CAPTION           text of the control with the keyboard focus
//   key CAPTION TAB|SPACE   click CAPTION BUTTON   close CAPTION
//   msgbox TITLE            text|icon (hand, question, exclamation, information, none); answers OK
//   pixels CAPTION TEXT RRGGBB...  per colour, its pixels on screen in the control with that text
//   counts CAPTION          its process's handles=N gdi=N user=N private=BYTES (-1: cannot be read)
//   hold PATH FLAG          keeps PATH open without sharing, makes FLAG, waits until it is gone
//   readable HKLM-KEY yes|no  lets everyone read the key in both views, or denies it to everyone
#include <windows.h>
// After <windows.h>, which they need.
#include <psapi.h>
#include <sddl.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using std::wstring;

wstring OneLine(wstring s) {  // CR and LF as \r and \n
  for (size_t i; (i = s.find_first_of(L"\r\n")) != wstring::npos;)
    s.replace(i, 1, s[i] == L'\r' ? L"\\r" : L"\\n");
  return s;
}

// A label's or button's text as the system keeps it: no message to a window that may be busy.
wstring TextOf(HWND h) {
  std::vector<wchar_t> buf(1 << 16);
  return GetWindowTextW(h, buf.data(), int(buf.size())), buf.data();
}

// Visible windows only, once the program has made them up. Looks every millisecond: the window's
// first look must be caught before its first tick.
HWND Wait(const wstring& caption, DWORD ms, const wchar_t* cls = nullptr) {
  for (ULONGLONG end = GetTickCount64() + ms; GetTickCount64() <= end; Sleep(1))
    if (HWND h = FindWindowW(cls, caption.c_str()); IsWindowVisible(h)) return h;
  return nullptr;
}

// A window's pixels as the screen shows them, in a memory DC that more can be drawn into (both
// kept until the driver ends).
struct Shot {
  HDC dc = CreateCompatibleDC(nullptr);
  DWORD* bits = nullptr;
  size_t n = 0;
  explicit Shot(HWND win) {
    RECT r;
    GetWindowRect(win, &r);
    BITMAPINFO bi = {};
    bi.bmiHeader = {
        sizeof(BITMAPINFOHEADER), r.right - r.left, r.top - r.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* p = nullptr;
    HBITMAP dib = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
    if (!dib) return;
    SelectObject(dc, dib);
    HDC screen = GetDC(nullptr);
    BitBlt(dc, 0, 0, r.right - r.left, r.bottom - r.top, screen, r.left, r.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    GdiFlush();
    bits = static_cast<DWORD*>(p);
    n = static_cast<size_t>((r.right - r.left) * (r.bottom - r.top));
  }
  int At(size_t i, int channel) const { return (bits[i] >> (8 * channel)) & 0xFF; }
};

// Another process's icon handle means nothing here: each standard icon is drawn over the box's
// own, and the one that changes (almost) nothing is the one shown.
wstring MsgBoxIcon(HWND box) {
  HWND icon = nullptr;
  for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    if (IsWindowVisible(c) && (GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) icon = c;
  const wchar_t* names[] = {L"hand", L"question", L"exclamation", L"information"};
  for (int attempt = 0; icon && attempt < 40; ++attempt, Sleep(50)) {  // until the box has painted
    for (int i = 0; i < 4; ++i) {
      Shot shown(icon), drawn(icon);
      DrawIconEx(drawn.dc, 0, 0, LoadIconW(nullptr, MAKEINTRESOURCEW(32513 + i)), 0, 0, 0, nullptr,
                 DI_NORMAL);
      GdiFlush();
      size_t changed = 0;
      for (size_t p = 0; p < shown.n; ++p)
        for (int ch = 0; ch < 3; ++ch) changed += abs(shown.At(p, ch) - drawn.At(p, ch)) > 40;
      if (shown.n && changed * 10 <= shown.n) return names[i];
    }
  }
  return icon ? L"unknown" : L"none";
}

// Wine answers 0 to GetProcessHandleCount and GetGuiResources. Handles are counted in the system's
// handle table (class 16: a count, then per handle its owner's id first, a handle value, an object
// pointer and an access mask); GDI objects in the process's handle table, a private read-write
// block of 64K entries of 24 bytes (type at 14, bit 7 of byte 12 for stock objects); USER objects
// as the windows it owns at every level, message-only ones included.
long Handles(DWORD pid) {
  auto query = reinterpret_cast<LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG)>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  std::vector<char> t(1 << 20);
  LONG status;
  while ((status = query(16, t.data(), ULONG(t.size()), nullptr)) == LONG(0xC0000004))
    t.resize(t.size() * 2);  // too small
  const size_t entry = 8 + 2 * sizeof(void*);
  long n = status < 0 ? -1 : 0;
  for (size_t i = 0, count = *reinterpret_cast<ULONG*>(t.data()); n >= 0 && i < count; ++i)
    n += *reinterpret_cast<USHORT*>(&t[sizeof(void*) + i * entry]) == USHORT(pid);
  return n;
}

long GdiObjects(HANDLE process) {
  std::vector<unsigned char> t(0x10000 * 24);
  MEMORY_BASIC_INFORMATION m;
  for (const char* at = nullptr; VirtualQueryEx(process, at, &m, sizeof m) == sizeof m;
       at = static_cast<const char*>(m.BaseAddress) + m.RegionSize) {
    if (m.RegionSize != t.size() || m.Protect != PAGE_READWRITE ||
        !ReadProcessMemory(process, m.BaseAddress, t.data(), t.size(), nullptr))
      continue;
    long live = 0, stock = 0;
    for (size_t i = 0; i < t.size(); i += 24) {
      live += t[i + 14] != 0;
      stock += t[i + 14] != 0 && (t[i + 12] & 0x80);
    }
    if (stock >= 10) return live - stock;  // every process has its stock pens, brushes and fonts
  }
  return -1;
}

long owned = 0;
BOOL CALLBACK Owned(HWND h, LPARAM pid) {
  DWORD owner = 0;
  GetWindowThreadProcessId(h, &owner);
  owned += owner == DWORD(pid);
  return TRUE;
}

int Counts(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (!p) return 1;
  for (HWND parent : {GetDesktopWindow(), HWND_MESSAGE})
    for (HWND w = nullptr; (w = FindWindowExW(parent, w, nullptr, nullptr));)
      Owned(w, pid), EnumChildWindows(w, Owned, pid);
  PROCESS_MEMORY_COUNTERS mem{};
  GetProcessMemoryInfo(p, &mem, sizeof mem);  // its commit charge: Wine leaves PrivateUsage at 0
  printf("handles=%ld gdi=%ld user=%ld private=%lu\n", Handles(pid), GdiObjects(p), owned,
         static_cast<unsigned long>(mem.PagefileUsage));
  return 0;
}

// A protected list of one entry for Everyone on the key in both views.
int Readable(const wstring& key, bool yes) {
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
          yes ? L"D:P(A;;KA;;;WD)" : L"D:P(D;;0x19;;;WD)", SDDL_REVISION_1, &sd, nullptr))
    return 1;  // 0x19: query values, list sub-keys, notify
  for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
    HKEY k;
    const LSTATUS s = RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, WRITE_DAC | view, &k);
    if (s == ERROR_FILE_NOT_FOUND) continue;  // a view without that key
    if (s || RegSetKeySecurity(k, DACL_SECURITY_INFORMATION, sd)) return 1;
  }
  return 0;
}

int Run(const std::vector<wstring>& a) {
  const size_t n = a.size();
  const wstring cmd = n ? a[0] : L"";
  auto ms = [&](size_t i) { return n > i ? wcstoul(a[i].c_str(), nullptr, 10) : 30000; };
  if (cmd == L"readable" && n == 3) return Readable(a[1], a[2] == L"yes");
  if (cmd == L"hold" && n == 3) {
    HANDLE f = CreateFileW(a[1].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 1;
    CloseHandle(CreateFileW(a[2].c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    for (int i = 0; i < 2400 && GetFileAttributesW(a[2].c_str()) != INVALID_FILE_ATTRIBUTES; ++i)
      Sleep(50);
    return 0;
  }
  HWND top = n >= 2 ? Wait(a[1], cmd == L"controls" ? ms(2) : 30000,
                           cmd == L"msgbox" ? L"#32770" : nullptr)
                    : nullptr;
  if (!top) return 1;
  if (cmd == L"msgbox") {  // the box's text has the same id everywhere
    printf("%ls|%ls\n", OneLine(TextOf(GetDlgItem(top, 0xFFFF))).c_str(), MsgBoxIcon(top).c_str());
    PostMessageW(top, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(GetDlgItem(top, IDOK)));
    for (int i = 0; i < 250 && IsWindowVisible(top); ++i) Sleep(20);
    return IsWindowVisible(top);
  }
  if (cmd == L"counts") return Counts(top);
  if (cmd == L"close") return !PostMessageW(top, WM_CLOSE, 0, 0);
  if (cmd == L"controls") {
    for (HWND c = GetWindow(top, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
      wchar_t cls[64] = {};
      GetClassNameW(c, cls, 64);
      RECT r;
      GetWindowRect(c, &r);
      MapWindowPoints(HWND_DESKTOP, top, reinterpret_cast<POINT*>(&r), 2);
      printf("%ls|%d|%ls|%ld,%ld,%ld,%ld\n", cls, GetDlgCtrlID(c), OneLine(TextOf(c)).c_str(),
             r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
    return 0;
  }
  RECT r;
  GUITHREADINFO gui{};
  gui.cbSize = sizeof gui;
  if (cmd == L"window" && GetClientRect(top, &r))
    return printf("%lx|%ld,%ld\n", GetWindowLongW(top, GWL_STYLE), r.right, r.bottom), 0;
  if (cmd == L"focus" && GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &gui) &&
      gui.hwndFocus)
    return printf("%ls\n", OneLine(TextOf(gui.hwndFocus)).c_str()), 0;
  if (cmd == L"key" && n == 3) {
    SetForegroundWindow(top);
    if (GetForegroundWindow() != top) return 1;  // the key would go elsewhere
    INPUT in[2] = {};
    for (INPUT& i : in) i.type = INPUT_KEYBOARD, i.ki.wVk = a[2] == L"TAB" ? VK_TAB : VK_SPACE;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    return SendInput(2, in, sizeof(INPUT)) != 2;
  }
  HWND control = n >= 3 ? FindWindowExW(top, nullptr, nullptr, a[2].c_str()) : nullptr;
  if (control && cmd == L"click") return !PostMessageW(control, BM_CLICK, 0, 0);
  if (!control || cmd != L"pixels") return 1;
  const Shot shot(control);
  for (size_t i = 3; i < n; ++i) {
    const DWORD rgb = wcstoul(a[i].c_str(), nullptr, 16);
    long count = 0;
    for (size_t p = 0; p < shot.n; ++p) count += (shot.bits[p] & 0xFFFFFF) == rgb;
    printf("%ld\n", count);
  }
  return 0;
}

}  // namespace

int main() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  SetProcessDPIAware();  // real pixels where the system would scale a program that does not say so
  const int status = Run(std::vector<wstring>(argv + 1, argv + argc));
  return fflush(stdout), status;
}
