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

const wchar_t* const kRoots[] = {
    L"HKEY_CLASSES_ROOT",     L"HKEY_CURRENT_USER",   L"HKEY_LOCAL_MACHINE", L"HKEY_USERS",
    L"HKEY_PERFORMANCE_DATA", L"HKEY_CURRENT_CONFIG", L"HKEY_DYN_DATA"};

wstring Lower(wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(std::towlower(c));
  return s;
}

// Hands out a value as the system does: with a buffer too short, only the size it needs.
I Deliver(const FakeRegistry::Value& v, U* type, uint8_t* data, U* cbData) {
  const auto size = static_cast<U>(v.data.size());
  const bool fits = !data || (cbData && *cbData >= size);
  if (cbData) *cbData = size;
  if (!fits) return cbData ? win::ERROR_MORE_DATA : win::ERROR_INVALID_PARAMETER;
  if (type) *type = v.type;
  if (data && size) std::memcpy(data, v.data.data(), size);
  return 0;
}

FakeFile& Existing(FakeFiles& files, W path) {
  FakeFile* f = files.Get(path);
  if (!f) throw RuntimeError(kErrFileNotFound, {}, win::ERROR_FILE_NOT_FOUND);
  return *f;
}

}  // namespace

string FakePlatform::ToAnsi(W text) {
  string out;
  for (wchar_t c : text) out += static_cast<char>(static_cast<U>(c) < 256 ? c : L'?');
  return out;
}

wstring FakePlatform::FromAnsi(const string& bytes) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
  return wstring(b, b + bytes.size());
}

FakeFile& FakeFiles::Add(W path, U attributes) {
  for (size_t s = path.find(L'\\', 3); s != wstring::npos; s = path.find(L'\\', s + 1))
    entries.try_emplace(path.substr(0, s)).first->second.attributes |= 0x10;
  FakeFile& f = entries[path] = FakeFile();
  f.attributes = attributes;
  f.fileIndex = ++nextIndex_;
  return f;
}

// A folder's entries whose names end as the pattern does after its '*' ("*", "*.txt").
I FakeFiles::FindFirstFile(W pattern, FindData& data) {
  const wstring folder = Lower(pattern.substr(0, pattern.rfind(L'\\') + 1));
  const wstring tail = Lower(pattern.substr(folder.size() + 1));
  std::vector<FindData>& found = finds_[nextFind_];
  for (auto it = entries.lower_bound(folder);
       it != entries.end() && Lower(it->first).rfind(folder, 0) == 0; ++it) {
    const wstring name = Lower(it->first.substr(folder.size()));
    if (name.find(L'\\') == wstring::npos && name.size() >= tail.size() &&
        name.compare(name.size() - tail.size(), tail.size(), tail) == 0)
      found.push_back(
          {it->second.attributes, 0, 0, it->second.reparseTag, {name.begin(), name.end()}});
  }
  std::reverse(found.begin(), found.end());
  if (found.empty()) finds_.erase(nextFind_);
  return FindNextFile(nextFind_++, data) ? nextFind_ - 1 : win::INVALID_HANDLE_VALUE;
}

I FakeFiles::FindNextFile(I handle, FindData& data) {
  auto it = finds_.find(handle);
  lastError_ = it == finds_.end() ? win::ERROR_FILE_NOT_FOUND : win::ERROR_NO_MORE_FILES;
  if (it == finds_.end() || it->second.empty()) return 0;
  data = it->second.back();
  it->second.pop_back();
  return 1;
}

U FakeFiles::GetFileAttributes(W path) {
  const FakeFile* f = Get(path);
  lastError_ = f ? win::ERROR_ACCESS_DENIED : win::ERROR_FILE_NOT_FOUND;
  if (!f || (f->pending && f->onDelete == FakeFile::OnDelete::PendingFat))
    return win::INVALID_FILE_ATTRIBUTES;
  return f->attributes;
}

void FakePlatform::SetAttr(W path, U attributes) {
  FakeFile* f = &Existing(files, path);
  if (!f->linkTarget.empty())
    f = &Existing(files, f->linkTarget);  // follows the link, as Wine does
  f->attributes = (f->attributes & win::FILE_ATTRIBUTE_DIRECTORY) | attributes;
}

void FakePlatform::Kill(W path) {
  FakeFile& f = Existing(files, path);
  if (f.killError) throw RuntimeError(kErrPathFileAccess, {}, f.killError);
  for (const FakeProcess& p : processes) {  // a running program's image
    if (p.running && !p.images.empty() && IndexOf(p.images.back()) == f.fileIndex)
      throw RuntimeError(kErrPathFileAccess, {}, win::ERROR_ACCESS_DENIED);
  }
  if (f.pending || (f.attributes & win::FILE_ATTRIBUTE_READONLY))
    throw RuntimeError(kErrPathFileAccess, {}, win::ERROR_ACCESS_DENIED);
  if (f.onDelete == FakeFile::OnDelete::Goes) {
    files.entries.erase(path);
  } else {
    f.pending = f.onDelete != FakeFile::OnDelete::Stays;
  }
}

I FakePlatform::CreateToolhelp32Snapshot(U, U) {
  KernelObject snapshot;
  for (const FakeProcess& p : processes) {
    if (p.running) snapshot.taken.push_back({p.id, p.exeName});
  }
  return Issue(snapshot);
}

I FakePlatform::Process32First(I snapshot, ProcessEntry& entry) {
  kernelHandles_.at(snapshot).next = 0;
  return Process32Next(snapshot, entry);
}

I FakePlatform::Process32Next(I snapshot, ProcessEntry& entry) {
  KernelObject& s = kernelHandles_.at(snapshot);
  if (s.next >= s.taken.size()) return 0;
  entry = s.taken[s.next++];
  return 1;
}

I FakePlatform::OpenProcess(U access, I, U id) {
  for (size_t i = processes.size(); i-- > 0;) {
    if (processes[i].id != id || !processes[i].running) continue;
    if ((access & win::PROCESS_TERMINATE) && !processes[i].endable) {
      lastError_ = win::ERROR_ACCESS_DENIED;
      return 0;
    }
    KernelObject process;
    process.process = i;
    return Issue(process);
  }
  lastError_ = win::ERROR_INVALID_PARAMETER;
  return 0;
}

I FakePlatform::QueryFullProcessImageName(I process, U, wstring& exeName) {
  FakeProcess& p = processes.at(kernelHandles_.at(process).process);
  if (p.images.empty()) return 0;
  exeName = p.images[std::min(p.queries++, p.images.size() - 1)];
  return 1;
}

I FakePlatform::TerminateProcess(I process, U) {
  const size_t i = kernelHandles_.at(process).process;
  if (processes[i].lingers) return 1;
  processes[i].running = false;
  // Copied first: a partner started here may move the list.
  const std::function<void()> onEnd = processes[i].onEnd;
  if (onEnd) onEnd();
  return 1;
}

U FakePlatform::WaitForMultipleObjects(const std::vector<I>& handles, I waitAll, U ms) {
  size_t gone = 0;
  for (I h : handles) gone += processes.at(kernelHandles_.at(h).process).running ? 0 : 1;
  if (gone == handles.size() || (!waitAll && gone > 0)) return win::WAIT_OBJECT_0;
  clock += ms;
  return win::WAIT_TIMEOUT;
}

I FakePlatform::CreateFile(W path, U, U, U, U) {
  KernelObject file;
  file.fileIndex = IndexOf(path);
  if (!file.fileIndex) {
    lastError_ = win::ERROR_FILE_NOT_FOUND;
    return win::INVALID_HANDLE_VALUE;
  }
  return Issue(file);
}

I FakePlatform::GetFileInformationByHandle(I file, FileIdentity& identity) {
  identity = {1, 0, kernelHandles_.at(file).fileIndex};
  return 1;
}

wstring FakeRegistry::Resolve(RegKey hKey, W subKey, U sam) const {
  auto it = handles_.find(hKey);
  wstring id = hKey >= win::HKEY_CLASSES_ROOT && hKey <= win::HKEY_DYN_DATA
                   ? kRoots[hKey - win::HKEY_CLASSES_ROOT]
                   : (it == handles_.end() ? L"" : it->second);
  if (wow64_ && hKey == win::HKEY_LOCAL_MACHINE && (sam & win::KEY_WOW64_64KEY)) id = L"64:" + id;
  // No key name starts with a backslash.
  if (id.empty() || subKey[0] == L'\\') return L"";
  return subKey.empty() ? id : id + L"\\" + subKey;
}

I FakeRegistry::Open(const char* call, RegKey hKey, W subKey, U sam, RegKey& result) {
  if (I code = Check(call)) return code;
  const wstring id = Resolve(hKey, subKey, sam);
  if (id.empty()) return 161;  // ERROR_BAD_PATHNAME
  handles_[result = next_ += 4] = id;
  return 0;
}

I FakeRegistry::RegQueryValueEx(RegKey hKey, W name, U* type, uint8_t* data, U* cbData) {
  if (onQuery) onQuery(name);
  Values* key = nullptr;
  if (I code = Use(__func__, hKey, key)) return code;
  auto v = key->find(name);
  return v == key->end() ? win::ERROR_FILE_NOT_FOUND : Deliver(v->second, type, data, cbData);
}

I FakeRegistry::RegQueryInfoKey(RegKey hKey, char*, U* clsLen, U* subKeys, U* maxSubKeyLen,
                                U* maxClassLen, U* values, U* maxNameLen, U* maxLen, U*,
                                uint64_t*) {
  Values* key = nullptr;
  if (I code = Use(__func__, hKey, key)) return code;
  *clsLen = *subKeys = *maxSubKeyLen = *maxClassLen = *maxNameLen = *maxLen = 0;
  *values = static_cast<U>(key->size());
  for (const auto& [name, v] : *key) {
    *maxNameLen = std::max<U>(*maxNameLen, name.size());
    *maxLen = std::max<U>(*maxLen, v.data.size());
  }
  if (reportedLongest) *maxNameLen = *maxLen = reportedLongest;
  return 0;
}

I FakeRegistry::RegEnumValue(RegKey hKey, U index, char* name, U& nameLen, U* type, uint8_t* data,
                             U* dataLen) {
  Values* key = nullptr;
  if (I code = Use(__func__, hKey, key)) return code;
  if (index >= key->size()) return win::ERROR_NO_MORE_ITEMS;
  const auto v = std::next(key->begin(), index);
  const string a(v->first.begin(), v->first.end());
  // A name without room for its NUL does not fit either; the data's size is reported then too.
  const I code = Deliver(v->second, type, a.size() < nameLen ? data : nullptr, dataLen);
  if (code || a.size() >= nameLen) return win::ERROR_MORE_DATA;
  std::memcpy(name, a.c_str(), a.size() + 1);
  nameLen = static_cast<U>(a.size());
  return 0;
}

}  // namespace test
}  // namespace qc
