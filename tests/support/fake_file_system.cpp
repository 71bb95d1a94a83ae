#include "support/fake_file_system.h"

#include <algorithm>
#include <cwctype>

namespace qc::test {

constexpr uint32_t kErrorPathNotFound = 3;
constexpr uint32_t kErrorNotReady = 21;

FakeFileSystem::FakeFileSystem() {
  AddDrive(L"c");
  AddFolder(L"c:\\windows");
  AddFolder(L"c:\\windows\\system32");
}

std::wstring FakeFileSystem::Key(const std::wstring& path) {
  std::wstring k = path;
  for (auto& c : k) c = static_cast<wchar_t>(std::towlower(c));
  std::replace(k.begin(), k.end(), L'/', L'\\');
  while (k.size() > 2 && k.back() == L'\\') k.pop_back();
  return k;
}

std::wstring FakeFileSystem::Parent(const std::wstring& key) {
  const size_t slash = key.find_last_of(L'\\');
  return slash == std::wstring::npos ? std::wstring() : key.substr(0, slash);
}

void FakeFileSystem::AddDrive(const std::wstring& letter) {
  const std::wstring k = Key(letter.substr(0, 1) + L":");
  if (!entries_.count(k)) {
    entries_[k] = FakeEntry{0x10};
    names_[k] = letter.substr(0, 1) + L":";
    order_.push_back(k);
  }
}

void FakeFileSystem::AddFolder(const std::wstring& path, uint32_t attributes) {
  const std::wstring k = Key(path);
  const std::wstring parent = Parent(k);
  if (!parent.empty() && !entries_.count(parent)) {
    if (parent.size() == 2) {
      AddDrive(parent.substr(0, 1));
    } else {
      AddFolder(path.substr(0, path.find_last_of(L"\\/")));
    }
  }
  if (!entries_.count(k)) order_.push_back(k);
  entries_[k] = FakeEntry{attributes | 0x10};
  names_[k] = path.substr(path.find_last_of(L"\\/") + 1);
}

void FakeFileSystem::AddFile(const std::wstring& path, uint32_t attributes, uint64_t size) {
  const std::wstring k = Key(path);
  const std::wstring parent = Parent(k);
  if (!entries_.count(parent)) AddFolder(path.substr(0, path.find_last_of(L"\\/")));
  if (!entries_.count(k)) order_.push_back(k);
  FakeEntry e;
  e.attributes = attributes;
  e.size = size;
  entries_[k] = e;
  names_[k] = path.substr(path.find_last_of(L"\\/") + 1);
}

FakeEntry* FakeFileSystem::Get(const std::wstring& path) {
  auto it = entries_.find(Key(path));
  return it == entries_.end() ? nullptr : &it->second;
}

const FakeEntry* FakeFileSystem::Get(const std::wstring& path) const {
  auto it = entries_.find(Key(path));
  return it == entries_.end() ? nullptr : &it->second;
}

uint32_t FakeFileSystem::FolderError(const std::wstring& path) const {
  const std::wstring k = Key(path);
  const FakeEntry* drive = Get(k.substr(0, 2));
  if (drive && drive->noMedium) return kErrorNotReady;
  const FakeEntry* folder = Get(Parent(k));
  return folder && folder->directory() ? 0 : kErrorPathNotFound;
}

bool FakeFileSystem::Remove(const std::wstring& path) {
  const std::wstring k = Key(path);
  if (!entries_.erase(k)) return false;
  names_.erase(k);
  order_.erase(std::remove(order_.begin(), order_.end(), k), order_.end());
  return true;
}

std::vector<std::wstring> FakeFileSystem::Children(const std::wstring& folder) const {
  const std::wstring k = Key(folder);
  std::vector<std::wstring> out;
  for (const auto& e : order_)
    if (Parent(e) == k && e != k) out.push_back(names_.at(e));
  return out;
}

std::wstring FakeFileSystem::NameOf(const std::wstring& path) const {
  auto it = names_.find(Key(path));
  return it == names_.end() ? std::wstring() : it->second;
}

}  // namespace qc::test
