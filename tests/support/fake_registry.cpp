#include "support/fake_registry.h"

#include <algorithm>
#include <cstring>
#include <cwctype>

#include "platform/win_constants.h"

namespace qc::test {
namespace {

constexpr int32_t kBadPathname = 161, kKeyDeleted = 1018;
constexpr uint32_t kMaximumAllowed = 0x02000000, kWow64Slot = 0xF0000002u;
constexpr uint32_t kWriteBits = win::KEY_SET_VALUE | win::KEY_CREATE_SUB_KEY;
const wchar_t* const kRoots[] = {
    L"HKEY_CLASSES_ROOT",     L"HKEY_CURRENT_USER",   L"HKEY_LOCAL_MACHINE", L"HKEY_USERS",
    L"HKEY_PERFORMANCE_DATA", L"HKEY_CURRENT_CONFIG", L"HKEY_DYN_DATA"};

std::wstring Lower(std::wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(std::towlower(c));
  return s;
}
std::string Ansi(const std::wstring& w) {
  return std::string(w.begin(), w.end());
}
bool IsRoot(RegKey k) {
  return k >= win::HKEY_CLASSES_ROOT && k <= win::HKEY_DYN_DATA;
}
bool IsString(uint32_t t) {
  return t == win::REG_SZ || t == win::REG_EXPAND_SZ || t == win::REG_MULTI_SZ;
}

// Only a leading backslash is refused; doubled and trailing ones are skipped, as the system does.
bool Split(const std::wstring& subKey, std::vector<std::wstring>& parts) {
  if (!subKey.empty() && subKey[0] == L'\\') return false;
  size_t start = 0;
  for (size_t end; start <= subKey.size(); start = end + 1) {
    end = std::min(subKey.find(L'\\', start), subKey.size());
    if (end > start) parts.push_back(subKey.substr(start, end - start));
  }
  return true;
}

void Put(FakeRegistry::Node& n, const std::wstring& name, FakeRegistry::Value v) {
  if (auto* old = n.Find(name))
    *old = std::move(v);
  else
    n.values.emplace_back(name, std::move(v));
}

}  // namespace

bool CaseInsensitiveLess::operator()(const std::wstring& a, const std::wstring& b) const {
  return Lower(a) < Lower(b);
}

FakeRegistry::Value* FakeRegistry::Node::Find(const std::wstring& name) {
  for (auto& [n, v] : values)
    if (Lower(n) == Lower(name)) return &v;
  return nullptr;
}

// Injected failures first; then a name the system could not take unchanged (a NUL, or a
// character outside Latin-1, the double's code page) is refused with "invalid parameter".
int32_t FakeRegistry::Check(const char* call, const std::wstring& name) {
  ++calls;
  for (auto& f : failures_) {
    if (f.call != call || f.times == 0) continue;
    if (!f.match.empty() && Lower(name).find(Lower(f.match)) == std::wstring::npos) continue;
    if (f.times > 0) --f.times;
    return f.code;
  }
  for (wchar_t c : name)
    if (c == 0 || static_cast<uint32_t>(c) > 0xFF) return win::ERROR_INVALID_PARAMETER;
  return 0;
}

bool FakeRegistry::Resolve(RegKey hKey, const std::wstring& subKey, uint32_t sam,
                           Location& out) const {
  if (IsRoot(hKey)) {
    const bool v64 = wow64_ && hKey == win::HKEY_LOCAL_MACHINE && (sam & win::KEY_WOW64_64KEY);
    out = {v64 ? kWow64Slot : hKey, {}};
  } else {
    auto it = handles_.find(hKey);
    if (it == handles_.end()) return false;
    out = it->second.first;
  }
  return Split(subKey, out.parts);
}

FakeRegistry::Node* FakeRegistry::Walk(const Location& where, bool create) const {
  Node* n = &roots_[where.slot];
  for (const auto& p : where.parts) {
    auto& child = n->keys[p];
    if (!child && !create) {
      n->keys.erase(p);
      return nullptr;
    }
    if (!child) child = std::make_unique<Node>();
    n = child.get();
  }
  return n;
}

bool FakeRegistry::WriteDenied(const Location& where) const {
  for (const auto& d : denied_)
    if (d.slot == where.slot && d.parts.size() <= where.parts.size() &&
        std::equal(d.parts.begin(), d.parts.end(), where.parts.begin(),
                   [](auto& a, auto& b) { return Lower(a) == Lower(b); }))
      return true;
  return false;
}

bool FakeRegistry::ParsePath(const std::wstring& path, View view, Location& out) const {
  const size_t slash = path.find(L'\\');
  for (uint32_t i = 0; i < 7; ++i)
    if (Lower(path.substr(0, slash)) == Lower(kRoots[i])) {
      const uint32_t sam = view == View::Wow64 ? win::KEY_WOW64_64KEY : 0;
      return Resolve(win::HKEY_CLASSES_ROOT + i,
                     slash == std::wstring::npos ? L"" : path.substr(slash + 1), sam, out);
    }
  return false;
}

void FakeRegistry::AddKey(const std::wstring& path, View view) {
  Location where;
  if (ParsePath(path, view, where)) Walk(where, true);
}

void FakeRegistry::SetValue(const std::wstring& keyPath, const std::wstring& name, uint32_t type,
                            std::vector<uint8_t> data, View view) {
  Location where;
  if (ParsePath(keyPath, view, where)) Put(*Walk(where, true), name, {type, std::move(data)});
}

void FakeRegistry::SetString(const std::wstring& keyPath, const std::wstring& name,
                             const std::string& text, View view) {
  std::vector<uint8_t> data(text.begin(), text.end());
  data.push_back(0);
  SetValue(keyPath, name, win::REG_SZ, std::move(data), view);
}

void FakeRegistry::SetDword(const std::wstring& keyPath, const std::wstring& name, uint32_t v,
                            View view) {
  SetValue(keyPath, name, win::REG_DWORD,
           {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}, view);
}

bool FakeRegistry::HasKey(const std::wstring& path, View view) const {
  Location where;
  return ParsePath(path, view, where) && Walk(where);
}

const FakeRegistry::Value* FakeRegistry::GetValue(const std::wstring& keyPath,
                                                  const std::wstring& name, View view) const {
  Location where;
  Node* n = ParsePath(keyPath, view, where) ? Walk(where) : nullptr;
  return n ? n->Find(name) : nullptr;
}

void FakeRegistry::DenyWrite(const std::wstring& path, View view) {
  Location where;
  if (ParsePath(path, view, where)) denied_.push_back(where);
}

int32_t FakeRegistry::RegOpenKeyEx(RegKey hKey, const std::wstring& subKey, uint32_t options,
                                   uint32_t samDesired, RegKey& result) {
  if (log_)
    log_->Add("RegOpenKeyEx", CallLog::Hex(hKey), subKey, options, CallLog::Hex(samDesired));
  if (int32_t code = Check("RegOpenKeyEx", subKey)) return code;
  Location where;
  if (!Resolve(hKey, subKey, samDesired, where)) return kBadPathname;
  if (!Walk(where)) return win::ERROR_FILE_NOT_FOUND;
  if ((samDesired & kWriteBits) && WriteDenied(where)) return win::ERROR_ACCESS_DENIED;
  handles_[result = nextHandle_ += 4] = {where, samDesired};
  return 0;
}

int32_t FakeRegistry::RegCreateKey(RegKey hKey, const std::wstring& subKey, RegKey& result) {
  if (int32_t code = Check("RegCreateKey", subKey)) return code;
  return Create(hKey, subKey, kMaximumAllowed, result, nullptr);
}

int32_t FakeRegistry::RegCreateKeyEx(RegKey hKey, const std::wstring& subKey, uint32_t,
                                     const std::wstring*, uint32_t, uint32_t samDesired,
                                     RegKey& result, uint32_t* disposition) {
  if (int32_t code = Check("RegCreateKeyEx", subKey)) return code;
  return Create(hKey, subKey, samDesired, result, disposition);
}

// Asking for the maximum allowed opens an existing read-only key; asking for write rights not.
int32_t FakeRegistry::Create(RegKey hKey, const std::wstring& subKey, uint32_t sam, RegKey& result,
                             uint32_t* disposition) {
  Location where;
  if (!Resolve(hKey, subKey, sam, where)) return kBadPathname;
  const bool existed = Walk(where), denied = WriteDenied(where);
  if (denied && (!existed || ((sam & kWriteBits) && !(sam & kMaximumAllowed))))
    return win::ERROR_ACCESS_DENIED;
  Walk(where, true);
  if (disposition) *disposition = existed ? win::REG_OPENED_EXISTING_KEY : win::REG_CREATED_NEW_KEY;
  const uint32_t access =
      (sam & kMaximumAllowed) ? (denied ? win::KEY_READ : win::KEY_ALL_ACCESS) : sam;
  handles_[result = nextHandle_ += 4] = {where, access};
  return 0;
}

int32_t FakeRegistry::RegCloseKey(RegKey hKey) {
  if (log_) log_->Add("RegCloseKey", CallLog::Hex(hKey));
  ++calls;
  return IsRoot(hKey) || handles_.erase(hKey) ? 0 : win::ERROR_INVALID_HANDLE;
}

int32_t FakeRegistry::RegQueryValueEx(RegKey hKey, const std::wstring& valueName, uint32_t* type,
                                      uint8_t* data, uint32_t* cbData) {
  if (log_)
    log_->Add("RegQueryValueEx", CallLog::Hex(hKey), valueName, data ? "buffer" : "NULL",
              cbData ? std::to_string(*cbData) : std::string("NULL"));
  if (int32_t code = Check("RegQueryValueEx", valueName)) return code;
  Location where;
  if (!Resolve(hKey, L"", 0, where)) return win::ERROR_INVALID_HANDLE;
  Node* n = Walk(where);
  const Value* v = n ? n->Find(valueName) : nullptr;
  if (!v) return n ? win::ERROR_FILE_NOT_FOUND : kKeyDeleted;
  if (type) *type = v->type;
  const auto size = static_cast<uint32_t>(v->data.size());
  if (data && (!cbData || *cbData < size)) {
    if (cbData) *cbData = size;
    return cbData ? win::ERROR_MORE_DATA : win::ERROR_INVALID_PARAMETER;
  }
  if (data && size) std::memcpy(data, v->data.data(), size);
  if (data && IsString(v->type) && size && size < *cbData && v->data[size - 1]) data[size] = 0;
  if (cbData) *cbData = size;
  return 0;
}

// The node behind a handle opened with the right to set values, or null with the status.
FakeRegistry::Node* FakeRegistry::Writable(RegKey hKey, int32_t& code) {
  auto it = handles_.find(hKey);
  Location where;
  code = win::ERROR_INVALID_HANDLE;
  if (!Resolve(hKey, L"", 0, where)) return nullptr;
  code = win::ERROR_ACCESS_DENIED;
  if ((it != handles_.end() && !(it->second.second & win::KEY_SET_VALUE)) || WriteDenied(where))
    return nullptr;
  code = kKeyDeleted;
  return Walk(where);
}

int32_t FakeRegistry::RegSetValueEx(RegKey hKey, const std::wstring& valueName, uint32_t,
                                    uint32_t type, const uint8_t* data, uint32_t cbData) {
  int32_t code = Check("RegSetValueEx", valueName);
  Node* n = code ? nullptr : Writable(hKey, code);
  if (!n) return code;
  uint32_t count = data ? cbData : 0;
  if (count && IsString(type) && data[count - 1] != 0 && data[count] == 0) ++count;
  Put(*n, valueName, {type, std::vector<uint8_t>(data, data + count)});
  return 0;
}

int32_t FakeRegistry::RegDeleteValue(RegKey hKey, const std::wstring& valueName) {
  if (log_) log_->Add("RegDeleteValue", CallLog::Hex(hKey), valueName);
  int32_t code = Check("RegDeleteValue", valueName);
  Node* n = code ? nullptr : Writable(hKey, code);
  if (!n) return code;
  auto v = std::find_if(n->values.begin(), n->values.end(),
                        [&](const auto& p) { return Lower(p.first) == Lower(valueName); });
  if (v == n->values.end()) return win::ERROR_FILE_NOT_FOUND;
  n->values.erase(v);
  return 0;
}

int32_t FakeRegistry::RegDeleteKey(RegKey hKey, const std::wstring& subKey) {
  if (int32_t code = Check("RegDeleteKey", subKey)) return code;
  return DeleteKeyAt(hKey, subKey, 0);
}

int32_t FakeRegistry::RegDeleteKeyEx(RegKey hKey, const std::wstring& subKey, uint32_t samDesired,
                                     uint32_t) {
  if (int32_t code = Check("RegDeleteKeyEx", subKey)) return code;
  return DeleteKeyAt(hKey, subKey, samDesired);
}

int32_t FakeRegistry::DeleteKeyAt(RegKey hKey, const std::wstring& subKey, uint32_t sam) {
  Location where;
  if (!Resolve(hKey, subKey, sam, where)) return kBadPathname;
  if (where.parts.empty()) return win::ERROR_ACCESS_DENIED;  // a root cannot be deleted
  Node* n = Walk(where);
  if (!n) return win::ERROR_FILE_NOT_FOUND;
  if (!n->keys.empty() || WriteDenied(where)) return win::ERROR_ACCESS_DENIED;
  const std::wstring leaf = where.parts.back();
  where.parts.pop_back();
  Walk(where)->keys.erase(leaf);
  return 0;
}

int32_t FakeRegistry::RegQueryInfoKey(RegKey hKey, char*, uint32_t* clsLen, uint32_t* subKeys,
                                      uint32_t* maxSubKeyLen, uint32_t* maxClassLen,
                                      uint32_t* values, uint32_t* maxValueNameLen,
                                      uint32_t* maxValueLen, uint32_t*, uint64_t*) {
  if (int32_t code = Check("RegQueryInfoKey", L"")) return code;
  Location where;
  Node* n = Resolve(hKey, L"", 0, where) ? Walk(where) : nullptr;
  if (!n) return kKeyDeleted;
  *subKeys = static_cast<uint32_t>(n->keys.size());
  *values = static_cast<uint32_t>(n->values.size());
  *clsLen = *maxClassLen = *maxSubKeyLen = *maxValueNameLen = *maxValueLen = 0;
  for (const auto& [name, child] : n->keys)
    *maxSubKeyLen = std::max<uint32_t>(*maxSubKeyLen, name.size());
  for (const auto& [name, v] : n->values) {
    *maxValueNameLen = std::max<uint32_t>(*maxValueNameLen, name.size());
    *maxValueLen = std::max<uint32_t>(*maxValueLen, v.data.size());
  }
  return 0;
}

int32_t FakeRegistry::RegEnumKeyEx(RegKey hKey, uint32_t index, char* name, uint32_t& nameLen,
                                   char*, uint32_t* clsLen, uint64_t*) {
  if (int32_t code = Check("RegEnumKeyEx", L"")) return code;
  Location where;
  Node* n = Resolve(hKey, L"", 0, where) ? Walk(where) : nullptr;
  if (!n) return kKeyDeleted;
  if (index >= n->keys.size()) return win::ERROR_NO_MORE_ITEMS;
  const std::string a = Ansi(std::next(n->keys.begin(), index)->first);
  if (a.size() >= nameLen) return win::ERROR_MORE_DATA;  // needs room for the NUL
  std::memcpy(name, a.c_str(), a.size() + 1);
  nameLen = static_cast<uint32_t>(a.size());
  if (clsLen) *clsLen = 0;
  return 0;
}

int32_t FakeRegistry::RegEnumValue(RegKey hKey, uint32_t index, char* name, uint32_t& nameLen,
                                   uint32_t* type, uint8_t* data, uint32_t* dataLen) {
  if (int32_t code = Check("RegEnumValue", L"")) return code;
  Location where;
  Node* n = Resolve(hKey, L"", 0, where) ? Walk(where) : nullptr;
  if (!n) return kKeyDeleted;
  if (index >= n->values.size()) return win::ERROR_NO_MORE_ITEMS;
  const auto& [vname, v] = n->values[index];
  const std::string a = Ansi(vname);
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
