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

wstring Lower(wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(std::towlower(c));
  return s;
}

// Hands out a value as the system does: with a buffer too short, only the size it needs.
int32_t Deliver(const FakeRegistry::Value& v, uint32_t* type, uint8_t* data, uint32_t* cbData) {
  const auto size = static_cast<uint32_t>(v.data.size());
  const bool fits = !data || (cbData && *cbData >= size);
  if (cbData) *cbData = size;
  if (!fits) return cbData ? win::ERROR_MORE_DATA : win::ERROR_INVALID_PARAMETER;
  if (type) *type = v.type;
  if (data && size) std::memcpy(data, v.data.data(), size);
  return 0;
}

}  // namespace

bool CaseInsensitiveLess::operator()(const wstring& a, const wstring& b) const {
  return Lower(a) < Lower(b);
}

string FakeCodePage::ToAnsi(const wstring& text) {
  string out;
  for (wchar_t c : text) out += static_cast<char>(static_cast<uint32_t>(c) < 256 ? c : L'?');
  return out;
}

wstring FakeCodePage::FromAnsi(const string& bytes) {
  wstring out;
  for (char c : bytes) out += static_cast<wchar_t>(static_cast<unsigned char>(c));
  return out;
}

void FakeFiles::Add(const wstring& path, uint32_t attributes) {
  for (size_t s = path.find(L'\\', 3); s != wstring::npos; s = path.find(L'\\', s + 1))
    entries.try_emplace(path.substr(0, s)).first->second.attributes |= 0x10;
  entries[path] = FakeFile();
  entries[path].attributes = attributes;
}

// A folder's entries matching "*", "*.ext" or a whole name: the patterns the program uses.
int32_t FakeFiles::FindFirstFile(const wstring& pattern, FindData& data) {
  const wstring folder = Lower(pattern.substr(0, pattern.rfind(L'\\') + 1));
  const wstring mask = Lower(pattern.substr(folder.size())), tail = mask.substr(1);
  std::vector<FindData>& found = finds_[nextFind_];
  for (auto it = entries.lower_bound(folder);
       it != entries.end() && Lower(it->first.substr(0, folder.size())) == folder; ++it) {
    const wstring name = Lower(it->first.substr(folder.size()));
    const bool matches = mask[0] == L'*' ? name.size() >= tail.size() &&
                                               name.substr(name.size() - tail.size()) == tail
                                         : name == mask;
    if (matches && name.find(L'\\') == wstring::npos)
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

uint32_t FakeFiles::GetFileAttributes(const wstring& path) {
  const FakeFile* f = Get(path);
  lastError_ = f ? win::ERROR_ACCESS_DENIED : win::ERROR_FILE_NOT_FOUND;
  if (!f || (f->pending && f->onDelete == FakeFile::OnDelete::PendingFat))
    return win::INVALID_FILE_ATTRIBUTES;
  return f->attributes;
}

FakeFile& FakeRuntime::Existing(const wstring& path) {
  FakeFile* f = files_.Get(path);
  if (!f) throw RuntimeError(kErrFileNotFound, {}, win::ERROR_FILE_NOT_FOUND);
  return *f;
}

void FakeRuntime::SetAttr(const wstring& path, uint32_t attributes) {
  FakeFile* f = &Existing(path);
  if (!f->linkTarget.empty()) f = &Existing(f->linkTarget);  // follows the link, as Wine does
  f->attributes = (f->attributes & win::FILE_ATTRIBUTE_DIRECTORY) | attributes;
}

void FakeRuntime::Kill(const wstring& path) {
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

int32_t FakeRegistry::Check(const char* call, int32_t otherwise) {
  ++calls;
  for (auto& f : failures_) {
    if (f.call != call || f.times == 0) continue;
    if (f.times > 0) --f.times;
    return f.code;
  }
  return otherwise;
}

wstring FakeRegistry::Resolve(RegKey hKey, const wstring& subKey, uint32_t sam) const {
  const bool root = hKey >= win::HKEY_CLASSES_ROOT && hKey <= win::HKEY_DYN_DATA;
  const bool view64 = wow64_ && hKey == win::HKEY_LOCAL_MACHINE && (sam & win::KEY_WOW64_64KEY);
  auto it = handles_.find(hKey);
  wstring id =
      root ? std::to_wstring(view64 ? 64 : hKey) : (it == handles_.end() ? L"" : it->second);
  // Only a leading backslash is refused; doubled and trailing ones are skipped, as Windows does.
  if (id.empty() || subKey.rfind(L'\\', 0) == 0) return L"";
  for (size_t start = 0, end = 0; start < subKey.size(); start = end + 1) {
    end = std::min(subKey.find(L'\\', start), subKey.size());
    if (end > start) id += L"\\" + subKey.substr(start, end - start);
  }
  return id;
}

wstring FakeRegistry::Id(const wstring& path, bool view64) const {
  const size_t slash = std::min(path.find(L'\\'), path.size());
  for (uint32_t i = 0; i < 7; ++i)
    if (Lower(path.substr(0, slash)) == Lower(kRoots[i]))
      return Resolve(win::HKEY_CLASSES_ROOT + i, path.substr(std::min(slash + 1, path.size())),
                     view64 ? win::KEY_WOW64_64KEY : 0);
  return L"";
}

int32_t FakeRegistry::Open(const char* call, RegKey hKey, const wstring& subKey, uint32_t sam,
                           RegKey& result) {
  if (int32_t code = Check(call)) return code;
  const wstring id = Resolve(hKey, subKey, sam);
  if (id.empty()) return kBadPathname;
  handles_[result = next_ += 4] = id;
  return 0;
}

// The values of a key sort together: after its id and a line break, before the next character.
std::pair<FakeRegistry::Values::iterator, FakeRegistry::Values::iterator> FakeRegistry::ValuesOf(
    const wstring& id) {
  return {values_.lower_bound(id + L'\n'), values_.lower_bound(id + L'\x0B')};
}

void FakeRegistry::SetValue(const wstring& path, const wstring& name, uint32_t type, Bytes data,
                            bool view64) {
  values_[Id(path, view64) + L'\n' + name] = {type, std::move(data)};
}

const FakeRegistry::Value* FakeRegistry::GetValue(const wstring& path, const wstring& name,
                                                  bool view64) {
  auto it = values_.find(Id(path, view64) + L'\n' + name);
  return it == values_.end() ? nullptr : &it->second;
}

int32_t FakeRegistry::RegQueryValueEx(RegKey hKey, const wstring& valueName, uint32_t* type,
                                      uint8_t* data, uint32_t* cbData) {
  if (onQuery) onQuery(valueName);
  if (int32_t code = Check("RegQueryValueEx")) return code;
  const wstring id = Resolve(hKey);
  auto v = values_.find(id + L'\n' + valueName);
  if (id.empty()) return win::ERROR_INVALID_HANDLE;
  return v == values_.end() ? win::ERROR_FILE_NOT_FOUND : Deliver(v->second, type, data, cbData);
}

int32_t FakeRegistry::RegSetValueEx(RegKey hKey, const wstring& valueName, uint32_t, uint32_t type,
                                    const uint8_t* data, uint32_t cbData) {
  if (int32_t code = Check("RegSetValueEx")) return code;
  const wstring id = Resolve(hKey);
  if (id.empty()) return win::ERROR_INVALID_HANDLE;
  values_[id + L'\n' + valueName] = {type, Bytes(data, data + (data ? cbData : 0))};
  return 0;
}

int32_t FakeRegistry::RegDeleteValue(RegKey hKey, const wstring& valueName) {
  if (int32_t code = Check("RegDeleteValue")) return code;
  const wstring id = Resolve(hKey);
  if (id.empty()) return win::ERROR_INVALID_HANDLE;
  return values_.erase(id + L'\n' + valueName) ? 0 : win::ERROR_FILE_NOT_FOUND;
}

int32_t FakeRegistry::RegQueryInfoKey(RegKey hKey, char*, uint32_t* clsLen, uint32_t* subKeys,
                                      uint32_t* maxSubKeyLen, uint32_t* maxClassLen,
                                      uint32_t* values, uint32_t* maxValueNameLen,
                                      uint32_t* maxValueLen, uint32_t*, uint64_t*) {
  if (int32_t code = Check("RegQueryInfoKey")) return code;
  const wstring id = Resolve(hKey);
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
  if (int32_t code = Check("RegEnumValue")) return code;
  const wstring id = Resolve(hKey);
  if (id.empty()) return win::ERROR_INVALID_HANDLE;
  const auto [first, last] = ValuesOf(id);
  if (index >= static_cast<uint32_t>(std::distance(first, last))) return win::ERROR_NO_MORE_ITEMS;
  const auto v = std::next(first, index);
  const string a(v->first.begin() + id.size() + 1, v->first.end());
  // A name without room for its NUL does not fit either; the data's size is reported then too.
  const int32_t code = Deliver(v->second, type, a.size() < nameLen ? data : nullptr, dataLen);
  if (code || a.size() >= nameLen) return win::ERROR_MORE_DATA;
  std::memcpy(name, a.c_str(), a.size() + 1);
  nameLen = static_cast<uint32_t>(a.size());
  return 0;
}

}  // namespace test
}  // namespace qc
