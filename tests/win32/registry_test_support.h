// Tests against the real registry: a scratch key per test, the system's reg.exe as an independent
// reader, and message boxes recorded instead of shown.
#pragma once
#include <windows.h>

#include <string>
#include <utility>

#include "platform/variant.h"
#include "platform/win32/win32_platform.h"

namespace qc::wintest {

// <root>\Software\QuorinCleanerTests\<unique>, deleted with all below it in both views before
// use and at the end.
struct ScratchKey {
  explicit ScratchKey(HKEY root = HKEY_CURRENT_USER);
  ~ScratchKey() { Clean(); }
  void Clean() const;
  std::wstring Path(const std::string& below = "") const;  // "HKEY_CURRENT_USER\Software\..."
  std::string Reg(const std::string& below = "") const;    // "\"HKCU\Software\...\"" for reg.exe
  HKEY Create(REGSAM access = KEY_ALL_ACCESS) const;       // the key itself, open
  HKEY root;
  std::string sub;  // "Software\...\<unique>"
};

// reg.exe's exit code; `reg query KEY /v NAME` (NAME empty: /ve) as the value's line with blanks
// collapsed, e.g. "n REG_DWORD 0x102", or "" when there is no such value.
int RunReg(const std::string& args);
std::string RegQuery(const std::string& regKey, const std::string& name, const char* extra = "");

// "Empty", "True", "False", "Long 258", "String 'abc'": type and value in one text.
inline std::string Show(const Variant& v) {
  if (v.type() == VarType::Empty) return "Empty";
  if (v.type() == VarType::Boolean) return v.num() != 0 ? "True" : "False";
  if (v.type() == VarType::Long) return "Long " + std::to_string(static_cast<long long>(v.num()));
  return "String '" + win32::Ansi(v.str()) + "'";
}

// The handles this process holds, registry keys included, from the system's handle table (Wine's
// GetProcessHandleCount answers 0); -1 when the system does not tell.
long Handles();

// The real platform, but each message box is recorded as "text;" and answered at once.
class BoxRecordingPlatform : public win32::Win32Platform {
 public:
  IRuntime& Runtime() override { return runtime_; }
  std::string TakeBoxes() { return std::exchange(runtime_.boxes, {}); }

 private:
  struct Recorder : win32::Win32Runtime {
    int MessageBox(const std::wstring& prompt, int, const std::wstring*) override {
      boxes += win32::Ansi(prompt) + ";";
      return IDOK;
    }
    std::string boxes;
  };
  Recorder runtime_;
};

}  // namespace qc::wintest
