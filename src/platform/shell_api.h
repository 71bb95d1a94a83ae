// The shell family of the seam (shell32, comctl32). Records exchanged with the shell are passed
// as their exact bytes (the ANSI layouts), built and read by the caller.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace qc {

class IShell {
 public:
  virtual ~IShell() = default;

  // For the calling thread; returns the HRESULT (S_FALSE when it already was, in that mode).
  virtual int32_t CoInitializeEx(uint32_t coInit) = 0;

  // Null pointers pass NULL.
  virtual int32_t ShellExecute(int32_t hwnd, const std::wstring* operation,
                               const std::wstring& file, const std::wstring* parameters,
                               const std::wstring* directory, int32_t showCommand) = 0;
  // record: the 88-byte ANSI NOTIFYICONDATA.
  virtual int32_t Shell_NotifyIcon(uint32_t message, const std::vector<uint8_t>& record) = 0;
  // record: the 352-byte ANSI SHFILEINFO, filled in place; returns what the call returns.
  virtual int32_t SHGetFileInfo(const std::wstring& path, uint32_t fileAttributes,
                                std::vector<uint8_t>& record, uint32_t recordSize,
                                uint32_t flags) = 0;
  virtual void SHAddToRecentDocs(uint32_t flags, const std::wstring* path) = 0;
  virtual int32_t ImageList_Draw(int32_t imageList, int32_t index, int32_t dc, int32_t x, int32_t y,
                                 uint32_t style) = 0;
};

}  // namespace qc
