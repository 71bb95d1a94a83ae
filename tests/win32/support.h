// What the tests on the real platform share: a scratch key per test with the system's reg.exe as
// an independent reader, a scratch folder, list boxes read back, message boxes recorded instead of
// shown, and a probe for handles left open.
#pragma once
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

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

// reg.exe's exit code (its output appended to *out if given); `reg query KEY /v NAME` (NAME empty:
// /ve) as the value's line with blanks collapsed, e.g. "n REG_DWORD 0x102", or "" when there is no
// such value.
int RunReg(const std::string& args, std::string* out = nullptr);
std::string RegQuery(const std::string& regKey, const std::string& name, const char* extra = "");

// "Empty", "True", "False", "Long 258", "String 'abc'": type and value in one text.
inline std::string Show(const Variant& v) {
  if (v.type() == VarType::Empty) return "Empty";
  if (v.type() == VarType::Boolean) return v.num() != 0 ? "True" : "False";
  if (v.type() == VarType::Long) return "Long " + std::to_string(static_cast<long long>(v.num()));
  return "String '" + win32::Ansi(v.str()) + "'";
}

// The value the next handle of this process takes. A handle left open takes the slot a closed
// one freed, so the value moves on: the same value before and after means nothing was left open.
inline uintptr_t NextHandle() {
  HANDLE probe = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  CloseHandle(probe);
  return reinterpret_cast<uintptr_t>(probe);
}

// A folder under %TEMP% with the files and folders a test makes in it, all deleted at the end.
struct ScratchFolder {
  explicit ScratchFolder(const std::string& name);
  ~ScratchFolder();
  std::string Folder(const std::string& name);                   // made, its full path
  std::string File(const std::string& name, LONGLONG size = 0);  // made (sparse), its full path
  std::string path;
  std::vector<std::string> made;
};

// A hidden LISTBOX of this thread and its rows as the control holds them.
struct ListBox {
  ListBox();
  ~ListBox() { DestroyWindow(hwnd); }
  std::vector<std::string> Rows() const;
  HWND hwnd;
  int32_t handle;  // as the classes take a window
};

// Dispatches this thread's messages until none comes for 100 ms (2 s at most): Xvfb's late
// events make Wine restack windows. A quit left by a closed form is dropped.
void Settle();

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
