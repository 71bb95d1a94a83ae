#include "support/fake_platform.h"

#include <cwctype>

#include "platform/runtime_error.h"
#include "platform/win_constants.h"

namespace qc {

// In native builds the process's own platform is the double.
Platform& DefaultPlatform() {
  static test::FakePlatform platform;
  return platform;
}

namespace test {
namespace {

std::wstring Lower(const std::wstring& s) {
  std::wstring r = s;
  for (auto& c : r) c = static_cast<wchar_t>(std::towlower(c));
  return r;
}

}  // namespace

std::string FakeCodePage::ToAnsi(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  for (wchar_t c : text) out += static_cast<char>(static_cast<uint32_t>(c) < 256 ? c : L'?');
  return out;
}

std::wstring FakeCodePage::FromAnsi(const std::string& bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  for (char c : bytes) out += static_cast<wchar_t>(static_cast<unsigned char>(c));
  return out;
}

void FakeRuntime::AddFile(const std::wstring& path, uint32_t attributes) {
  files[Lower(path)].attributes = attributes;
}

bool FakeRuntime::HasFile(const std::wstring& path) const { return files.count(Lower(path)) != 0; }

const FakeRuntime::File* FakeRuntime::GetFile(const std::wstring& path) const {
  auto it = files.find(Lower(path));
  return it == files.end() ? nullptr : &it->second;
}

int FakeRuntime::MessageBox(const std::wstring& prompt, int style, const std::wstring* title) {
  log_.Add("MessageBox", prompt, style, title ? *title : std::wstring(L"<app>"));
  boxes.push_back({prompt, style, title ? std::optional<std::wstring>(*title) : std::nullopt});
  if (onMessageBox) onMessageBox();
  int answer = win::IDOK;
  if (!answers.empty()) {
    answer = answers.front();
    answers.pop_front();
  }
  return answer;
}

double FakeRuntime::Shell(const std::wstring& commandLine, int windowStyle) {
  log_.Add("Shell", commandLine, windowStyle);
  if (shellFails) throw RuntimeError(kErrFileNotFound, {}, win::ERROR_FILE_NOT_FOUND);
  started.push_back(commandLine);
  return 4242;
}

FakeRuntime::File* FakeRuntime::Lookup(const std::wstring& path, const char* call) {
  const std::wstring key = Lower(path);
  for (const auto& folder : missingFolders)
    if (key.compare(0, folder.size(), folder) == 0)
      throw RuntimeError(kErrPathNotFound, {}, win::ERROR_PATH_NOT_FOUND);
  auto it = files.find(key);
  if (it == files.end()) throw RuntimeError(kErrFileNotFound, {}, win::ERROR_FILE_NOT_FOUND);
  (void)call;
  return &it->second;
}

void FakeRuntime::SetAttr(const std::wstring& path, uint32_t attributes) {
  log_.Add("SetAttr", path, attributes);
  File* f = Lookup(path, "SetAttr");
  if (f->writeProtected) throw RuntimeError(kErrPathFileAccess, {}, win::ERROR_WRITE_PROTECT);
  f->attributes = (f->attributes & win::FILE_ATTRIBUTE_DIRECTORY) | attributes;
}

void FakeRuntime::Kill(const std::wstring& path) {
  log_.Add("Kill", path);
  File* f = Lookup(path, "Kill");
  if (f->directory) throw RuntimeError(kErrFileNotFound, {}, win::ERROR_FILE_NOT_FOUND);
  if (f->writeProtected) throw RuntimeError(kErrPathFileAccess, {}, win::ERROR_WRITE_PROTECT);
  if (f->inUse) throw RuntimeError(kErrPathFileAccess, {}, win::ERROR_SHARING_VIOLATION);
  if (f->attributes & win::FILE_ATTRIBUTE_READONLY)
    throw RuntimeError(kErrPathFileAccess, {}, win::ERROR_ACCESS_DENIED);
  files.erase(Lower(path));
}

void FakeRuntime::DoEvents() {
  log_.Add("DoEvents");
  ++doEvents;
  if (onDoEvents) onDoEvents();
}

int64_t FakeRuntime::Now() {
  const int64_t now = clock;
  clock += clockStep;
  return now;
}

bool FakeFiles::Wow64DisableWow64FsRedirection(uintptr_t& oldValue) {
  log_.Add("Wow64DisableWow64FsRedirection");
  if (!wow64) return false;
  oldValue = redirectionOff ? 1 : 0;
  redirectionOff = true;
  return true;
}

bool FakeFiles::Wow64RevertWow64FsRedirection(uintptr_t oldValue) {
  log_.Add("Wow64RevertWow64FsRedirection", static_cast<uint32_t>(oldValue));
  if (!wow64) return false;
  redirectionOff = oldValue != 0;
  return true;
}

void FakeForms::CreateForm(const FormSpec& spec, IFormEvents& ev) {
  log_.Add("CreateForm", spec.caption);
  form = spec;
  events = &ev;
  for (const auto& c : spec.controls) {
    captions[c.id] = c.caption;
    colours[c.id] = c.foreColour;
  }
}

void FakeForms::SetCaption(int controlId, const std::wstring& text) {
  log_.Add("SetCaption", controlId, text);
  ++captionWrites;
  captions[controlId] = text;
}

void FakeForms::SetForeColour(int controlId, uint32_t colour) {
  log_.Add("SetForeColour", controlId, CallLog::Hex(colour));
  colours[controlId] = colour;
}

}  // namespace test
}  // namespace qc
