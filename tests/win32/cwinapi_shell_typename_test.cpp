// The shell helpers that read the file-information record, against the real shell.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/win32_platform.h"
#include "platform/win32/windows_include.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

using win32::Wide;

// HKEY_CLASSES_ROOT\<ext> names a file type whose default value describes it.
std::string RegisteredTypeName(const char* extension) {
  auto defaultValue = [](const std::string& key) {
    char buffer[256] = {};
    LONG size = sizeof buffer;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, key.c_str(), buffer, &size) != ERROR_SUCCESS)
      return std::string();
    return std::string(buffer);
  };
  const std::string type = defaultValue(extension);
  return type.empty() ? std::string() : defaultValue(type);
}

class ShellRecordOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    file_ = std::string(temp) + "qc type " + std::to_string(GetCurrentProcessId()) + ".ini";
    HANDLE h = CreateFileA(file_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
  }
  void TearDown() override { DeleteFileA(file_.c_str()); }
  std::string file_;
};

TEST_F(ShellRecordOnDisk, AKnownExtensionGivesItsRegisteredDescription) {
  const std::string expected = RegisteredTypeName(".ini");
  ASSERT_FALSE(expected.empty()) << "the system registers .ini files";
  CWinAPI api;
  String name = Wide(file_);
  EXPECT_EQ(api.RetrieveFileTypeName(name), Wide(expected));
}

// Counts the pixels of a 32 x 32 white bitmap that an icon drawn by RetrieveIcon changed.
int PixelsDrawn(CWinAPI& api, const std::string& file, Long size) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 32, 32);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT all{0, 0, 32, 32};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  String name = Wide(file);
  Long dcHandle = win32::FromHandle(dc);
  api.RetrieveIcon(name, dcHandle, size);
  int changed = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) changed += GetPixel(dc, x, y) != RGB(255, 255, 255);
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return changed;
}

TEST_F(ShellRecordOnDisk, RetrieveIconDrawsTheFilesIconOnlyForSixteenAndThirtyTwo) {
  CWinAPI api;
  EXPECT_GT(PixelsDrawn(api, file_, 32), 0);
  EXPECT_GT(PixelsDrawn(api, file_, 16), 0);
  EXPECT_EQ(PixelsDrawn(api, file_, 24), 0);
}

}  // namespace
}  // namespace qc
