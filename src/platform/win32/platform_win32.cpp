#include "platform/win32/win32_platform.h"

namespace qc {
namespace win32 {

Win32Platform& TheWin32Platform() {
  static Win32Platform platform;
  return platform;
}

void* SystemProc(const wchar_t* dll, const char* name) {
  HMODULE module = GetModuleHandleW(dll);
  if (!module) module = LoadLibraryW(dll);
  return module ? reinterpret_cast<void*>(GetProcAddress(module, name)) : nullptr;
}

bool ExactPath(const std::wstring& path, std::string& ansi) {
  if (ExactAnsi(path, ansi)) return true;
  SetLastError(ERROR_INVALID_PARAMETER);
  return false;
}

std::string Ansi(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}

bool ExactAnsi(const std::wstring& text, std::string& out) {
  out.clear();
  if (text.find(L'\0') != std::wstring::npos) return false;  // the call would stop at it
  if (text.empty()) return true;
  // No best fit: a character without its own code must not become a look-alike ('\xFF33' is
  // not 'S'), as the name would then be another one. UTF-8 has an exact form for every
  // character but a lone surrogate, and takes neither the flag nor the used-default check.
  const bool utf8 = GetACP() == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  BOOL* used = utf8 ? nullptr : &usedDefault;
  const int length = static_cast<int>(text.size());
  const int n = WideCharToMultiByte(CP_ACP, flags, text.data(), length, nullptr, 0, nullptr, used);
  if (n <= 0 || usedDefault) return false;
  out.assign(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, flags, text.data(), length, out.data(), n, nullptr, nullptr);
  return true;
}

std::wstring Wide(const std::string& ansi) {
  if (ansi.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), out.data(), n);
  return out;
}

}  // namespace win32

Platform& DefaultPlatform() {
  return win32::TheWin32Platform();
}

}  // namespace qc
