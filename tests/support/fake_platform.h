// The test double of the whole platform: an in-memory registry, a scripted runtime (message
// boxes answered from a script, a small file table for attributes and deletion), recorded
// forms, and Latin-1 as the ANSI code page. Every call is recorded in `log`.
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/call_log.h"
#include "support/fake_registry.h"

namespace qc::test {

class FakeCodePage : public ICodePage {
 public:
  std::string ToAnsi(const std::wstring& text) override;
  std::wstring FromAnsi(const std::string& bytes) override;
};

struct MessageBoxCall {
  std::wstring prompt;
  int style = 0;
  std::optional<std::wstring> title;  // nullopt: none given (the application title is shown)
};

class FakeRuntime : public IRuntime {
 public:
  struct File {
    uint32_t attributes = 0x20;
    bool inUse = false;        // Kill fails: sharing violation
    bool directory = false;
    bool writeProtected = false;
  };
  explicit FakeRuntime(CallLog& log) : log_(log) {}

  // Scripting and inspection.
  std::vector<MessageBoxCall> boxes;
  std::deque<int> answers;                // buttons to return; IDOK when empty
  std::function<void()> onMessageBox;     // runs inside the box, as a modal loop would
  std::function<void()> onDoEvents;
  bool shellFails = false;
  std::vector<std::wstring> started;      // command lines given to Shell
  std::map<std::wstring, File> files;     // keyed by lower-case path
  std::vector<std::wstring> missingFolders;  // lower-case prefixes whose folder is absent (76)
  int64_t clock = 0;
  int64_t clockStep = 0;                  // added after every Now()
  int doEvents = 0;
  std::wstring appPath = L"C:\\Tools", exeName = L"app", command;
  float twipsX = 15, twipsY = 15;

  void AddFile(const std::wstring& path, uint32_t attributes = 0x20);
  bool HasFile(const std::wstring& path) const;
  const File* GetFile(const std::wstring& path) const;

  int MessageBox(const std::wstring& prompt, int style, const std::wstring* title) override;
  double Shell(const std::wstring& commandLine, int windowStyle) override;
  void SetAttr(const std::wstring& path, uint32_t attributes) override;
  void Kill(const std::wstring& path) override;
  void DoEvents() override;
  int64_t Now() override;
  std::wstring AppPath() override { return appPath; }
  std::wstring AppEXEName() override { return exeName; }
  std::wstring Command() override { return command; }
  float TwipsPerPixelX() override { return twipsX; }
  float TwipsPerPixelY() override { return twipsY; }

 private:
  File* Lookup(const std::wstring& path, const char* call);
  CallLog& log_;
};

class FakeFiles : public IFiles {
 public:
  explicit FakeFiles(CallLog& log) : log_(log) {}
  bool wow64 = true;  // act as a 32-bit process on 64-bit Windows
  bool redirectionOff = false;

  bool Wow64DisableWow64FsRedirection(uintptr_t& oldValue) override;
  bool Wow64RevertWow64FsRedirection(uintptr_t oldValue) override;

 private:
  CallLog& log_;
};

class FakeForms : public IForms {
 public:
  explicit FakeForms(CallLog& log) : log_(log) {}
  std::optional<FormSpec> form;
  IFormEvents* events = nullptr;
  std::map<int, std::wstring> captions;
  std::map<int, uint32_t> colours;
  int captionWrites = 0;  // SetCaption calls that changed nothing on screen are counted too

  void Click(int id) { events->OnClick(id); }
  void Tick() { events->OnTimer(); }

  void CreateForm(const FormSpec& spec, IFormEvents& ev) override;
  void SetCaption(int controlId, const std::wstring& text) override;
  void SetForeColour(int controlId, uint32_t colour) override;
  std::wstring Caption(int controlId) override { return captions[controlId]; }
  int RunMessageLoop() override { return 0; }

 private:
  CallLog& log_;
};

// Records every windows call; answers from `results` (by call name) or from the fields below.
class FakeWindows : public IWindows {
 public:
  explicit FakeWindows(CallLog& log) : log_(log) {}
  Point32 cursor;
  Rect32 workArea{0, 0, 1024, 738};
  std::map<std::string, int32_t> results;            // e.g. results["FindWindow"] = 0x1234
  std::map<int32_t, std::vector<std::wstring>> listBoxes;  // rows added by LB_ADDSTRING, per window
  std::function<void(uint32_t msg)> onSendMessage;   // runs inside SendMessage (re-entrancy tests)

  int32_t SetWindowPos(int32_t hwnd, int32_t insertAfter, int32_t x, int32_t y, int32_t cx,
                       int32_t cy, uint32_t flags) override;
  int32_t SetWindowLong(int32_t hwnd, int32_t index, int32_t value) override;
  int32_t FindWindow(const std::wstring* className, const std::wstring* windowName) override;
  int32_t FindWindowEx(int32_t parent, int32_t childAfter, const std::wstring* className,
                       const std::wstring* windowName) override;
  int32_t SendMessage(int32_t hwnd, uint32_t msg, int32_t wParam, int32_t lParam) override;
  int32_t SendMessage(int32_t hwnd, uint32_t msg, int32_t wParam,
                      const std::wstring& text) override;
  int32_t DefWindowProc(int32_t hwnd, uint32_t msg, int32_t wParam, int32_t lParam) override;
  int32_t ReleaseCapture() override;
  int32_t ShowCursor(int32_t show) override;
  int32_t SetCursorPos(int32_t x, int32_t y) override;
  int32_t GetCursorPos(Point32& point) override;
  int32_t SystemParametersInfo(uint32_t action, uint32_t param, Rect32& rect,
                               uint32_t winIni) override;
  int32_t SystemParametersInfo(uint32_t action, uint32_t param, const std::wstring& text,
                               uint32_t winIni) override;
  int32_t SystemParametersInfo(uint32_t action, uint32_t param, int32_t& value,
                               uint32_t winIni) override;
  void keybd_event(uint8_t vk, uint8_t scan, uint32_t flags, uint32_t extraInfo) override;
  int32_t ExitWindowsEx(uint32_t flags, uint32_t reason) override;
  int32_t GetMenu(int32_t hwnd) override;
  int32_t GetSubMenu(int32_t menu, int32_t position) override;
  int32_t GetMenuItemID(int32_t menu, int32_t position) override;
  int32_t SetMenuItemBitmaps(int32_t menu, uint32_t item, uint32_t flags, int32_t uncheckedBitmap,
                             int32_t checkedBitmap) override;

 private:
  int32_t Result(const std::string& call, int32_t fallback) const {
    auto it = results.find(call);
    return it == results.end() ? fallback : it->second;
  }
  CallLog& log_;
};

class FakePlatform : public Platform {
 public:
  FakePlatform() : registry(&log), runtime(log), files(log), forms(log), windows(log) {}
  CallLog log;
  FakeCodePage codePage;
  FakeRegistry registry;
  FakeRuntime runtime;
  FakeFiles files;
  FakeForms forms;
  FakeWindows windows;

  ICodePage& CodePage() override { return codePage; }
  IRegistry& Registry() override { return registry; }
  IRuntime& Runtime() override { return runtime; }
  IFiles& Files() override { return files; }
  IForms& Forms() override { return forms; }
  IWindows& Windows() override { return windows; }
};

}  // namespace qc::test
