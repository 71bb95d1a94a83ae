#include "support/fake_registry.h"

#include <algorithm>
#include <cstring>
#include <cwctype>

#include "platform/win_constants.h"

namespace qc::test {
namespace {

constexpr int32_t ERROR_BAD_PATHNAME = 161;
constexpr int32_t ERROR_KEY_DELETED = 1018;
constexpr uint32_t kMaximumAllowed = 0x02000000;  // MAXIMUM_ALLOWED
constexpr uint32_t kWriteBits = win::KEY_SET_VALUE | win::KEY_CREATE_SUB_KEY;

std::wstring Lower(const std::wstring& s) {
  std::wstring r = s;
  for (auto& c : r) c = static_cast<wchar_t>(std::towlower(c));
  return r;
}

std::string Ansi(const std::wstring& w) {
  std::string s;
  for (wchar_t c : w) s += static_cast<char>(c < 256 ? c : '?');
  return s;
}

// A name the backend can pass on unchanged: no NUL, every character in the Latin-1 code page.
bool Exact(const std::wstring& name) {
  for (wchar_t c : name)
    if (c == 0 || static_cast<uint32_t>(c) > 0xFF) return false;
  return true;
}

bool SameName(const std::wstring& a, const std::wstring& b) { return Lower(a) == Lower(b); }

const std::pair<const wchar_t*, uint32_t> kRoots[] = {
    {L"HKEY_CLASSES_ROOT", win::HKEY_CLASSES_ROOT},         {L"HKEY_CURRENT_USER", win::HKEY_CURRENT_USER},
    {L"HKEY_LOCAL_MACHINE", win::HKEY_LOCAL_MACHINE},       {L"HKEY_USERS", win::HKEY_USERS},
    {L"HKEY_PERFORMANCE_DATA", win::HKEY_PERFORMANCE_DATA}, {L"HKEY_CURRENT_CONFIG", win::HKEY_CURRENT_CONFIG},
    {L"HKEY_DYN_DATA", win::HKEY_DYN_DATA},
};

bool IsRoot(RegKey k) { return k >= win::HKEY_CLASSES_ROOT && k <= win::HKEY_DYN_DATA; }

bool IsStringType(uint32_t type) {
  return type == win::REG_SZ || type == win::REG_EXPAND_SZ || type == win::REG_MULTI_SZ;
}

}  // namespace

bool CaseInsensitiveLess::operator()(const std::wstring& a, const std::wstring& b) const {
  return Lower(a) < Lower(b);
}

FakeRegistry::Value* FakeRegistry::Node::Find(const std::wstring& name) {
  for (auto& [n, v] : values)
    if (SameName(n, name)) return &v;
  return nullptr;
}

FakeRegistry::FakeRegistry(CallLog* log) : log_(log) {}

FakeRegistry::View FakeRegistry::Effective(View requested) const {
  if (!wow64_) return View::Native;
  return requested == View::Native ? View::Wow32 : requested;
}

FakeRegistry::Node* FakeRegistry::RootNode(uint32_t root, View view) const {
  uint32_t slot = root;
  if (root == win::HKEY_LOCAL_MACHINE && wow64_ && view == View::Wow64) slot = 0xF0000002u;
  auto& self = const_cast<FakeRegistry&>(*this);
  auto& node = self.roots_[slot];
  if (!node) node = std::make_unique<Node>();
  return node.get();
}

bool FakeRegistry::Split(const std::wstring& subKey, std::vector<std::wstring>& parts) {
  if (!subKey.empty() && subKey[0] == L'\\') return false;
  std::wstring cur;
  for (size_t i = 0; i < subKey.size(); ++i) {
    if (subKey[i] == L'\\') {
      // Only a leading backslash is refused; doubled and trailing ones are skipped, as the
      // system's own path parsing does.
      if (cur.empty()) continue;
      parts.push_back(cur);
      cur.clear();
    } else {
      cur += subKey[i];
    }
  }
  if (!cur.empty()) parts.push_back(cur);
  return true;
}

bool FakeRegistry::Resolve(RegKey hKey, uint32_t sam, Location& out) const {
  View requested = View::Native;
  if (sam & win::KEY_WOW64_64KEY) requested = View::Wow64;
  if (sam & win::KEY_WOW64_32KEY) requested = View::Wow32;
  if (IsRoot(hKey)) {
    out.root = hKey;
    out.view = hKey == win::HKEY_LOCAL_MACHINE ? Effective(requested) : View::Native;
    out.parts.clear();
    return true;
  }
  auto it = handles_.find(hKey);
  if (it == handles_.end()) return false;
  out = it->second.where;
  return true;
}

FakeRegistry::Node* FakeRegistry::Walk(const Location& where) const {
  Node* n = RootNode(where.root, where.view);
  for (const auto& p : where.parts) {
    auto it = n->keys.find(p);
    if (it == n->keys.end()) return nullptr;
    n = it->second.get();
  }
  return n;
}

FakeRegistry::Node* FakeRegistry::WalkCreate(const Location& where) {
  Node* n = RootNode(where.root, where.view);
  for (const auto& p : where.parts) {
    auto& child = n->keys[p];
    if (!child) child = std::make_unique<Node>();
    n = child.get();
  }
  return n;
}

bool FakeRegistry::WriteDenied(const Location& where) const {
  for (const auto& d : denied_) {
    if (d.root != where.root || d.view != where.view || d.parts.size() > where.parts.size()) continue;
    bool prefix = true;
    for (size_t i = 0; i < d.parts.size(); ++i) prefix = prefix && SameName(d.parts[i], where.parts[i]);
    if (prefix) return true;
  }
  return false;
}

bool FakeRegistry::Injected(const std::string& call, const std::wstring& a, const std::wstring& b,
                            int32_t& code) {
  for (auto& f : failures_) {
    if (f.call != call || f.times == 0) continue;
    if (!f.match.empty() && Lower(a).find(Lower(f.match)) == std::wstring::npos &&
        Lower(b).find(Lower(f.match)) == std::wstring::npos)
      continue;
    if (f.times > 0) --f.times;
    code = f.code;
    return true;
  }
  return false;
}

RegKey FakeRegistry::NewHandle(const Location& where, uint32_t access) {
  RegKey h = nextHandle_;
  nextHandle_ += 4;
  handles_[h] = Open{where, access};
  ++totalOpened_;
  return h;
}

bool FakeRegistry::ParsePath(const std::wstring& path, View view, Location& out) const {
  size_t slash = path.find(L'\\');
  std::wstring rootName = path.substr(0, slash);
  out.root = 0;
  for (const auto& [name, value] : kRoots)
    if (SameName(rootName, name)) out.root = value;
  if (out.root == 0) return false;
  out.view = out.root == win::HKEY_LOCAL_MACHINE ? Effective(view) : View::Native;
  out.parts.clear();
  return slash == std::wstring::npos || Split(path.substr(slash + 1), out.parts);
}

void FakeRegistry::AddKey(const std::wstring& path, View view) {
  Location where;
  if (ParsePath(path, view, where)) WalkCreate(where);
}

void FakeRegistry::SetValue(const std::wstring& keyPath, const std::wstring& name, uint32_t type,
                            std::vector<uint8_t> data, View view) {
  Location where;
  if (!ParsePath(keyPath, view, where)) return;
  Node* n = WalkCreate(where);
  if (Value* v = n->Find(name)) {
    *v = Value{type, std::move(data)};
  } else {
    n->values.emplace_back(name, Value{type, std::move(data)});
  }
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
  return ParsePath(path, view, where) && Walk(where) != nullptr;
}

const FakeRegistry::Value* FakeRegistry::GetValue(const std::wstring& keyPath,
                                                  const std::wstring& name, View view) const {
  Location where;
  if (!ParsePath(keyPath, view, where)) return nullptr;
  Node* n = Walk(where);
  return n ? n->Find(name) : nullptr;
}

void FakeRegistry::InjectFailure(const std::string& call, int32_t code, const std::wstring& match,
                                 int times) {
  failures_.push_back({call, code, match, times});
}

void FakeRegistry::DenyWrite(const std::wstring& path, View view) {
  Location where;
  if (ParsePath(path, view, where)) denied_.push_back(where);
}

// --- the registry calls ---------------------------------------------------------------------

int32_t FakeRegistry::RegOpenKeyEx(RegKey hKey, const std::wstring& subKey, uint32_t options,
                                   uint32_t samDesired, RegKey& result) {
  if (log_) log_->Add("RegOpenKeyEx", Hex(hKey), subKey, options, Hex(samDesired));
  int32_t code;
  if (Injected("RegOpenKeyEx", subKey, L"", code)) return code;
  if (!Exact(subKey)) return win::ERROR_INVALID_PARAMETER;
  Location where;
  if (!Resolve(hKey, samDesired, where)) return win::ERROR_INVALID_HANDLE;
  std::vector<std::wstring> parts;
  if (!Split(subKey, parts)) return ERROR_BAD_PATHNAME;
  where.parts.insert(where.parts.end(), parts.begin(), parts.end());
  if (!Walk(where)) return win::ERROR_FILE_NOT_FOUND;
  if ((samDesired & kWriteBits) && WriteDenied(where)) return win::ERROR_ACCESS_DENIED;
  result = NewHandle(where, samDesired);
  return win::ERROR_SUCCESS;
}

int32_t FakeRegistry::RegCreateKey(RegKey hKey, const std::wstring& subKey, RegKey& result) {
  if (log_) log_->Add("RegCreateKey", Hex(hKey), subKey);
  int32_t code;
  if (Injected("RegCreateKey", subKey, L"", code)) return code;
  if (!Exact(subKey)) return win::ERROR_INVALID_PARAMETER;
  return Create(hKey, subKey, kMaximumAllowed, result, nullptr);
}

int32_t FakeRegistry::RegCreateKeyEx(RegKey hKey, const std::wstring& subKey, uint32_t reserved,
                                     const std::wstring* cls, uint32_t options, uint32_t samDesired,
                                     RegKey& result, uint32_t* disposition) {
  (void)cls;
  if (log_) log_->Add("RegCreateKeyEx", Hex(hKey), subKey, reserved, options, Hex(samDesired));
  int32_t code;
  if (Injected("RegCreateKeyEx", subKey, L"", code)) return code;
  if (!Exact(subKey)) return win::ERROR_INVALID_PARAMETER;
  return Create(hKey, subKey, samDesired, result, disposition);
}

int32_t FakeRegistry::Create(RegKey hKey, const std::wstring& subKey, uint32_t samDesired,
                             RegKey& result, uint32_t* disposition) {
  Location where;
  if (!Resolve(hKey, samDesired, where)) return win::ERROR_INVALID_HANDLE;
  std::vector<std::wstring> parts;
  if (!Split(subKey, parts)) return ERROR_BAD_PATHNAME;
  where.parts.insert(where.parts.end(), parts.begin(), parts.end());
  const bool existed = Walk(where) != nullptr;
  const bool denied = WriteDenied(where);
  uint32_t access = samDesired;
  if (samDesired == kMaximumAllowed) {
    // The plain create asks for whatever is allowed: an existing read-only key still opens.
    if (denied && !existed) return win::ERROR_ACCESS_DENIED;
    access = denied ? win::KEY_READ : win::KEY_ALL_ACCESS;
  } else if (denied && (!existed || (samDesired & kWriteBits))) {
    return win::ERROR_ACCESS_DENIED;
  }
  WalkCreate(where);
  if (disposition) *disposition = existed ? win::REG_OPENED_EXISTING_KEY : win::REG_CREATED_NEW_KEY;
  result = NewHandle(where, access);
  return win::ERROR_SUCCESS;
}

int32_t FakeRegistry::RegCloseKey(RegKey hKey) {
  if (log_) log_->Add("RegCloseKey", Hex(hKey));
  if (IsRoot(hKey)) return win::ERROR_SUCCESS;
  return handles_.erase(hKey) ? win::ERROR_SUCCESS : win::ERROR_INVALID_HANDLE;
}

int32_t FakeRegistry::RegQueryValueEx(RegKey hKey, const std::wstring& valueName, uint32_t* type,
                                      uint8_t* data, uint32_t* cbData) {
  if (log_)
    log_->Add("RegQueryValueEx", Hex(hKey), valueName, data ? "buffer" : "NULL",
              cbData ? std::to_string(*cbData) : std::string("NULL"));
  int32_t code;
  if (Injected("RegQueryValueEx", valueName, L"", code)) return code;
  if (!Exact(valueName)) return win::ERROR_INVALID_PARAMETER;
  Location where;
  if (!Resolve(hKey, 0, where)) return win::ERROR_INVALID_HANDLE;
  Node* n = Walk(where);
  if (!n) return ERROR_KEY_DELETED;
  const Value* v = n->Find(valueName);
  if (!v) return win::ERROR_FILE_NOT_FOUND;
  if (type) *type = v->type;
  const uint32_t size = static_cast<uint32_t>(v->data.size());
  if (data) {
    if (!cbData) return win::ERROR_INVALID_PARAMETER;
    if (*cbData < size) {
      *cbData = size;
      return win::ERROR_MORE_DATA;
    }
    if (size) std::memcpy(data, v->data.data(), size);
    // An unterminated string gets a zero after it where the buffer has room (not counted).
    if (IsStringType(v->type) && size && size < *cbData && v->data[size - 1] != 0) data[size] = 0;
  }
  if (cbData) *cbData = size;
  return win::ERROR_SUCCESS;
}

int32_t FakeRegistry::RegSetValueEx(RegKey hKey, const std::wstring& valueName, uint32_t reserved,
                                    uint32_t type, const uint8_t* data, uint32_t cbData) {
  if (log_) {
    std::string bytes;
    for (uint32_t i = 0; data && i < cbData; ++i) {
      char b[4];
      std::snprintf(b, sizeof b, "%02X", data[i]);
      bytes += (i ? " " : "") + std::string(b);
    }
    log_->Add("RegSetValueEx", Hex(hKey), valueName, reserved, type, "[" + bytes + "]", cbData);
  }
  int32_t code;
  if (Injected("RegSetValueEx", valueName, L"", code)) return code;
  if (!Exact(valueName)) return win::ERROR_INVALID_PARAMETER;
  auto it = handles_.find(hKey);
  if (it == handles_.end() && !IsRoot(hKey)) return win::ERROR_INVALID_HANDLE;
  if (it != handles_.end() && !(it->second.access & win::KEY_SET_VALUE)) return win::ERROR_ACCESS_DENIED;
  Location where;
  Resolve(hKey, 0, where);
  Node* n = Walk(where);
  if (!n) return ERROR_KEY_DELETED;
  if (WriteDenied(where)) return win::ERROR_ACCESS_DENIED;
  // A string whose count forgot its terminating zero gets it counted when the byte after the
  // data is zero, as the system does (it reads that byte of the caller's buffer too).
  uint32_t count = data ? cbData : 0;
  if (count && IsStringType(type) && data[count - 1] != 0 && data[count] == 0) ++count;
  std::vector<uint8_t> bytes(data, data + count);
  if (Value* v = n->Find(valueName)) {
    *v = Value{type, std::move(bytes)};
  } else {
    n->values.emplace_back(valueName, Value{type, std::move(bytes)});
  }
  return win::ERROR_SUCCESS;
}

int32_t FakeRegistry::RegDeleteValue(RegKey hKey, const std::wstring& valueName) {
  if (log_) log_->Add("RegDeleteValue", Hex(hKey), valueName);
  int32_t code;
  if (Injected("RegDeleteValue", valueName, L"", code)) return code;
  if (!Exact(valueName)) return win::ERROR_INVALID_PARAMETER;
  auto it = handles_.find(hKey);
  if (it == handles_.end() && !IsRoot(hKey)) return win::ERROR_INVALID_HANDLE;
  if (it != handles_.end() && !(it->second.access & win::KEY_SET_VALUE)) return win::ERROR_ACCESS_DENIED;
  Location where;
  Resolve(hKey, 0, where);
  Node* n = Walk(where);
  if (!n) return ERROR_KEY_DELETED;
  if (WriteDenied(where)) return win::ERROR_ACCESS_DENIED;
  auto v = std::find_if(n->values.begin(), n->values.end(),
                        [&](const auto& p) { return SameName(p.first, valueName); });
  if (v == n->values.end()) return win::ERROR_FILE_NOT_FOUND;
  n->values.erase(v);
  return win::ERROR_SUCCESS;
}

int32_t FakeRegistry::RegDeleteKey(RegKey hKey, const std::wstring& subKey) {
  if (log_) log_->Add("RegDeleteKey", Hex(hKey), subKey);
  int32_t code;
  if (Injected("RegDeleteKey", subKey, L"", code)) return code;
  if (!Exact(subKey)) return win::ERROR_INVALID_PARAMETER;
  return DeleteKeyAt(hKey, subKey, 0);
}

int32_t FakeRegistry::RegDeleteKeyEx(RegKey hKey, const std::wstring& subKey, uint32_t samDesired,
                                     uint32_t reserved) {
  if (log_) log_->Add("RegDeleteKeyEx", Hex(hKey), subKey, Hex(samDesired), reserved);
  int32_t code;
  if (Injected("RegDeleteKeyEx", subKey, L"", code)) return code;
  if (!Exact(subKey)) return win::ERROR_INVALID_PARAMETER;
  return DeleteKeyAt(hKey, subKey, samDesired);
}

int32_t FakeRegistry::DeleteKeyAt(RegKey hKey, const std::wstring& subKey, uint32_t samDesired) {
  Location where;
  if (!Resolve(hKey, samDesired, where)) return win::ERROR_INVALID_HANDLE;
  std::vector<std::wstring> parts;
  if (!Split(subKey, parts)) return ERROR_BAD_PATHNAME;
  where.parts.insert(where.parts.end(), parts.begin(), parts.end());
  if (where.parts.empty()) return win::ERROR_ACCESS_DENIED;  // a root cannot be deleted
  Node* n = Walk(where);
  if (!n) return win::ERROR_FILE_NOT_FOUND;
  if (!n->keys.empty() || WriteDenied(where)) return win::ERROR_ACCESS_DENIED;
  Location parent = where;
  parent.parts.pop_back();
  Walk(parent)->keys.erase(where.parts.back());
  return win::ERROR_SUCCESS;
}

int32_t FakeRegistry::RegQueryInfoKey(RegKey hKey, char* cls, uint32_t* clsLen, uint32_t* subKeys,
                                      uint32_t* maxSubKeyLen, uint32_t* maxClassLen, uint32_t* values,
                                      uint32_t* maxValueNameLen, uint32_t* maxValueLen,
                                      uint32_t* securityDescriptor, uint64_t* lastWriteTime) {
  if (log_) log_->Add("RegQueryInfoKey", Hex(hKey));
  int32_t code;
  if (Injected("RegQueryInfoKey", L"", L"", code)) return code;
  Location where;
  if (!Resolve(hKey, 0, where)) return win::ERROR_INVALID_HANDLE;
  Node* n = Walk(where);
  if (!n) return ERROR_KEY_DELETED;
  uint32_t maxKey = 0, maxName = 0, maxData = 0;
  for (const auto& [name, child] : n->keys) maxKey = std::max<uint32_t>(maxKey, Ansi(name).size());
  for (const auto& [name, v] : n->values) {
    maxName = std::max<uint32_t>(maxName, Ansi(name).size());
    maxData = std::max<uint32_t>(maxData, v.data.size());
  }
  if (cls && clsLen && *clsLen) cls[0] = 0;
  if (clsLen) *clsLen = 0;
  if (subKeys) *subKeys = static_cast<uint32_t>(n->keys.size());
  if (maxSubKeyLen) *maxSubKeyLen = maxKey;
  if (maxClassLen) *maxClassLen = 0;
  if (values) *values = static_cast<uint32_t>(n->values.size());
  if (maxValueNameLen) *maxValueNameLen = maxName;
  if (maxValueLen) *maxValueLen = maxData;
  if (securityDescriptor) *securityDescriptor = 0;
  if (lastWriteTime) *lastWriteTime = 0;
  return win::ERROR_SUCCESS;
}

int32_t FakeRegistry::RegEnumKeyEx(RegKey hKey, uint32_t index, char* name, uint32_t& nameLen,
                                   char* cls, uint32_t* clsLen, uint64_t* lastWriteTime) {
  if (log_) log_->Add("RegEnumKeyEx", Hex(hKey), index, nameLen);
  int32_t code;
  if (Injected("RegEnumKeyEx", L"", L"", code)) return code;
  Location where;
  if (!Resolve(hKey, 0, where)) return win::ERROR_INVALID_HANDLE;
  Node* n = Walk(where);
  if (!n) return ERROR_KEY_DELETED;
  if (index >= n->keys.size()) return win::ERROR_NO_MORE_ITEMS;
  auto it = n->keys.begin();
  std::advance(it, index);
  const std::string a = Ansi(it->first);
  if (a.size() >= nameLen) return win::ERROR_MORE_DATA;  // needs room for the NUL
  std::memcpy(name, a.c_str(), a.size() + 1);
  nameLen = static_cast<uint32_t>(a.size());
  if (cls && clsLen && *clsLen) cls[0] = 0;
  if (clsLen) *clsLen = 0;
  if (lastWriteTime) *lastWriteTime = 0;
  return win::ERROR_SUCCESS;
}

int32_t FakeRegistry::RegEnumValue(RegKey hKey, uint32_t index, char* name, uint32_t& nameLen,
                                   uint32_t* type, uint8_t* data, uint32_t* dataLen) {
  if (log_) log_->Add("RegEnumValue", Hex(hKey), index, nameLen, dataLen ? *dataLen : 0);
  int32_t code;
  if (Injected("RegEnumValue", L"", L"", code)) return code;
  Location where;
  if (!Resolve(hKey, 0, where)) return win::ERROR_INVALID_HANDLE;
  Node* n = Walk(where);
  if (!n) return ERROR_KEY_DELETED;
  if (index >= n->values.size()) return win::ERROR_NO_MORE_ITEMS;
  const auto& [vname, v] = n->values[index];
  const std::string a = Ansi(vname);
  const uint32_t size = static_cast<uint32_t>(v.data.size());
  if (a.size() >= nameLen || (data && dataLen && *dataLen < size)) {
    if (dataLen) *dataLen = size;
    return win::ERROR_MORE_DATA;
  }
  std::memcpy(name, a.c_str(), a.size() + 1);
  nameLen = static_cast<uint32_t>(a.size());
  if (type) *type = v.type;
  if (data && size) std::memcpy(data, v.data.data(), size);
  if (dataLen) *dataLen = size;
  return win::ERROR_SUCCESS;
}

}  // namespace qc::test
