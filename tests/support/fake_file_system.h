// A small in-memory file system shared by the runtime's SetAttr/Kill and the files family:
// drives, folders and files with attributes and sizes, listed in the order they were added.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace qc::test {

struct FakeEntry {
  uint32_t attributes = 0x20;  // FILE_ATTRIBUTE_ARCHIVE
  uint64_t size = 0;
  bool inUse = false;           // deleting fails: sharing violation
  bool writeProtected = false;  // the medium refuses changes
  bool noMedium = false;        // a drive letter with an empty removable drive
  bool unreadable = false;      // a folder that cannot be listed
  std::wstring linkTarget = {}; // a file symbolic link: setting attributes reaches the target
  // Deleting is reported done but the file stays: delete-pending while another program holds
  // it (a second deletion is refused with 5; on FAT queries are refused with 5 too), or a
  // medium that loses the deletion silently.
  enum class OnDelete { Goes, Pending, PendingFat, Stays } onDelete = OnDelete::Goes;
  bool pending = false;
  uint32_t reparseTag = 0;      // its find record's dwReserved0
  bool directory() const { return attributes & 0x10; }
};

class FakeFileSystem {
 public:
  FakeFileSystem();  // holds drive c: with c:\windows

  void AddDrive(const std::wstring& letter);  // "d"
  void AddFolder(const std::wstring& path, uint32_t attributes = 0x10);  // parents created
  void AddFile(const std::wstring& path, uint32_t attributes = 0x20, uint64_t size = 0);
  FakeEntry* Get(const std::wstring& path);
  const FakeEntry* Get(const std::wstring& path) const;
  bool Exists(const std::wstring& path) const { return Get(path) != nullptr; }

  // The Win32 error an operation on `path` meets before the entry itself: 0 when its folder
  // exists, else ERROR_PATH_NOT_FOUND (3), or ERROR_NOT_READY (21) for a drive without a medium.
  uint32_t FolderError(const std::wstring& path) const;
  // Removes a file (or an empty folder); returns false when it is not there.
  bool Remove(const std::wstring& path);
  // Names of the direct children of a folder, in the order they were added.
  std::vector<std::wstring> Children(const std::wstring& folder) const;
  // The name as it was added (keys are case-insensitive).
  std::wstring NameOf(const std::wstring& path) const;

  static std::wstring Key(const std::wstring& path);  // lower case, no trailing backslash
  static std::wstring Parent(const std::wstring& key);

 private:
  std::map<std::wstring, FakeEntry> entries_;
  std::map<std::wstring, std::wstring> names_;
  std::vector<std::wstring> order_;
};

}  // namespace qc::test
