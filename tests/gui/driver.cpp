// qcdrive: works a real window from outside for the GUI tests, and does inside Wine what they
// need done there. One command per run; results on stdout, one item per line. Exit status 0 on
// success, 1 on a failure or timeout, 2 on bad usage. Windows are found by their exact caption
// among the visible top-level windows; texts are printed with \ | CR LF escaped as \\ \| \r \n.
//   wait-window CAPTION MS     wait-gone CAPTION MS     close CAPTION
//   controls CAPTION           class|id|text|left,top,width,height per child, in z (= tab) order
//   first-controls CAPTION MS  the same, the moment the window shows (before its first tick)
//   window CAPTION             style|client-width,client-height|pid
//   focus CAPTION              text of the control with the keyboard focus
//   key CAPTION TAB|SPACE      the key pressed, the window brought to the front first
//   click CAPTION BUTTON       BM_CLICK posted to the button with that text
//   msgbox TITLE MS            text|icon of a message box (icon: none, hand, question,
//                              exclamation, information, unknown); msgbox-ok answers it with OK
//   pixels CAPTION TEXT RRGGBB screen pixels of exactly that colour in the control with that text
//   counts PID                 handles=N gdi=N user=N private=BYTES (-1: cannot be read)
//   attrib [r][h][s] PATH...   getattr PATH... (hex or "missing")
//   hold PATH FLAGFILE         keeps PATH open without sharing while FLAGFILE exists; says "held"
//   readable HKLM-KEY yes|no   lets everyone read the key (both views), or denies it to everyone
#include <windows.h>
// After <windows.h>, which they need.
#include <aclapi.h>
#include <psapi.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using std::wstring;

void Out(const wstring& line) {
  std::string s(static_cast<size_t>(line.size()) * 3 + 1, '\0');
  s.resize(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, &s[0],
                                                   static_cast<int>(s.size()), nullptr, nullptr)));
  if (!s.empty()) s.back() = '\n';  // the terminator's place
  fwrite(s.data(), 1, s.size(), stdout);
}

wstring Escape(const wstring& s) {
  wstring r;
  for (wchar_t c : s)
    r += c == L'\\'   ? L"\\\\"
         : c == L'|'  ? L"\\|"
         : c == L'\r' ? L"\\r"
         : c == L'\n' ? L"\\n"
                      : wstring(1, c);
  return r;
}

wstring ClassOf(HWND h) {
  wchar_t buf[256] = {};
  GetClassNameW(h, buf, 256);
  return buf;
}

// WM_GETTEXT reads any control across processes; the timeout keeps a hung target from hanging us.
wstring TextOf(HWND h) {
  DWORD_PTR len = 0, got = 0;
  if (!SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &len)) return L"";
  std::vector<wchar_t> buf(len + 1, L'\0');
  SendMessageTimeoutW(h, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()),
                      SMTO_ABORTIFHUNG, 5000, &got);
  return buf.data();
}

struct Query {
  const wstring* text;
  const wchar_t* cls;  // null: any class
  bool control;
  HWND found;
};

// Top-level windows by caption; for controls, by text with the mnemonic '&' left out.
BOOL CALLBACK Match(HWND h, LPARAM lp) {
  auto* q = reinterpret_cast<Query*>(lp);
  if (!IsWindowVisible(h) || (q->cls && lstrcmpiW(ClassOf(h).c_str(), q->cls) != 0)) return TRUE;
  wchar_t caption[512] = {};  // a top-level caption is read without a message to the window
  wstring t = q->control ? TextOf(h) : (GetWindowTextW(h, caption, 512), caption), plain;
  for (wchar_t c : t)
    if (c != L'&') plain += c;
  if (t != *q->text && plain != *q->text) return TRUE;
  q->found = h;
  return FALSE;
}

HWND Find(const wstring& caption, const wchar_t* cls = nullptr, HWND parent = nullptr) {
  Query q{&caption, cls, parent != nullptr, nullptr};
  if (parent)
    EnumChildWindows(parent, Match, reinterpret_cast<LPARAM>(&q));
  else
    EnumWindows(Match, reinterpret_cast<LPARAM>(&q));
  return q.found;
}

HWND Wait(const wstring& caption, unsigned long ms, const wchar_t* cls = nullptr, DWORD poll = 20) {
  for (ULONGLONG end = GetTickCount64() + ms;; Sleep(poll)) {
    if (HWND h = Find(caption, cls)) return h;
    if (GetTickCount64() >= end) return nullptr;
  }
}

// A screen rectangle's pixels, each 0x00RRGGBB, through the callback's drawing (default: the
// screen).
std::vector<DWORD> Pixels(const RECT& r, bool (*paint)(HDC, const RECT&, const void*) = nullptr,
                          const void* arg = nullptr) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return {};
  HDC screen = GetDC(nullptr), mem = CreateCompatibleDC(screen);
  BITMAPINFO bi = {};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  std::vector<DWORD> px;
  HGDIOBJ old = SelectObject(mem, dib);
  if (paint ? paint(mem, r, arg) : BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY) != 0) {
    GdiFlush();
    px.assign(static_cast<DWORD*>(bits), static_cast<DWORD*>(bits) + w * h);
    for (DWORD& v : px) v &= 0xFFFFFF;
  }
  SelectObject(mem, old);
  DeleteObject(dib);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return px;
}

RECT ScreenRect(HWND h) {
  RECT r;
  GetWindowRect(h, &r);
  return r;
}

// A message box's icon: another process's icon handle means nothing here, so each standard icon
// is drawn on the background the box shows in its corner and compared with the screen.
struct Candidate {
  HICON icon;
  DWORD background;
};
bool DrawCandidate(HDC dc, const RECT& r, const void* arg) {
  auto* c = static_cast<const Candidate*>(arg);
  HBRUSH brush =
      CreateSolidBrush(RGB(c->background >> 16, (c->background >> 8) & 0xFF, c->background & 0xFF));
  RECT all = {0, 0, r.right - r.left, r.bottom - r.top};
  FillRect(dc, &all, brush);
  DeleteObject(brush);
  return DrawIconEx(dc, 0, 0, c->icon, 0, 0, 0, nullptr, DI_NORMAL) != 0;
}
wstring MsgBoxIcon(HWND box) {
  HWND icon = nullptr;
  for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    if (IsWindowVisible(c) && (GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
        ClassOf(c) == L"Static")
      icon = c;
  if (!icon) return L"none";
  const wchar_t* names[] = {L"hand", L"question", L"exclamation", L"information"};
  for (int attempt = 0; attempt < 40; ++attempt, Sleep(50)) {  // until the box has painted
    const std::vector<DWORD> shown = Pixels(ScreenRect(icon));
    if (shown.empty()) continue;
    for (int i = 0; i < 4; ++i) {
      Candidate c{LoadIconW(nullptr, MAKEINTRESOURCEW(32513 + i)), shown[0]};
      const std::vector<DWORD> mine = Pixels(ScreenRect(icon), DrawCandidate, &c);
      size_t same = 0;
      for (size_t p = 0; p < shown.size() && p < mine.size(); ++p) {
        bool close = true;  // within 8 in each channel
        for (int bit = 0; bit < 24; bit += 8)
          close &= abs(static_cast<int>((shown[p] >> bit) & 0xFF) -
                       static_cast<int>((mine[p] >> bit) & 0xFF)) <= 8;
        same += close;
      }
      if (same * 100 >= shown.size() * 95) return names[i];
    }
  }
  return L"unknown";
}

// The system's handle table (class 16) as ntdll gives it to a 32-bit process; Wine's
// GetProcessHandleCount answers 0.
long Handles(DWORD pid) {
  struct Entry {
    USHORT pid, backTrace;
    UCHAR type, attributes;
    USHORT value;
    PVOID object;
    ULONG access;
  };
  struct Table {
    ULONG count;
    Entry entries[1];
  };
  using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
  auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  std::vector<Table> buf(1 << 12);
  for (int attempt = 0; query && attempt < 16; ++attempt) {
    const ULONG bytes = static_cast<ULONG>(buf.size() * sizeof(Table));
    ULONG needed = 0;
    LONG status = query(16, buf.data(), bytes, &needed);
    if (status == static_cast<LONG>(0xC0000004)) {  // too small
      buf.resize(buf.size() * 2 + needed / sizeof(Table));
      continue;
    }
    if (status < 0) return -1;
    long n = 0;
    for (ULONG i = 0; i < buf[0].count && i < (bytes - offsetof(Table, entries)) / sizeof(Entry);
         ++i)
      n += buf[0].entries[i].pid == static_cast<USHORT>(pid);
    return n;
  }
  return -1;
}

// Wine keeps a process's GDI handles in one private read-write allocation of 64K entries of 24
// bytes (object, owner, ext-type with bit 7 for stock objects, generation, type, flags, user
// pointer); GetGuiResources answers 0. Counts the live entries that are not stock objects.
long GdiObjects(HANDLE process) {
  std::vector<unsigned char> table(0x10000 * 24);
  MEMORY_BASIC_INFORMATION m;
  for (const char* at = nullptr; VirtualQueryEx(process, at, &m, sizeof m) == sizeof m;
       at = static_cast<const char*>(m.BaseAddress) + m.RegionSize) {
    SIZE_T got = 0;
    if (m.State != MEM_COMMIT || m.Type != MEM_PRIVATE || m.Protect != PAGE_READWRITE ||
        m.RegionSize != table.size() ||
        !ReadProcessMemory(process, m.BaseAddress, table.data(), table.size(), &got))
      continue;
    long live = 0, stock = 0;
    for (size_t i = 0; i < table.size(); i += 24) {
      live += table[i + 14] != 0;
      stock += table[i + 14] != 0 && (table[i + 12] & 0x80);
    }
    if (stock >= 10) return live - stock;  // every process has its stock pens, brushes and fonts
  }
  return -1;
}

// USER objects: the windows the process owns, at every level, message-only ones included.
BOOL CALLBACK CountOwned(HWND h, LPARAM lp) {
  auto* t = reinterpret_cast<std::pair<DWORD, long>*>(lp);
  DWORD owner = 0;
  GetWindowThreadProcessId(h, &owner);
  t->second += owner == t->first;
  return TRUE;
}
BOOL CALLBACK CountTree(HWND h, LPARAM lp) {
  CountOwned(h, lp);
  EnumChildWindows(h, CountOwned, lp);  // every descendant
  return TRUE;
}

int Counts(DWORD pid) {
  HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (!p) return 1;
  DWORD handles = 0;
  long gdi = static_cast<long>(GetGuiResources(p, GR_GDIOBJECTS));
  long user = static_cast<long>(GetGuiResources(p, GR_USEROBJECTS));
  std::pair<DWORD, long> owned{pid, 0};
  if (!user) {
    EnumWindows(CountTree, reinterpret_cast<LPARAM>(&owned));
    for (HWND w = nullptr; (w = FindWindowExW(HWND_MESSAGE, w, nullptr, nullptr));)
      CountTree(w, reinterpret_cast<LPARAM>(&owned));
    user = owned.second;
  }
  PROCESS_MEMORY_COUNTERS_EX mem{};
  GetProcessMemoryInfo(p, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&mem), sizeof mem);
  // Wine leaves PrivateUsage at 0; its commit charge is the same figure on Windows.
  printf("handles=%ld gdi=%ld user=%ld private=%lu\n",
         GetProcessHandleCount(p, &handles) && handles ? static_cast<long>(handles) : Handles(pid),
         gdi ? gdi : GdiObjects(p), user,
         static_cast<unsigned long>(mem.PrivateUsage ? mem.PrivateUsage : mem.PagefileUsage));
  CloseHandle(p);
  return 0;
}

int Run(const std::vector<wstring>& a) {
  const size_t n = a.size();
  const wstring cmd = n ? a[0] : L"";
  const unsigned long ms = n == 3 ? wcstoul(a[2].c_str(), nullptr, 10) : 0;
  if (cmd == L"counts" && n == 2) return Counts(wcstoul(a[1].c_str(), nullptr, 10));
  if (cmd == L"getattr") {
    for (size_t i = 1; i < n; ++i) {
      DWORD at = GetFileAttributesW(a[i].c_str());
      at == INVALID_FILE_ATTRIBUTES ? Out(L"missing") : (void)printf("%lx\n", at);
    }
    return 0;
  }
  if (cmd == L"attrib" && n >= 3) {
    DWORD at = 0;
    for (wchar_t c : a[1])
      at |= c == L'r'   ? FILE_ATTRIBUTE_READONLY
            : c == L'h' ? FILE_ATTRIBUTE_HIDDEN
            : c == L's' ? FILE_ATTRIBUTE_SYSTEM
                        : 0;
    for (size_t i = 2; i < n; ++i)
      if (!SetFileAttributesW(a[i].c_str(), at ? at : FILE_ATTRIBUTE_NORMAL)) return 1;
    return 0;
  }
  if (cmd == L"readable" && n == 3) {  // a protected list of one entry for Everyone
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof sid;
    CreateWellKnownSid(WinWorldSid, nullptr, sid, &size);
    const bool yes = a[2] == L"yes";
    const DWORD deny = KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY;
    EXPLICIT_ACCESSW e = {
        yes ? DWORD{KEY_ALL_ACCESS} : deny, yes ? GRANT_ACCESS : DENY_ACCESS, NO_INHERITANCE, {}};
    BuildTrusteeWithSidW(&e.Trustee, sid);
    PACL acl = nullptr;
    if (SetEntriesInAclW(1, &e, nullptr, &acl)) return 1;
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
      HKEY k;
      const LSTATUS s = RegOpenKeyExW(HKEY_LOCAL_MACHINE, a[1].c_str(), 0, WRITE_DAC | view, &k);
      if (s == ERROR_FILE_NOT_FOUND) continue;  // a view without that key
      if (s) return 1;
      const DWORD info = DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION;
      const DWORD r = SetSecurityInfo(k, SE_REGISTRY_KEY, info, nullptr, nullptr, acl, nullptr);
      RegCloseKey(k);
      if (r) return 1;
    }
    return LocalFree(acl), 0;
  }
  if (cmd == L"hold" && n == 3) {
    HANDLE f = CreateFileW(a[1].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 1;
    Out(L"held");
    fflush(stdout);
    for (int i = 0; i < 2400 && GetFileAttributesW(a[2].c_str()) != INVALID_FILE_ATTRIBUTES; ++i)
      Sleep(50);
    CloseHandle(f);
    return 0;
  }
  if (n == 3 && (cmd == L"wait-window" || cmd == L"first-controls")) {
    // The first look polls every millisecond: it must beat the window's first tick.
    HWND h = Wait(a[1], ms, nullptr, cmd == L"wait-window" ? 20 : 1);
    if (!h) return 1;
    if (cmd == L"wait-window") return 0;
  }
  if (n == 3 && cmd == L"wait-gone") {
    for (ULONGLONG end = GetTickCount64() + ms; Find(a[1]); Sleep(20))
      if (GetTickCount64() >= end) return 1;
    return 0;
  }
  if (n == 3 && (cmd == L"msgbox" || cmd == L"msgbox-ok")) {
    HWND box = Wait(a[1], ms, L"#32770");
    if (!box) return 1;
    const wstring text = TextOf(GetDlgItem(box, 0xFFFF));  // the box's text, the same id everywhere
    if (cmd == L"msgbox") return Out(Escape(text) + L"|" + MsgBoxIcon(box)), 0;
    PostMessageW(box, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    for (int i = 0; i < 250 && IsWindowVisible(box); ++i) Sleep(20);
    return IsWindowVisible(box) ? 1 : 0;
  }
  HWND top = n >= 2 ? Find(a[1]) : nullptr;
  if (!top) return n >= 2 ? 1 : 2;
  if (cmd == L"close" && n == 2) return PostMessageW(top, WM_CLOSE, 0, 0) ? 0 : 1;
  if ((cmd == L"controls" && n == 2) || cmd == L"first-controls") {
    for (HWND c = GetWindow(top, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
      RECT r = ScreenRect(c);
      MapWindowPoints(HWND_DESKTOP, top, reinterpret_cast<POINT*>(&r), 2);
      Out(ClassOf(c) + L"|" + std::to_wstring(GetDlgCtrlID(c)) + L"|" + Escape(TextOf(c)) + L"|" +
          std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L"," +
          std::to_wstring(r.right - r.left) + L"," + std::to_wstring(r.bottom - r.top));
    }
    return 0;
  }
  if (cmd == L"window" && n == 2) {
    RECT r;
    GetClientRect(top, &r);
    DWORD pid = 0;
    GetWindowThreadProcessId(top, &pid);
    printf("%lx|%ld,%ld|%lu\n", static_cast<unsigned long>(GetWindowLongW(top, GWL_STYLE)), r.right,
           r.bottom, pid);
    return 0;
  }
  if (cmd == L"focus" && n == 2) {
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &gui) || !gui.hwndFocus) return 1;
    return Out(Escape(TextOf(gui.hwndFocus))), 0;
  }
  if (cmd == L"key" && n == 3 && (a[2] == L"TAB" || a[2] == L"SPACE")) {
    SetForegroundWindow(top);
    if (GetForegroundWindow() != top) return 1;  // the key would go elsewhere
    INPUT in[2] = {};
    for (int i = 0; i < 2; ++i) {
      in[i].type = INPUT_KEYBOARD;
      in[i].ki.wVk = a[2] == L"TAB" ? VK_TAB : VK_SPACE;
      in[i].ki.dwFlags = i ? KEYEVENTF_KEYUP : 0;
    }
    return SendInput(2, in, sizeof(INPUT)) == 2 ? 0 : 1;
  }
  if (cmd == L"click" && n == 3) {
    HWND b = Find(a[2], L"Button", top);
    return b && PostMessageW(b, BM_CLICK, 0, 0) ? 0 : 1;
  }
  if (cmd == L"pixels" && n == 4) {
    HWND c = Find(a[2], nullptr, top);
    if (!c) return 1;
    const DWORD rgb = wcstoul(a[3].c_str(), nullptr, 16);
    long count = 0;
    for (DWORD v : Pixels(ScreenRect(c))) count += v == rgb;
    printf("%ld\n", count);
    return 0;
  }
  return 2;
}

}  // namespace

int main() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  SetProcessDPIAware();  // real pixels where the system would scale a program that does not say so
  const int status = Run(std::vector<wstring>(argv + 1, argv + argc));
  fflush(stdout);
  return status;
}
