// Helpers for tests against the real registry: a scratch key per test, Wine's own reg.exe as an
// independent reader, a process-wide handle count, and a platform that records message boxes
// instead of showing them.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/win32/win32_platform.h"

namespace qc::wintest {

// A key of its own under <root>\Software\QuorinCleanerTests\<unique>, deleted with everything
// below it before use and again at the end. view: 0, KEY_WOW64_32KEY or KEY_WOW64_64KEY; a
// per-machine scratch key is cleaned in both views.
class ScratchKey {
 public:
  explicit ScratchKey(HKEY root = HKEY_CURRENT_USER, REGSAM view = 0);
  ~ScratchKey();
  ScratchKey(const ScratchKey&) = delete;
  ScratchKey& operator=(const ScratchKey&) = delete;

  HKEY root() const { return root_; }
  // "Software\QuorinCleanerTests\<unique>"
  const std::string& SubKey() const { return subKey_; }
  // The path as the registry class takes it: "HKEY_CURRENT_USER\Software\...".
  std::wstring Path(const std::string& below = "") const;
  // The same for reg.exe: "HKCU\Software\...".
  std::string RegPath(const std::string& below = "") const;
  // Creates the key itself (in its view).
  void Create() const;

 private:
  void Clean() const;
  HKEY root_;
  REGSAM view_;
  std::string subKey_;
};

// Deletes a key and all its sub-keys in the given view; true when it is gone afterwards.
bool DeleteTree(HKEY root, const std::string& subKey, REGSAM view = 0);

// Reads a value with the plain A call: nullopt when it cannot be read.
struct RawValue {
  DWORD type = 0;
  std::vector<BYTE> data;
};
std::optional<RawValue> ReadRaw(HKEY root, const std::string& subKey, const std::string& name,
                                REGSAM view = 0);

// Runs the system's reg.exe with the given arguments and returns its exit code and output.
struct ProcessResult {
  DWORD exitCode = 0xFFFFFFFF;
  std::string output;
};
ProcessResult RunReg(const std::string& args);

// `reg query KEY /v NAME [extra]` reduced to the value's line with blanks collapsed, e.g.
// "Count REG_DWORD 0x102"; empty when reg.exe finds no such value.
std::string RegQueryValueLine(const std::string& regKey, const std::string& name,
                              const std::string& extra = "");

// Handles the process holds, counted from the system's handle table (registry keys included);
// -1 when the system does not tell.
long CountOwnHandles();

// The real platform, but message boxes are recorded and answered with OK at once.
struct RecordedBox {
  std::wstring prompt;
  int style = 0;
  std::wstring title;  // "<app>" when none was given
};
class BoxRecordingPlatform : public win32::Win32Platform {
 public:
  IRuntime& Runtime() override { return runtime_; }
  const std::vector<RecordedBox>& boxes() const { return runtime_.boxes; }
  void ClearBoxes() { runtime_.boxes.clear(); }

 private:
  struct Recorder : win32::Win32Runtime {
    int MessageBox(const std::wstring& prompt, int style, const std::wstring* title) override {
      boxes.push_back({prompt, style, title ? *title : std::wstring(L"<app>")});
      return IDOK;
    }
    std::vector<RecordedBox> boxes;
  };
  Recorder runtime_;
};

}  // namespace qc::wintest
