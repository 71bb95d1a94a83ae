#include "support/fake_platform.h"

#include <algorithm>
#include <cstring>
#include <cwctype>

#include "platform/win_constants.h"

namespace qc::test {
namespace {

constexpr int32_t kBadPathname = 161, kKeyDeleted = 1018;
constexpr uint32_t kView64 = 64;  // the id of HKLM's 64-bit view
const wchar_t* const kRoots[] = {
    L"HKEY_CLASSES_ROOT",     L"HKEY_CURRENT_USER",   L"HKEY_LOCAL_MACHINE", L"HKEY_USERS",
    L"HKEY_PERFORMANCE_DATA", L"HKEY_CURRENT_CONFIG", L"HKEY_DYN_DATA"};

std::wstring Lower(std::wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(std::towlower(c));
  return s;
}

FakeRegistry::Values::iterator FindValue(FakeRegistry::Values& values, const std::wstring& name) {
  return std::find_if(values.begin(), values.end(),
                      [&](const auto& v) { return Lower(v.first) == Lower(name); });
}

}  // namespace

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
  std::wstring id;
  auto it = handles_.find(hKey);
  if (hKey >= win::HKEY_CLASSES_ROOT && hKey <= win::HKEY_DYN_DATA) {
    const bool v64 = wow64_ && hKey == win::HKEY_LOCAL_MACHINE && (sam & win::KEY_WOW64_64KEY);
    id = std::to_wstring(v64 ? kView64 : hKey);
  } else if (it != handles_.end()) {
    id = it->second;
  }
  // Only a leading backslash is refused; doubled and trailing ones are skipped, as Windows does.
  if (id.empty() || (!subKey.empty() && subKey[0] == L'\\')) return L"";
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

FakeRegistry::Values* FakeRegistry::Find(const std::wstring& id) {
  if (id.empty()) return nullptr;
  if (id.find(L'\\') == std::wstring::npos) return &keys_[id];
  auto it = keys_.find(id);
  return it == keys_.end() ? nullptr : &it->second;
}

FakeRegistry::Values& FakeRegistry::Make(const std::wstring& id) {
  for (size_t s = id.find(L'\\'); s != std::wstring::npos; s = id.find(L'\\', s + 1))
    keys_.try_emplace(id.substr(0, s));
  return keys_[id];
}

std::vector<std::wstring> FakeRegistry::Children(const std::wstring& id) const {
  std::vector<std::wstring> names;
  const std::wstring prefix = Lower(id + L"\\");
  for (auto it = keys_.lower_bound(prefix);
       it != keys_.end() && Lower(it->first.substr(0, prefix.size())) == prefix; ++it)
    if (it->first.find(L'\\', prefix.size()) == std::wstring::npos)
      names.push_back(it->first.substr(prefix.size()));
  return names;
}

void FakeRegistry::AddKey(const std::wstring& path, bool view64) {
  Make(Id(path, view64));
}

void FakeRegistry::SetValue(const std::wstring& path, const std::wstring& name, uint32_t type,
                            std::vector<uint8_t> data, bool view64) {
  Values& values = Make(Id(path, view64));
  auto v = FindValue(values, name);
  if (v == values.end()) v = values.insert(v, {name, {}});
  v->second = {type, std::move(data)};
}

void FakeRegistry::SetString(const std::wstring& path, const std::wstring& name,
                             const std::string& text, bool view64) {
  std::vector<uint8_t> data(text.begin(), text.end());
  data.push_back(0);
  SetValue(path, name, win::REG_SZ, std::move(data), view64);
}

const FakeRegistry::Value* FakeRegistry::GetValue(const std::wstring& path,
                                                  const std::wstring& name, bool view64) {
  Values* values = Find(Id(path, view64));
  if (!values) return nullptr;
  auto v = FindValue(*values, name);
  return v == values->end() ? nullptr : &v->second;
}

int32_t FakeRegistry::RegOpenKeyEx(RegKey hKey, const std::wstring& subKey, uint32_t, uint32_t sam,
                                   RegKey& result) {
  if (int32_t code = Check("RegOpenKeyEx", subKey)) return code;
  const std::wstring id = Resolve(hKey, subKey, sam);
  if (id.empty()) return kBadPathname;
  if (!Find(id)) return win::ERROR_FILE_NOT_FOUND;
  handles_[result = next_ += 4] = id;
  return 0;
}

int32_t FakeRegistry::Create(const char* call, RegKey hKey, const std::wstring& subKey,
                             uint32_t sam, RegKey& result) {
  if (int32_t code = Check(call, subKey)) return code;
  const std::wstring id = Resolve(hKey, subKey, sam);
  if (id.empty()) return kBadPathname;
  Make(id);
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
  Values* values = Find(Resolve(hKey, L"", 0));
  if (!values) return kKeyDeleted;
  auto v = FindValue(*values, valueName);
  if (v == values->end()) return win::ERROR_FILE_NOT_FOUND;
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
  Values* values = Find(Resolve(hKey, L"", 0));
  if (!values) return kKeyDeleted;
  auto v = FindValue(*values, valueName);
  if (v == values->end()) v = values->insert(v, {valueName, {}});
  v->second = {type, std::vector<uint8_t>(data, data + (data ? cbData : 0))};
  return 0;
}

int32_t FakeRegistry::RegDeleteValue(RegKey hKey, const std::wstring& valueName) {
  if (int32_t code = Check("RegDeleteValue", valueName)) return code;
  Values* values = Find(Resolve(hKey, L"", 0));
  if (!values) return kKeyDeleted;
  auto v = FindValue(*values, valueName);
  if (v == values->end()) return win::ERROR_FILE_NOT_FOUND;
  values->erase(v);
  return 0;
}

int32_t FakeRegistry::DeleteKey(const char* call, RegKey hKey, const std::wstring& subKey,
                                uint32_t sam) {
  if (int32_t code = Check(call, subKey)) return code;
  const std::wstring id = Resolve(hKey, subKey, sam);
  if (id.empty()) return kBadPathname;
  // A root, or a key with sub-keys, cannot be deleted.
  if (id.find(L'\\') == std::wstring::npos || !Children(id).empty())
    return win::ERROR_ACCESS_DENIED;
  return keys_.erase(id) ? 0 : win::ERROR_FILE_NOT_FOUND;
}

int32_t FakeRegistry::RegQueryInfoKey(RegKey hKey, char*, uint32_t* clsLen, uint32_t* subKeys,
                                      uint32_t* maxSubKeyLen, uint32_t* maxClassLen,
                                      uint32_t* values, uint32_t* maxValueNameLen,
                                      uint32_t* maxValueLen, uint32_t*, uint64_t*) {
  if (int32_t code = Check("RegQueryInfoKey", L"")) return code;
  const std::wstring id = Resolve(hKey, L"", 0);
  const Values* own = Find(id);
  if (!own) return kKeyDeleted;
  const std::vector<std::wstring> children = Children(id);
  *subKeys = static_cast<uint32_t>(children.size());
  *values = static_cast<uint32_t>(own->size());
  *clsLen = *maxClassLen = *maxSubKeyLen = *maxValueNameLen = *maxValueLen = 0;
  for (const auto& name : children) *maxSubKeyLen = std::max<uint32_t>(*maxSubKeyLen, name.size());
  for (const auto& [name, v] : *own) {
    *maxValueNameLen = std::max<uint32_t>(*maxValueNameLen, name.size());
    *maxValueLen = std::max<uint32_t>(*maxValueLen, v.data.size());
  }
  return 0;
}

int32_t FakeRegistry::RegEnumKeyEx(RegKey hKey, uint32_t index, char* name, uint32_t& nameLen,
                                   char*, uint32_t* clsLen, uint64_t*) {
  if (int32_t code = Check("RegEnumKeyEx", L"")) return code;
  const std::wstring id = Resolve(hKey, L"", 0);
  if (!Find(id)) return kKeyDeleted;
  const std::vector<std::wstring> children = Children(id);
  if (index >= children.size()) return win::ERROR_NO_MORE_ITEMS;
  const std::string a(children[index].begin(), children[index].end());
  if (a.size() >= nameLen) return win::ERROR_MORE_DATA;  // needs room for the NUL
  std::memcpy(name, a.c_str(), a.size() + 1);
  nameLen = static_cast<uint32_t>(a.size());
  if (clsLen) *clsLen = 0;
  return 0;
}

int32_t FakeRegistry::RegEnumValue(RegKey hKey, uint32_t index, char* name, uint32_t& nameLen,
                                   uint32_t* type, uint8_t* data, uint32_t* dataLen) {
  if (int32_t code = Check("RegEnumValue", L"")) return code;
  Values* values = Find(Resolve(hKey, L"", 0));
  if (!values) return kKeyDeleted;
  if (index >= values->size()) return win::ERROR_NO_MORE_ITEMS;
  const auto& [wide, v] = (*values)[index];
  const std::string a(wide.begin(), wide.end());
  const auto size = static_cast<uint32_t>(v.data.size());
  const bool fits = a.size() < nameLen && !(data && dataLen && *dataLen < size);
  if (dataLen) *dataLen = size;
  if (!fits) return win::ERROR_MORE_DATA;
  std::memcpy(name, a.c_str(), a.size() + 1);
  nameLen = static_cast<uint32_t>(a.size());
  if (type) *type = v.type;
  if (data && size) std::memcpy(data, v.data.data(), size);
  return 0;
}

}  // namespace qc::test
