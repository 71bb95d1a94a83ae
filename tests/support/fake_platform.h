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

class FakePlatform : public Platform {
 public:
  FakePlatform() : registry(&log), runtime(log), files(log), forms(log) {}
  CallLog log;
  FakeCodePage codePage;
  FakeRegistry registry;
  FakeRuntime runtime;
  FakeFiles files;
  FakeForms forms;

  ICodePage& CodePage() override { return codePage; }
  IRegistry& Registry() override { return registry; }
  IRuntime& Runtime() override { return runtime; }
  IFiles& Files() override { return files; }
  IForms& Forms() override { return forms; }
};

}  // namespace qc::test
