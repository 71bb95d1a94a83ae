// The file-information record against the real shell: a file's type name and its icon drawn.
#include <gtest/gtest.h>

// Before <windows.h>: its macros (ExitWindows, PlaySound ...) would rename members of the class.
#include "support.h"
#include "winapi/cwinapi.h"

namespace qc::wintest {
namespace {

TEST(ShellRecordOnDisk, TypeNameAndIconOfARealFile) {
  char type[256] = {}, name[256] = {};
  ScratchFolder folder("qc type");
  const std::string file = folder.File("qc type.ini");
  LONG typeSize = sizeof type, nameSize = sizeof name;  // .ini names a type that describes it
  ASSERT_EQ(RegQueryValueA(HKEY_CLASSES_ROOT, ".ini", type, &typeSize), ERROR_SUCCESS);
  ASSERT_EQ(RegQueryValueA(HKEY_CLASSES_ROOT, type, name, &nameSize), ERROR_SUCCESS);
  CWinAPI api;
  String path = win32::Wide(file);
  EXPECT_EQ(api.RetrieveFileTypeName(path), win32::Wide(name));
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateBitmap(32, 32, 1, 32, nullptr);
  SelectObject(dc, bitmap);
  Long dcHandle = win32::FromHandle(dc);
  for (Long size : {32, 16, 24}) {  // only small and large icons are drawn
    PatBlt(dc, 0, 0, 32, 32, WHITENESS);
    api.RetrieveIcon(path, dcHandle, size);
    int changed = 0;
    for (int i = 0; i < 32 * 32; ++i) changed += GetPixel(dc, i % 32, i / 32) != 0xFFFFFF;
    EXPECT_EQ(changed > 0, size != 24) << size;
  }
  DeleteDC(dc);  // then the bitmap it held
  DeleteObject(bitmap);
}

}  // namespace
}  // namespace qc::wintest
