#include "support/fake_platform.h"

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <iterator>

namespace qc {

// In native builds the process's own platform is the double.
Platform& DefaultPlatform() {
  static test::FakePlatform platform;
  return platform;
}

namespace test {
namespace {

constexpr int32_t kBadPathname = 161;
const wchar_t* const kRoots[] = {
    L"HKEY_CLASSES_ROOT",     L"HKEY_CURRENT_USER",   L"HKEY_LOCAL_MACHINE", L"HKEY_USERS",
    L"HKEY_PERFORMANCE_DATA", L"HKEY_CURRENT_CONFIG", L"HKEY_DYN_DATA"};

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
  for (size_t s = path.find(L'\\', 3); s != std::wstring::npos; s = path.find(L'\\', s + 1))
    entries.try_emplace(path.substr(0, s)).first->second.attributes |= 0x10;
  entries[path] = FakeFile();
  entries[path].attributes = attributes;
}

FakeFile* FakeFiles::Get(const std::wstring& path) {
  auto it = entries.find(path);
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

// The entries still to come are kept last first.
int32_t FakeFiles::FindFirstFile(const std::wstring& pattern, FindData& data) {
  const std::wstring folder = Lower(pattern.substr(0, pattern.rfind(L'\\') + 1));
  const std::wstring mask = Lower(pattern.substr(folder.size()));
  std::vector<FindData>& found = finds_[nextFind_];
  for (auto it = entries.lower_bound(folder);
       it != entries.end() && Lower(it->first.substr(0, folder.size())) == folder; ++it) {
    const std::wstring name = Lower(it->first.substr(folder.size()));
    if (name.find(L'\\') == std::wstring::npos && Matches(mask, name))
      found.push_back(
          {it->second.attributes, 0, 0, it->second.reparseTag, {name.begin(), name.end()}});
  }
  std::reverse(found.begin(), found.end());
  if (found.empty()) finds_.erase(nextFind_);
  return FindNextFile(nextFind_++, data) ? nextFind_ - 1 : win::INVALID_HANDLE_VALUE;
}

int32_t FakeFiles::FindNextFile(int32_t handle, FindData& data) {
  auto it = finds_.find(handle);
  lastError_ = it == finds_.end() ? win::ERROR_FILE_NOT_FOUND : win::ERROR_NO_MORE_FILES;
  if (it == finds_.end() || it->second.empty()) return 0;
  data = it->second.back();
  it->second.pop_back();
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
  boxes.push_back({prompt, style, title != nullptr});
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
    files_.entries.erase(path);
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

int32_t FakeWindows::SendMessage(int32_t hwnd, uint32_t msg, int32_t, const std::wstring& text) {
  if (msg == win::LB_ADDSTRING) listBoxes[hwnd].push_back(text);
  if (msg == win::LB_ADDSTRING && onAddString) onAddString();
  return 0;
}

bool CaseInsensitiveLess::operator()(const std::wstring& a, const std::wstring& b) const {
  return Lower(a) < Lower(b);
}

int32_t FakeRegistry::Check(const char* call, const std::wstring& name) {
  ++calls;
  for (auto& f : failures_) {
    if (f.call != call || f.times == 0 || Lower(name).find(Lower(f.match)) == std::wstring::npos)
      continue;
    if (f.times > 0) --f.times;
    return f.code;
  }
  return 0;
}

std::wstring FakeRegistry::Resolve(RegKey hKey, const std::wstring& subKey, uint32_t sam) const {
  const bool root = hKey >= win::HKEY_CLASSES_ROOT && hKey <= win::HKEY_DYN_DATA;
  const bool view64 = wow64_ && hKey == win::HKEY_LOCAL_MACHINE && (sam & win::KEY_WOW64_64KEY);
  auto it = handles_.find(hKey);
  std::wstring id =
      root ? std::to_wstring(view64 ? 64 : hKey) : (it == handles_.end() ? L"" : it->second);
  // Only a leading backslash is refused; doubled and trailing ones are skipped, as Windows does.
  if (id.empty() || subKey.rfind(L'\\', 0) == 0) return L"";
  for (size_t start = 0, end = 0; start < subKey.size(); start = end + 1) {
    end = std::min(subKey.find(L'\\', start), subKey.size());
    if (end > start) id += L"\\" + subKey.substr(start, end - start);
  }
  return id;
}

std::wstring FakeRegistry::Id(const std::wstring& path, bool view64) const {
  const size_t slash = std::min(path.find(L'\\'), path.size());
  for (uint32_t i = 0; i < 7; ++i)
    if (Lower(path.substr(0, slash)) == Lower(kRoots[i]))
      return Resolve(win::HKEY_CLASSES_ROOT + i, path.substr(std::min(slash + 1, path.size())),
                     view64 ? win::KEY_WOW64_64KEY : 0);
  return L"";
}

void FakeRegistry::Make(const std::wstring& id) {
  for (size_t s = id.find(L'\\'); s != std::wstring::npos; s = id.find(L'\\', s + 1))
    keys_.insert(id.substr(0, s));
  keys_.insert(id);
}

// The values of a key sort together: after its id and a line break, before the next character.
std::pair<FakeRegistry::Values::iterator, FakeRegistry::Values::iterator> FakeRegistry::ValuesOf(
    const std::wstring& id) {
  return {values_.lower_bound(id + L'\n'), values_.lower_bound(id + L'\x0B')};
}

void FakeRegistry::SetValue(const std::wstring& path, const std::wstring& name, uint32_t type,
                            std::vector<uint8_t> data, bool view64) {
  const std::wstring id = Id(path, view64);
  Make(id);
  values_[id + L'\n' + name] = {type, std::move(data)};
}

void FakeRegistry::SetString(const std::wstring& path, const std::wstring& name,
                             const std::string& text, bool view64) {
  std::vector<uint8_t> data(text.begin(), text.end());
  data.push_back(0);
  SetValue(path, name, win::REG_SZ, std::move(data), view64);
}

const FakeRegistry::Value* FakeRegistry::GetValue(const std::wstring& path,
                                                  const std::wstring& name, bool view64) {
  auto it = values_.find(Id(path, view64) + L'\n' + name);
  return it == values_.end() ? nullptr : &it->second;
}

int32_t FakeRegistry::Open(const char* call, RegKey hKey, const std::wstring& subKey, uint32_t sam,
                           bool create, RegKey& result) {
  if (int32_t code = Check(call, subKey)) return code;
  const std::wstring id = Resolve(hKey, subKey, sam);
  if (id.empty()) return kBadPathname;
  if (create) Make(id);
  if (id.find(L'\\') != std::wstring::npos && !keys_.count(id)) return win::ERROR_FILE_NOT_FOUND;
  handles_[result = next_ += 4] = id;
  return 0;
}

int32_t FakeRegistry::RegCloseKey(RegKey hKey) {
  ++calls;
  return handles_.erase(hKey) ? 0 : win::ERROR_INVALID_HANDLE;
}

int32_t FakeRegistry::RegQueryValueEx(RegKey hKey, const std::wstring& valueName, uint32_t* type,
                                      uint8_t* data, uint32_t* cbData) {
  if (onQuery) onQuery(valueName);
  if (int32_t code = Check("RegQueryValueEx", valueName)) return code;
  const std::wstring id = Resolve(hKey, L"", 0);
  auto v = values_.find(id + L'\n' + valueName);
  if (id.empty() || v == values_.end())
    return id.empty() ? win::ERROR_INVALID_HANDLE : win::ERROR_FILE_NOT_FOUND;
  if (type) *type = v->second.type;
  const auto size = static_cast<uint32_t>(v->second.data.size());
  if (data && (!cbData || *cbData < size)) {
    if (cbData) *cbData = size;
    return cbData ? win::ERROR_MORE_DATA : win::ERROR_INVALID_PARAMETER;
  }
  if (data && size) std::memcpy(data, v->second.data.data(), size);
  if (cbData) *cbData = size;
  return 0;
}

int32_t FakeRegistry::RegSetValueEx(RegKey hKey, const std::wstring& valueName, uint32_t,
                                    uint32_t type, const uint8_t* data, uint32_t cbData) {
  if (int32_t code = Check("RegSetValueEx", valueName)) return code;
  const std::wstring id = Resolve(hKey, L"", 0);
  if (id.empty()) return win::ERROR_INVALID_HANDLE;
  values_[id + L'\n' + valueName] = {type, std::vector<uint8_t>(data, data + (data ? cbData : 0))};
  return 0;
}

int32_t FakeRegistry::RegDeleteValue(RegKey hKey, const std::wstring& valueName) {
  if (int32_t code = Check("RegDeleteValue", valueName)) return code;
  const std::wstring id = Resolve(hKey, L"", 0);
  if (id.empty()) return win::ERROR_INVALID_HANDLE;
  return values_.erase(id + L'\n' + valueName) ? 0 : win::ERROR_FILE_NOT_FOUND;
}

int32_t FakeRegistry::RegQueryInfoKey(RegKey hKey, char*, uint32_t* clsLen, uint32_t* subKeys,
                                      uint32_t* maxSubKeyLen, uint32_t* maxClassLen,
                                      uint32_t* values, uint32_t* maxValueNameLen,
                                      uint32_t* maxValueLen, uint32_t*, uint64_t*) {
  if (int32_t code = Check("RegQueryInfoKey", L"")) return code;
  const std::wstring id = Resolve(hKey, L"", 0);
  if (id.empty()) return win::ERROR_INVALID_HANDLE;
  const auto [first, last] = ValuesOf(id);
  *clsLen = *subKeys = *maxSubKeyLen = *maxClassLen = *maxValueNameLen = *maxValueLen = 0;
  *values = static_cast<uint32_t>(std::distance(first, last));
  for (auto v = first; v != last; ++v) {
    *maxValueNameLen = std::max<uint32_t>(*maxValueNameLen, v->first.size() - id.size() - 1);
    *maxValueLen = std::max<uint32_t>(*maxValueLen, v->second.data.size());
  }
  return 0;
}

int32_t FakeRegistry::RegEnumValue(RegKey hKey, uint32_t index, char* name, uint32_t& nameLen,
                                   uint32_t* type, uint8_t* data, uint32_t* dataLen) {
  if (int32_t code = Check("RegEnumValue", L"")) return code;
  const std::wstring id = Resolve(hKey, L"", 0);
  if (id.empty()) return win::ERROR_INVALID_HANDLE;
  const auto [first, last] = ValuesOf(id);
  if (index >= static_cast<uint32_t>(std::distance(first, last))) return win::ERROR_NO_MORE_ITEMS;
  const auto v = std::next(first, index);
  const std::string a(v->first.begin() + id.size() + 1, v->first.end());
  const auto size = static_cast<uint32_t>(v->second.data.size());
  const bool fits = a.size() < nameLen && !(data && dataLen && *dataLen < size);
  if (dataLen) *dataLen = size;
  if (!fits) return win::ERROR_MORE_DATA;
  std::memcpy(name, a.c_str(), a.size() + 1);
  nameLen = static_cast<uint32_t>(a.size());
  if (type) *type = v->second.type;
  if (data && size) std::memcpy(data, v->second.data.data(), size);
  return 0;
}

}  // namespace test
}  // namespace qc
