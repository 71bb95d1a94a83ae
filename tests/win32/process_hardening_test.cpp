// The DLL search the program narrows at start, on the real loader: a DLL beside the program is
// found by bare name before and not after; the system's own DLLs still load. The error mode the
// program sets keeps what it inherited.
#include "platform/win32/process_hardening.h"

#include <gtest/gtest.h>

#include "platform/win32/win32_platform.h"

namespace qc {
namespace {

TEST(ProcessHardening, DllBesideTheProgramIsNoLongerLoadedByName) {
  // The build puts qc_planted.dll beside this program; the default search finds it there.
  HMODULE before = LoadLibraryW(L"qc_planted.dll");
  ASSERT_NE(before, nullptr) << "qc_planted.dll is not beside the test program";
  EXPECT_NE(GetProcAddress(before, "QcPlantedMarker"), nullptr);
  FreeLibrary(before);

  EXPECT_TRUE(win32::RestrictDllSearchToSystemFolder());

  HMODULE after = LoadLibraryW(L"qc_planted.dll");
  EXPECT_EQ(after, nullptr);
  if (after != nullptr) FreeLibrary(after);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));

  wchar_t dir[MAX_PATH] = L"x";
  EXPECT_EQ(GetDllDirectoryW(MAX_PATH, dir), 0u);  // set to "": the current folder is out
  EXPECT_STREQ(dir, L"");

  HMODULE system = LoadLibraryW(L"version.dll");
  EXPECT_NE(system, nullptr);
  if (system != nullptr) FreeLibrary(system);
  // A second call, as a restart of start-up would make, is harmless.
  EXPECT_TRUE(win32::RestrictDllSearchToSystemFolder());
}

TEST(ProcessHardening, ErrorModeFlagsAreAddedToTheInheritedMode) {
  const UINT before = SetErrorMode(SEM_NOGPFAULTERRORBOX);  // as a parent may hand it down
  const UINT wanted = SEM_NOGPFAULTERRORBOX | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;
  EXPECT_EQ(win32::AddErrorModeFlags(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX), wanted);
  EXPECT_EQ(GetErrorMode(), wanted);
  SetErrorMode(before);
}

}  // namespace
}  // namespace qc
