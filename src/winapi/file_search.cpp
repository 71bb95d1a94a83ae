#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "platform/win_constants.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

// Owns one find handle; closes it at the point the search says, or on the way out of an error.
class FindHandle {
 public:
  FindHandle(IFiles& files, int32_t handle) : files_(files), handle_(handle) {}
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  ~FindHandle() { Close(); }
  bool valid() const { return handle_ != win::INVALID_HANDLE_VALUE; }
  int32_t get() const { return handle_; }
  void Close() {
    if (valid()) files_.FindClose(handle_);
    handle_ = win::INVALID_HANDLE_VALUE;
  }

 private:
  IFiles& files_;
  int32_t handle_;
};

// The counters are the caller's Integers: past 32767 they overflow, as the runtime's do.
void CountOne(Integer& counter) {
  if (counter == std::numeric_limits<Integer>::max()) throw RuntimeError(kErrOverflow);
  ++counter;
}

bool IsDotEntry(const String& name) {
  return name == L"." || name == L"..";
}

// A symbolic link or junction: searching through it could lead back up the tree, round a loop
// without end. Other reparse points (cloud placeholders and the like) hold their own entries.
// Tag 0 is reserved and never given to a reparse point; it means the system did not say which
// kind this is (Wine reports its Unix symbolic links so), and a loop is the worse risk.
bool IsFolderLink(const FindData& data) {
  return (data.dwFileAttributes & win::FILE_ATTRIBUTE_REPARSE_POINT) &&
         (data.dwReserved0 == win::IO_REPARSE_TAG_SYMLINK ||
          data.dwReserved0 == win::IO_REPARSE_TAG_MOUNT_POINT || data.dwReserved0 == 0);
}

constexpr double kHighSizeUnit = 4294967296.0;  // 2^32: one unit of nFileSizeHigh
constexpr size_t kMostSubFolders = 32767;       // the per-folder list is counted in an Integer
constexpr int32_t kAppendRow = -1;              // LB_ADDSTRING ignores it

}  // namespace

Variant CWinAPI::FindFilesAPI(String& path, String& SearchStr, Integer& FileCount,
                              Integer& DirCount) {
  Long noListbox = 0;
  return FindFilesAPI(path, SearchStr, FileCount, DirCount, noListbox);
}

Variant CWinAPI::FindFilesAPI(String& path, String& SearchStr, Integer& FileCount,
                              Integer& DirCount, Long& handleListbox) {
  Boolean fullPaths = kFalse;
  return FindFilesAPI(path, SearchStr, FileCount, DirCount, handleListbox, fullPaths);
}

Variant CWinAPI::FindFilesAPI(String& path, String& SearchStr, Integer& FileCount,
                              Integer& DirCount, Long& handleListbox,
                              Boolean& SendBackInFilename_PathFormat) {
  Boolean withSubFolders = kFalse;
  return FindFilesAPI(path, SearchStr, FileCount, DirCount, handleListbox,
                      SendBackInFilename_PathFormat, withSubFolders);
}

Variant CWinAPI::FindFilesAPI(String& path, String& SearchStr, Integer& FileCount,
                              Integer& DirCount, Long& handleListbox,
                              Boolean& SendBackInFilename_PathFormat,
                              Boolean& DontLookInSubFolders) {
  IFiles& files = platform_.Files();
  IRuntime& rt = platform_.Runtime();
  ICodePage& cp = platform_.CodePage();
  auto nameOf = [&](const FindData& data) {
    String name = cp.FromAnsi(data.cFileName);
    return StripNull(name);
  };

  // A search's first point always processes, so whatever was posted before it has run by its
  // first row; after that a point processes only when due (see DoEventsWhenDue). A sub-folder's
  // call is not a search of its own; a search a handler starts in the middle of one is.
  bool firstPoint = !std::exchange(descending_, false);
  auto processMessages = [&] {
    if (firstPoint) {
      firstPoint = false;
      rt.DoEvents();
    } else {
      rt.DoEventsWhenDue();
    }
  };

  if (path.empty() || path.back() != L'\\') path += L'\\';

  // Sub-folders of this level, in the order the system lists them, told by the attributes the
  // listing gives with each name: asked for again by name, a name the code page cannot hold
  // (listed with '?' in its place) names nothing, and a file would pass for a folder.
  std::vector<String> subFolders;
  if (!DontLookInSubFolders) {
    FindData data;
    FindHandle find(files, files.FindFirstFile(path + L"*", data));
    if (find.valid()) {
      int32_t more = 0;
      do {
        const String name = nameOf(data);
        if (!IsDotEntry(name)) {
          if (data.dwFileAttributes & win::FILE_ATTRIBUTE_DIRECTORY) {
            // A link is counted (and matched below) like any folder, but not descended.
            if (!IsFolderLink(data)) {
              if (subFolders.size() >= kMostSubFolders) throw RuntimeError(kErrOverflow);
              subFolders.push_back(name);
            }
            CountOne(DirCount);
          }
        }
        more = files.FindNextFile(find.get(), data);
        processMessages();
      } while (more);
      find.Close();
    }
  }

  Variant result;  // Empty until something is counted
  {
    FindData data;
    FindHandle find(files, files.FindFirstFile(path + SearchStr, data));
    if (find.valid()) {
      int32_t more = 0;
      do {
        const String name = nameOf(data);
        processMessages();
        if (!IsDotEntry(name)) {
          const double size = static_cast<double>(data.nFileSizeHigh) * kHighSizeUnit +
                              static_cast<double>(data.nFileSizeLow);
          result = VarAdd(result, Variant::Double(size));
          CountOne(FileCount);
          const String line = SendBackInFilename_PathFormat ? name + L"\t" + path : path + name;
          platform_.Windows().SendMessage(handleListbox, win::LB_ADDSTRING, kAppendRow, line);
        }
        more = files.FindNextFile(find.get(), data);
      } while (more);
      find.Close();
    }
  }

  // Depth first, each level's own matches already listed; the handles above are closed, so the
  // whole descent holds at most one find handle per level.
  if (!DontLookInSubFolders) {
    for (const String& name : subFolders) {
      processMessages();
      String subPath = path + name + L"\\";
      Boolean format = SendBackInFilename_PathFormat ? kTrue : kFalse;
      Boolean descend = kFalse;
      descending_ = true;
      const Variant r =
          FindFilesAPI(subPath, SearchStr, FileCount, DirCount, handleListbox, format, descend);
      if (!r.IsEmpty()) result = VarAdd(result, r);
    }
  }
  return result;
}

}  // namespace qc
