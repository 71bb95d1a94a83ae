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

namespace {
std::string Text(const std::wstring* w) { return w ? "\"" + CallLog::Narrow(*w) + "\"" : "NULL"; }
constexpr uint32_t kListBoxAddString = 0x180;
}  // namespace

int32_t FakeWindows::SetWindowPos(int32_t hwnd, int32_t insertAfter, int32_t x, int32_t y,
                                  int32_t cx, int32_t cy, uint32_t flags) {
  log_.Add("SetWindowPos", hwnd, insertAfter, x, y, cx, cy, CallLog::Hex(flags));
  return Result("SetWindowPos", 1);
}

int32_t FakeWindows::SetWindowLong(int32_t hwnd, int32_t index, int32_t value) {
  log_.Add("SetWindowLong", hwnd, index, CallLog::Hex(static_cast<uint32_t>(value)));
  return Result("SetWindowLong", 0);
}

int32_t FakeWindows::FindWindow(const std::wstring* className, const std::wstring* windowName) {
  log_.Add("FindWindow", Text(className), Text(windowName));
  return Result("FindWindow", 0);
}

int32_t FakeWindows::FindWindowEx(int32_t parent, int32_t childAfter, const std::wstring* className,
                                  const std::wstring* windowName) {
  log_.Add("FindWindowEx", parent, childAfter, Text(className), Text(windowName));
  return Result("FindWindowEx", 0);
}

int32_t FakeWindows::SendMessage(int32_t hwnd, uint32_t msg, int32_t wParam, int32_t lParam) {
  log_.Add("SendMessage", hwnd, CallLog::Hex(msg), wParam, lParam);
  if (onSendMessage) onSendMessage(msg);
  return Result("SendMessage", 0);
}

int32_t FakeWindows::SendMessage(int32_t hwnd, uint32_t msg, int32_t wParam,
                                 const std::wstring& text) {
  log_.Add("SendMessage", hwnd, CallLog::Hex(msg), wParam, text);
  if (msg == kListBoxAddString && hwnd != 0) listBoxes[hwnd].push_back(text);
  if (onSendMessage) onSendMessage(msg);
  return Result("SendMessage", 0);
}

int32_t FakeWindows::DefWindowProc(int32_t hwnd, uint32_t msg, int32_t wParam, int32_t lParam) {
  log_.Add("DefWindowProc", hwnd, CallLog::Hex(msg), wParam, lParam);
  return Result("DefWindowProc", 0);
}

int32_t FakeWindows::ReleaseCapture() {
  log_.Add("ReleaseCapture");
  return Result("ReleaseCapture", 1);
}

int32_t FakeWindows::ShowCursor(int32_t show) {
  log_.Add("ShowCursor", show);
  return Result("ShowCursor", 0);
}

int32_t FakeWindows::SetCursorPos(int32_t x, int32_t y) {
  log_.Add("SetCursorPos", x, y);
  cursor = {x, y};
  return Result("SetCursorPos", 1);
}

int32_t FakeWindows::GetCursorPos(Point32& point) {
  log_.Add("GetCursorPos");
  point = cursor;
  return Result("GetCursorPos", 1);
}

int32_t FakeWindows::SystemParametersInfo(uint32_t action, uint32_t param, Rect32& rect,
                                          uint32_t winIni) {
  log_.Add("SystemParametersInfo", action, param,
           "{" + std::to_string(rect.Left) + "," + std::to_string(rect.Top) + "," +
               std::to_string(rect.Right) + "," + std::to_string(rect.Bottom) + "}",
           winIni);
  constexpr uint32_t kSetWorkArea = 47, kGetWorkArea = 48;
  if (action == kGetWorkArea) rect = workArea;
  if (action == kSetWorkArea) workArea = rect;
  return Result("SystemParametersInfo", 1);
}

int32_t FakeWindows::SystemParametersInfo(uint32_t action, uint32_t param, const std::wstring& text,
                                          uint32_t winIni) {
  log_.Add("SystemParametersInfo", action, param, text, winIni);
  return Result("SystemParametersInfo", 1);
}

int32_t FakeWindows::SystemParametersInfo(uint32_t action, uint32_t param, int32_t& value,
                                          uint32_t winIni) {
  log_.Add("SystemParametersInfo", action, param, "&" + std::to_string(value), winIni);
  return Result("SystemParametersInfo", 1);
}

void FakeWindows::keybd_event(uint8_t vk, uint8_t scan, uint32_t flags, uint32_t extraInfo) {
  log_.Add("keybd_event", CallLog::Hex(vk), scan, flags, extraInfo);
}

int32_t FakeWindows::ExitWindowsEx(uint32_t flags, uint32_t reason) {
  log_.Add("ExitWindowsEx", flags, reason);
  return Result("ExitWindowsEx", 1);
}

int32_t FakeWindows::GetMenu(int32_t hwnd) {
  log_.Add("GetMenu", hwnd);
  return Result("GetMenu", 0);
}

int32_t FakeWindows::GetSubMenu(int32_t menu, int32_t position) {
  log_.Add("GetSubMenu", menu, position);
  return Result("GetSubMenu", 0);
}

int32_t FakeWindows::GetMenuItemID(int32_t menu, int32_t position) {
  log_.Add("GetMenuItemID", menu, position);
  return Result("GetMenuItemID", -1);
}

int32_t FakeWindows::SetMenuItemBitmaps(int32_t menu, uint32_t item, uint32_t flags,
                                        int32_t uncheckedBitmap, int32_t checkedBitmap) {
  log_.Add("SetMenuItemBitmaps", menu, item, flags, uncheckedBitmap, checkedBitmap);
  return Result("SetMenuItemBitmaps", 1);
}

}  // namespace test
}  // namespace qc
