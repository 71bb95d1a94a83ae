#include <cstring>

#include "platform/win32/win32_platform.h"

namespace qc::win32 {

int32_t Win32Shell::CoInitializeEx(uint32_t coInit) {
  // ole32 is loaded on first use, like the other DLLs the program does not import.
  using Fn = HRESULT(WINAPI*)(LPVOID, DWORD);
  static const Fn init = SystemFunction<Fn>(L"ole32.dll", "CoInitializeEx");
  return init ? init(nullptr, coInit) : E_NOTIMPL;
}

int32_t Win32Shell::ShellExecute(int32_t hwnd, const std::wstring* operation,
                                 const std::wstring& file, const std::wstring* parameters,
                                 const std::wstring* directory, int32_t showCommand) {
  OptionalAnsi op(operation), params(parameters), dir(directory);
  std::string ansiFile;
  if (!ExactPath(file, ansiFile)) return SE_ERR_FNF;  // a failure, as every result up to 32 is
  const HINSTANCE r = ::ShellExecuteA(ToHandle<HWND>(hwnd), op.get(), ansiFile.c_str(),
                                      params.get(), dir.get(), showCommand);
  return FromHandle(r);
}

NOTIFYICONDATAA NotifyIconRecord(const std::vector<uint8_t>& record) {
  // The class builds the 88-byte 32-bit record of the first shell versions (4-byte handles, a
  // 64-byte tip). Moved field by field, it keeps its meaning in a 64-bit build too, whose
  // handles are wider; cbSize tells the shell it is that first layout.
  constexpr size_t kWindow = 4, kId = 8, kFlags = 12, kMessage = 16, kIcon = 20, kTip = 24;
  constexpr size_t kTipSize = 64, kSize = kTip + kTipSize;
  std::vector<uint8_t> r = record;
  r.resize(kSize, 0);
  const auto field = [&](size_t at) {
    uint32_t v = 0;
    std::memcpy(&v, &r[at], sizeof v);
    return v;
  };
  NOTIFYICONDATAA data{};
  data.cbSize = NOTIFYICONDATAA_V1_SIZE;
  data.hWnd = ToHandle<HWND>(static_cast<int32_t>(field(kWindow)));
  data.uID = field(kId);
  data.uFlags = field(kFlags);
  data.uCallbackMessage = field(kMessage);
  data.hIcon = ToHandle<HICON>(static_cast<int32_t>(field(kIcon)));
  std::memcpy(data.szTip, &r[kTip], kTipSize);
  return data;
}

int32_t Win32Shell::Shell_NotifyIcon(uint32_t message, const std::vector<uint8_t>& record) {
  NOTIFYICONDATAA data = NotifyIconRecord(record);
  return ::Shell_NotifyIconA(message, &data);
}

int32_t Win32Shell::SHGetFileInfo(const std::wstring& path, uint32_t fileAttributes,
                                  std::vector<uint8_t>& record, uint32_t recordSize,
                                  uint32_t flags) {
  // The class keeps the 32-bit record (352 bytes, a 4-byte icon handle first). Copying it field
  // by field keeps that layout in a 64-bit build too, whose icon handle is wider.
  constexpr size_t kIndex = 4, kAttributes = 8, kDisplayName = 12, kTypeName = 272, kSize = 352;
  static_assert(sizeof(void*) != 4 || sizeof(SHFILEINFOA) == kSize,
                "the ANSI file-information record is 352 bytes");
  record.resize(kSize);
  SHFILEINFOA info{};
  int32_t icon = 0;
  std::memcpy(&icon, record.data(), sizeof icon);
  info.hIcon = ToHandle<HICON>(icon);
  std::memcpy(&info.iIcon, &record[kIndex], sizeof info.iIcon);
  std::memcpy(&info.dwAttributes, &record[kAttributes], sizeof info.dwAttributes);
  std::memcpy(info.szDisplayName, &record[kDisplayName], sizeof info.szDisplayName);
  std::memcpy(info.szTypeName, &record[kTypeName], sizeof info.szTypeName);
  const UINT size = recordSize == kSize ? sizeof info : recordSize;
  std::string ansiPath;
  const DWORD_PTR r = ExactPath(path, ansiPath) ? ::SHGetFileInfoA(ansiPath.c_str(), fileAttributes,
                                                                   &info, size, flags)
                                                : 0;
  icon = static_cast<int32_t>(reinterpret_cast<intptr_t>(info.hIcon));
  std::memcpy(record.data(), &icon, sizeof icon);
  std::memcpy(&record[kIndex], &info.iIcon, sizeof info.iIcon);
  std::memcpy(&record[kAttributes], &info.dwAttributes, sizeof info.dwAttributes);
  std::memcpy(&record[kDisplayName], info.szDisplayName, sizeof info.szDisplayName);
  std::memcpy(&record[kTypeName], info.szTypeName, sizeof info.szTypeName);
  return static_cast<int32_t>(r);
}

void Win32Shell::SHAddToRecentDocs(uint32_t flags, const std::wstring* path) {
  const std::string ansi = path ? Ansi(*path) : std::string();
  ::SHAddToRecentDocs(flags, path ? ansi.c_str() : nullptr);
}

int32_t Win32Shell::ImageList_Draw(int32_t imageList, int32_t index, int32_t dc, int32_t x,
                                   int32_t y, uint32_t style) {
  using Fn = BOOL(WINAPI*)(HIMAGELIST, int, HDC, int, int, UINT);
  static const Fn draw = SystemFunction<Fn>(L"comctl32.dll", "ImageList_Draw");
  return draw ? draw(ToHandle<HIMAGELIST>(imageList), index, ToHandle<HDC>(dc), x, y, style) : 0;
}

int32_t Win32Multimedia::sndPlaySound(const std::wstring& sound, uint32_t flags) {
  using Fn = BOOL(WINAPI*)(LPCSTR, UINT);
  static const Fn play = SystemFunction<Fn>(L"winmm.dll", "sndPlaySoundA");
  return play ? play(Ansi(sound).c_str(), flags) : 0;
}

uint32_t Win32Multimedia::mciSendString(const std::wstring& command, std::string& reply,
                                        uint32_t replyLength, int32_t callbackWindow) {
  using Fn = MCIERROR(WINAPI*)(LPCSTR, LPSTR, UINT, HWND);
  static const Fn send = SystemFunction<Fn>(L"winmm.dll", "mciSendStringA");
  if (reply.size() < replyLength) reply.resize(replyLength, ' ');
  if (!send) return MCIERR_DEVICE_NOT_INSTALLED;
  return send(Ansi(command).c_str(), replyLength ? reply.data() : nullptr, replyLength,
              ToHandle<HWND>(callbackWindow));
}

uint32_t Win32Multimedia::waveOutGetNumDevs() {
  using Fn = UINT(WINAPI*)();
  static const Fn count = SystemFunction<Fn>(L"winmm.dll", "waveOutGetNumDevs");
  return count ? count() : 0;
}

}  // namespace qc::win32
