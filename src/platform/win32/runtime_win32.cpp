#include <string>

#include "platform/app_info.h"
#include "platform/runtime_error.h"
#include "platform/win32/win32_platform.h"

namespace qc::win32 {
namespace {

// The runtime's error number for a failed file operation; the Win32 code travels with it.
[[noreturn]] void RaiseFileError(DWORD code) {
  int number = kErrPathFileAccess;
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
      number = kErrFileNotFound;
      break;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_NOT_READY:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_INVALID_NAME:
    case ERROR_DEV_NOT_EXIST:
      number = kErrPathNotFound;
      break;
    default:
      break;
  }
  throw RuntimeError(number, {}, code);
}

int64_t PerformanceCounter() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

int64_t CounterTicksPerMs() {
  static const int64_t ticks = [] {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart / 1000;
  }();
  return ticks;
}

float TwipsPerPixel(int axis) {
  HDC dc = GetDC(nullptr);
  int dpi = dc ? GetDeviceCaps(dc, axis) : 96;
  if (dc) ReleaseDC(nullptr, dc);
  if (dpi <= 0) dpi = 96;
  return 1440.0f / static_cast<float>(dpi);
}

std::wstring ModulePath() {
  std::wstring buf(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n < buf.size()) {
      buf.resize(n);
      return buf;
    }
    buf.resize(buf.size() * 2);
  }
}

double StartProcess(const wchar_t* application, const std::wstring& commandLine, int windowStyle) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = static_cast<WORD>(windowStyle);
  PROCESS_INFORMATION pi{};
  std::wstring mutableLine = commandLine;  // CreateProcessW may write into it
  // The started program gets the system's default error mode, not the one this program set.
  if (!CreateProcessW(application, mutableLine.data(), nullptr, nullptr, FALSE,
                      CREATE_DEFAULT_ERROR_MODE, nullptr, nullptr, &si, &pi)) {
    throw RuntimeError(kErrFileNotFound, {}, GetLastError());
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return static_cast<double>(pi.dwProcessId);
}

}  // namespace

int Win32Runtime::MessageBox(const std::wstring& prompt, int style, const std::wstring* title) {
  // Modal to the program's window, so no click reaches it while the box is open; its timer
  // keeps ticking because the box runs a message loop of its own.
  HWND owner = TheWin32Platform().Win32FormsBackend().MainWindow();
  if (owner && !IsWindow(owner)) owner = nullptr;
  return ::MessageBoxW(owner, prompt.c_str(), title ? title->c_str() : kAppTitle,
                       static_cast<UINT>(style) | MB_SETFOREGROUND);
}

double Win32Runtime::Shell(const std::wstring& commandLine, int windowStyle) {
  return StartProcess(nullptr, commandLine, windowStyle);
}

double Win32Runtime::ShellProgram(const std::wstring& application, const std::wstring& commandLine,
                                  int windowStyle) {
  return StartProcess(application.c_str(), commandLine, windowStyle);
}

void Win32Runtime::SetAttr(const std::wstring& path, uint32_t attributes) {
  const DWORD attrs = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
  // The wide call takes every character as it is, but would stop at a NUL and name another file.
  if (path.find(L'\0') != std::wstring::npos) RaiseFileError(ERROR_INVALID_PARAMETER);
  if (!SetFileAttributesW(path.c_str(), attrs)) RaiseFileError(GetLastError());
}

void Win32Runtime::Kill(const std::wstring& path) {
  if (path.find(L'\0') != std::wstring::npos) RaiseFileError(ERROR_INVALID_PARAMETER);
  if (!DeleteFileW(path.c_str())) RaiseFileError(GetLastError());
}

void Win32Runtime::DoEvents() {
  MSG msg;
  Win32Forms& forms = TheWin32Platform().Win32FormsBackend();
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // leave it for the main loop
      break;
    }
    if (!forms.PreTranslate(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  lastProcessed_ = PerformanceCounter();
}

void Win32Runtime::DoEventsWhenDue() {
  // A system call under Wine, not a server round trip: cheap enough to ask at every point.
  if (PerformanceCounter() - lastProcessed_ >= CounterTicksPerMs()) DoEvents();
}

int64_t Win32Runtime::Now() {
  return NowMilliseconds() / 1000;  // whole seconds
}

int64_t Win32Runtime::NowMilliseconds() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  FILETIME ft;
  SystemTimeToFileTime(&st, &ft);
  const uint64_t ticks = (uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  return static_cast<int64_t>(ticks / 10000ull);
}

void Win32Runtime::WaitForMessagesOrTimeout(uint32_t milliseconds) {
  // MWMO_INPUTAVAILABLE: also wake for messages already queued but not yet removed.
  MsgWaitForMultipleObjectsEx(0, nullptr, milliseconds, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

std::wstring Win32Runtime::AppPath() {
  const std::wstring path = ModulePath();
  const size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return L"";
  // A drive root keeps its backslash ("C:\"), any other folder has none.
  if (slash == 2 && path[1] == L':') return path.substr(0, 3);
  return path.substr(0, slash);
}

std::wstring Win32Runtime::AppEXEName() {
  const std::wstring path = ModulePath();
  const size_t slash = path.find_last_of(L"\\/");
  std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
  const size_t dot = name.find_last_of(L'.');
  if (dot != std::wstring::npos) name.resize(dot);
  return name;
}

std::wstring Win32Runtime::Command() {
  const wchar_t* p = GetCommandLineW();
  if (*p == L'"') {
    ++p;
    while (*p && *p != L'"') ++p;
    if (*p) ++p;
  } else {
    while (*p && *p != L' ' && *p != L'\t') ++p;
  }
  while (*p == L' ' || *p == L'\t') ++p;
  return p;
}

float Win32Runtime::TwipsPerPixelX() {
  return TwipsPerPixel(LOGPIXELSX);
}
float Win32Runtime::TwipsPerPixelY() {
  return TwipsPerPixel(LOGPIXELSY);
}

}  // namespace qc::win32
