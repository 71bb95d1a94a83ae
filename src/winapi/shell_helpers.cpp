#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/system_folder.h"
#include "platform/win_constants.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

// Layout of the ANSI file-information record.
constexpr uint32_t kRecordSize = 352;
constexpr size_t kIconOffset = 0, kIndexOffset = 4, kAttributesOffset = 8;
constexpr size_t kDisplayNameOffset = 12, kDisplayNameSize = 260;
constexpr size_t kTypeNameOffset = 272, kTypeNameSize = 80;

// SHGFI_EXETYPE stays out: combined with the other requests the shell answers only the
// executable type (0 for a document) and fills nothing, so neither the type name nor the image
// list would ever come back.
constexpr uint32_t kLargeIconFlags = win::SHGFI_SYSICONINDEX | win::SHGFI_TYPENAME |
                                     win::SHGFI_DISPLAYNAME | win::SHGFI_SHELLICONSIZE;
constexpr uint32_t kSmallIconFlags = kLargeIconFlags | win::SHGFI_SMALLICON;

const String kOpen = L"Open";
const String kRecycleBin = L"/root,::{645FF040-5081-101B-9F08-00AA002F954E}";
const String kOpenWith = L"rundll32.exe shell32.dll,OpenAs_RunDLL ";
const String kOpenWithProgram = L"\\rundll32.exe";  // in the system folder
const String kExplorerProgram = L"\\explorer.exe";  // in the Windows folder
constexpr int32_t kLastShellFailure = 32;           // ShellExecute results up to this are failures
constexpr int kNormalFocus = 1;                     // window style of the Open With process

void PutLong(std::vector<uint8_t>& r, size_t at, Long v) {
  const auto u = static_cast<uint32_t>(v);
  for (size_t i = 0; i < 4; ++i) r[at + i] = static_cast<uint8_t>(u >> (8 * i));
}

Long GetLong(const std::vector<uint8_t>& r, size_t at) {
  uint32_t u = 0;
  for (size_t i = 0; i < 4; ++i) u |= static_cast<uint32_t>(r[at + i]) << (8 * i);
  return static_cast<Long>(u);
}

// A fixed-length text field: as ANSI, cut or NUL-padded to its byte width.
void PutText(std::vector<uint8_t>& r, size_t at, size_t width, const String& text, ICodePage& cp) {
  const std::string ansi = cp.ToAnsi(text);
  for (size_t i = 0; i < width; ++i)
    r[at + i] = i < ansi.size() ? static_cast<uint8_t>(ansi[i]) : 0;
}

// Back to a fixed-length text of `width` characters (NULs and all), as the field holds it.
String GetText(const std::vector<uint8_t>& r, size_t at, size_t width, ICodePage& cp) {
  String text = cp.FromAnsi(std::string(r.begin() + static_cast<std::ptrdiff_t>(at),
                                        r.begin() + static_cast<std::ptrdiff_t>(at + width)));
  text.resize(width, L'\0');
  return text;
}

// The runtime's upper-casing for the texts this file compares: ASCII and Latin-1 letters.
String UpperCase(const String& text) {
  String out = text;
  for (wchar_t& c : out) {
    if ((c >= L'a' && c <= L'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) {
      c = static_cast<wchar_t>(c - 0x20);
    } else if (c == 0xFF) {
      c = static_cast<wchar_t>(0x178);
    }
  }
  return out;
}

// Fills `info` from the shell: the record goes out in its ANSI form and comes back the same way,
// so the fields keep whatever the last call left in them.
int32_t FillFileInfo(Platform& platform, IShell& shell, const String& fName, FileInformation& info,
                     uint32_t flags) {
  ICodePage& cp = platform.CodePage();
  std::vector<uint8_t> record(kRecordSize, 0);
  PutLong(record, kIconOffset, info.hIcon);
  PutLong(record, kIndexOffset, info.iIcon);
  PutLong(record, kAttributesOffset, info.dwAttributes);
  PutText(record, kDisplayNameOffset, kDisplayNameSize, info.szDisplayName, cp);
  PutText(record, kTypeNameOffset, kTypeNameSize, info.szTypeName, cp);
  const int32_t r = shell.SHGetFileInfo(fName, 0, record, kRecordSize, flags);
  record.resize(kRecordSize, 0);
  info.hIcon = GetLong(record, kIconOffset);
  info.iIcon = GetLong(record, kIndexOffset);
  info.dwAttributes = GetLong(record, kAttributesOffset);
  info.szDisplayName = GetText(record, kDisplayNameOffset, kDisplayNameSize, cp);
  info.szTypeName = GetText(record, kTypeNameOffset, kTypeNameSize, cp);
  return r;
}

// ShellExecute "Open" with the shell's answer; up to 32 the user picks a program instead. The
// dialog's program is named by its path in the system folder: searched for by name, it would be
// taken from the program's or the current folder first, either of which may be a drive the worm
// wrote to. A name cut at a NUL would open, or offer to open, another file: nothing starts.
void OpenOrOfferOpenWith(Platform& platform, IShell& shell, Long handle, const String& sFile,
                         const String* parameters) {
  if (sFile.find(L'\0') != String::npos) return;
  if (parameters && !HasExactAnsiForm(platform.CodePage(), *parameters)) return;
  const int32_t r =
      shell.ShellExecute(handle, &kOpen, sFile, parameters, nullptr, win::SW_SHOWMAXIMIZED);
  if (r > kLastShellFailure) return;
  const String folder = SystemFolder(platform, &ISystem::GetSystemDirectory);
  // No program to start, as when it cannot be found.
  if (folder.empty()) throw RuntimeError(kErrFileNotFound);
  platform.Runtime().ShellProgram(folder + kOpenWithProgram, kOpenWith + sFile, kNormalFocus);
}

}  // namespace

IShell& CWinAPI::ShellApi() {
  // Several shell calls need COM on the calling thread, which the forms runtime set up for its
  // user-interface thread; it stays for the thread's life.
  IShell& shell = platform_.Shell();
  if (!comReady_) {
    shell.CoInitializeEx(win::COINIT_APARTMENTTHREADED);
    comReady_ = true;
  }
  return shell;
}

void CWinAPI::RetrieveIcon(String& fName, Long& DC, Long& icnSize) {
  uint32_t flags = 0;
  if (icnSize == 16) {
    flags = kSmallIconFlags;
  } else if (icnSize == 32) {
    flags = kLargeIconFlags;
  } else {
    return;
  }
  // The call returns the system image list; on failure that is 0, and drawing from it does nothing.
  IShell& shell = ShellApi();
  const int32_t list = FillFileInfo(platform_, shell, fName, FileInfo, flags);
  shell.ImageList_Draw(list, FileInfo.iIcon, DC, 0, 0, win::ILD_TRANSPARENT);
}

String CWinAPI::RetrieveFileTypeName(String& fName) {
  // A refused name or a failed call leaves the record as the previous file had it: its type
  // name is not this file's.
  if (FillFileInfo(platform_, ShellApi(), fName, FileInfo, kSmallIconFlags) == 0) {
    FileInfo.szTypeName.assign(kTypeNameSize, L'\0');
    return String();
  }
  String typeName = FileInfo.szTypeName;
  return StripNull(typeName);
}

void CWinAPI::DocumentList(String& func) {
  String none;
  DocumentList(func, none);
}

void CWinAPI::DocumentList(String& func, String& sName) {
  func = UpperCase(func);
  if (func == L"CLEAR") {
    ShellApi().SHAddToRecentDocs(win::SHARD_PATH, nullptr);
  } else if (func == L"ADD" && HasExactAnsiForm(platform_.CodePage(), sName)) {
    // Changed on its way, the name would be another document's.
    ShellApi().SHAddToRecentDocs(win::SHARD_PATH, &sName);
  }
}

void CWinAPI::ShowRecycleBin(Long& h) {
  // By its path in the Windows folder: a bare name is looked for in the program's own folder
  // first, which may be the worm's drive. Without that folder there is nothing safe to start.
  const String folder = SystemFolder(platform_, &ISystem::GetSystemWindowsDirectory);
  if (folder.empty()) return;
  ShellApi().ShellExecute(h, &kOpen, folder + kExplorerProgram, &kRecycleBin, nullptr,
                          win::SW_SHOWNORMAL);
}

void CWinAPI::OpenWebSite(String& sFile, Long& handle) {
  OpenOrOfferOpenWith(platform_, ShellApi(), handle, sFile, nullptr);
}

void CWinAPI::ExecuteFile(String& sFile, Long& handle) {
  String noParameters;
  ExecuteFile(sFile, handle, noParameters);
}

void CWinAPI::ExecuteFile(String& sFile, Long& handle, String& sParams) {
  OpenOrOfferOpenWith(platform_, ShellApi(), handle, sFile, &sParams);
}

void CWinAPI::SendEmail(String& address, Long& handle) {
  address = L"mailto:" + address;
  ShellApi().ShellExecute(handle, &kOpen, address, nullptr, nullptr, win::SW_SHOWMAXIMIZED);
}

}  // namespace qc
