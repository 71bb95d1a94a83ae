#include "support/fake_platform.h"

#include <cwctype>

#include "platform/win_constants.h"

namespace qc {

// In native builds the process's own platform is the double.
Platform& DefaultPlatform() {
  static test::FakePlatform platform;
  return platform;
}

namespace test {
namespace {

std::wstring Lower(std::wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(std::towlower(c));
  return s;
}

// "*", "*.ext" or a whole name: the patterns the program searches with.
bool Matches(const std::wstring& mask, const std::wstring& name) {
  if (mask.empty() || mask[0] != L'*') return mask == name;
  const size_t tail = mask.size() - 1;
  return name.size() >= tail && name.compare(name.size() - tail, tail, mask, 1) == 0;
}

}  // namespace

std::string FakeCodePage::ToAnsi(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += static_cast<char>(static_cast<uint32_t>(c) < 256 ? c : L'?');
  return out;
}

std::wstring FakeCodePage::FromAnsi(const std::string& bytes) {
  std::wstring out;
  for (char c : bytes) out += static_cast<wchar_t>(static_cast<unsigned char>(c));
  return out;
}

void FakeFiles::Add(const std::wstring& path, uint32_t attributes) {
  const std::wstring key = Lower(path);
  for (size_t s = key.find(L'\\', 3); s != std::wstring::npos; s = key.find(L'\\', s + 1)) {
    auto [folder, made] = entries.try_emplace(key.substr(0, s));
    if (made) folder->second.attributes = 0x10;
  }
  entries[key] = FakeFile();
  entries[key].attributes = attributes;
}

FakeFile* FakeFiles::Get(const std::wstring& path) {
  auto it = entries.find(Lower(path));
  return it == entries.end() ? nullptr : &it->second;
}

bool FakeFiles::Wow64DisableWow64FsRedirection(uintptr_t& old) {
  old = redirectionOff;
  redirectionOff = true;
  return true;
}

bool FakeFiles::Wow64RevertWow64FsRedirection(uintptr_t old) {
  redirectionOff = old != 0;
  return true;
}

int32_t FakeFiles::FindFirstFile(const std::wstring& pattern, FindData& data) {
  const std::wstring folder = Lower(pattern.substr(0, pattern.rfind(L'\\') + 1));
  const std::wstring mask = Lower(pattern.substr(folder.size()));
  std::vector<FindData> found;
  for (auto it = entries.lower_bound(folder);
       it != entries.end() && it->first.compare(0, folder.size(), folder) == 0; ++it) {
    const std::wstring name = it->first.substr(folder.size());
    if (name.find(L'\\') == std::wstring::npos && Matches(mask, name))
      found.push_back(
          {it->second.attributes, 0, 0, it->second.reparseTag, {name.begin(), name.end()}});
  }
  lastError_ = win::ERROR_FILE_NOT_FOUND;
  if (found.empty()) return win::INVALID_HANDLE_VALUE;
  data = found[0];
  finds_[nextFind_] = {std::move(found), 1};
  return nextFind_++;
}

int32_t FakeFiles::FindNextFile(int32_t handle, FindData& data) {
  auto& [found, next] = finds_.at(handle);
  lastError_ = win::ERROR_NO_MORE_FILES;
  if (next >= found.size()) return 0;
  data = found[next++];
  return 1;
}

uint32_t FakeFiles::GetFileAttributes(const std::wstring& path) {
  const FakeFile* f = Get(path);
  lastError_ = f ? win::ERROR_ACCESS_DENIED : win::ERROR_FILE_NOT_FOUND;
  if (!f || (f->pending && f->onDelete == FakeFile::OnDelete::PendingFat))
    return win::INVALID_FILE_ATTRIBUTES;
  return f->attributes;
}

int32_t FakeFiles::MoveFileEx(const std::wstring& path, const std::wstring*, uint32_t) {
  lastError_ = win::ERROR_ACCESS_DENIED;
  if (moveFails) return 0;
  deleteAtReboot.push_back(path);
  return 1;
}

int FakeRuntime::MessageBox(const std::wstring& prompt, int style, const std::wstring* title) {
  boxes.push_back({prompt, style, title ? std::optional<std::wstring>(*title) : std::nullopt});
  if (onMessageBox) onMessageBox();
  return win::IDOK;
}

double FakeRuntime::Shell(const std::wstring&, int) {
  if (shellError) throw RuntimeError(kErrFileNotFound, {}, shellError);
  return 4242;
}

FakeFile& FakeRuntime::Existing(const std::wstring& path) {
  FakeFile* f = files_.Get(path);
  if (!f) throw RuntimeError(kErrFileNotFound, {}, win::ERROR_FILE_NOT_FOUND);
  return *f;
}

void FakeRuntime::SetAttr(const std::wstring& path, uint32_t attributes) {
  FakeFile* f = &Existing(path);
  if (!f->linkTarget.empty()) f = &Existing(f->linkTarget);  // follows the link, as Wine does
  f->attributes = (f->attributes & win::FILE_ATTRIBUTE_DIRECTORY) | attributes;
}

void FakeRuntime::Kill(const std::wstring& path) {
  FakeFile& f = Existing(path);
  if (f.killError) throw RuntimeError(kErrPathFileAccess, {}, f.killError);
  if (f.pending || (f.attributes & win::FILE_ATTRIBUTE_READONLY))
    throw RuntimeError(kErrPathFileAccess, {}, win::ERROR_ACCESS_DENIED);
  if (f.onDelete == FakeFile::OnDelete::Goes) {
    files_.entries.erase(Lower(path));
  } else {
    f.pending = f.onDelete != FakeFile::OnDelete::Stays;
  }
}

int32_t FakeSystem::GetVolumeInformation(const std::wstring&, std::string&, uint32_t, uint32_t*,
                                         uint32_t*, uint32_t* flags, std::string&, uint32_t) {
  if (flags) *flags = volumeFlags;
  return 1;
}

int32_t FakeSystem::GetDiskFreeSpace(const std::wstring&, uint32_t& sectorsPerCluster,
                                     uint32_t& bytesPerSector, uint32_t& freeClusters,
                                     uint32_t& totalClusters) {
  sectorsPerCluster = clusters[0];
  bytesPerSector = clusters[1];
  freeClusters = clusters[2];
  totalClusters = clusters[3];
  return 1;
}

int32_t FakeSystem::AdjustTokenPrivilege(const std::wstring& privilege, bool enable,
                                         bool& wasEnabled) {
  if (!privilegeHeld || privilege != win::SE_SHUTDOWN_NAME) return 0;
  wasEnabled = std::exchange(privilegeEnabled, enable);
  return 1;
}

void FakeForms::CreateForm(const FormSpec& layout, IFormEvents& ev) {
  if (createFails) throw RuntimeError(kErrOutOfMemory, {}, 1400);
  events = &ev;
  for (const auto& c : layout.controls) {
    captions[c.id] = c.caption;
    colours[c.id] = c.foreColour;
  }
}

int32_t FakeWindows::SendMessage(int32_t hwnd, uint32_t msg, int32_t, const std::wstring& text) {
  if (msg == win::LB_ADDSTRING) listBoxes[hwnd].push_back(text);
  if (msg == win::LB_ADDSTRING && onAddString) onAddString();
  return 0;
}

}  // namespace test
}  // namespace qc
