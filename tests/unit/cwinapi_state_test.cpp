#include <gtest/gtest.h>

#include "platform/on_error.h"
#include "support/error_number.h"
#include "support/fake_platform.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

using test::FakePlatform;

TEST(CWinAPIConversions, TwipsAndPixels) {
  FakePlatform p;
  p.runtime.twipsX = 15;
  p.runtime.twipsY = 12;
  CWinAPI api(p);
  // TtoP rounds both operands (halves to even) and truncates the quotient.
  const struct {
    Variant twips;
    Boolean vertical;
    const wchar_t* want;
  } rows[] = {
      {Variant::Long(100), kFalse, L"6"},    {Variant::Long(-100), kFalse, L"-6"},
      {Variant::Double(7.5), kFalse, L"0"},  {Variant::Double(22.5), kFalse, L"1"},
      {Variant::Double(29.6), kFalse, L"2"}, {Variant(), kFalse, L"0"},
      {Variant::Long(100), kTrue, L"8"},     {Variant(L"abc"), kFalse, L"error"},
  };
  for (auto row : rows) {
    std::wstring got = L"error";
    ResumeNext([&] { got = CStr(api.TtoP(row.twips, row.vertical)); });
    EXPECT_EQ(got, row.want) << CStr(row.twips);
  }
  Variant two = Variant::Long(2), junk = L"x";
  Boolean vertical = 1;  // any non-zero value chooses the vertical axis
  EXPECT_EQ(CDbl(api.PtoT(two)), 30);
  EXPECT_EQ(CDbl(api.PtoT(two, vertical)), 24);
  EXPECT_EQ(test::ErrorNumberOf([&] { api.PtoT(junk); }), kErrTypeMismatch);
}

TEST(CWinAPIProperties, EachReadCapturesAfreshAndOnlyTheReadThatOverflowsFails) {
  FakePlatform p;
  p.windows.workArea = {0, 30, 2185, 738};
  p.windows.cursor = {10, 2185};  // 32775 twips down
  CWinAPI api(p);                 // creation never fails
  EXPECT_EQ(api.WorkAreaTop(), 450);
  EXPECT_EQ(api.MouseX(), 150);
  EXPECT_EQ(test::ErrorNumberOf([&] { api.MouseY(); }), kErrOverflow);
  EXPECT_EQ(test::ErrorNumberOf([&] { api.WorkAreaRight(); }), kErrOverflow);
  p.windows.cursor = {11, 2184};
  EXPECT_EQ(api.MouseX(), 165);
  EXPECT_EQ(api.MouseY(), 32760);
}

TEST(CWinAPICatalogue, TheListBoxText) {
  const std::wstring items =
      L"Delay |DiskSpace |DocumentList |ExecuteFile |ExitWindows |FindFilesAPI |Launch "
      L"|MakeTransparentForm |MenuBitmaps |MoveFormWithoutBorders |OpenWebSite |PlayAudioCD "
      L"|PlayAvi |PlaySound |RegistryValueS |RegistryValueD |RegistryRun |RegistryDeleteValue "
      L"|RegistryNewKey |RegistryDeleteKey |RegistryCreateRightClickAccess "
      L"|RegistryCreateAssociation |RetrieveIcon |SendEmail |SetDeskWallPaper |SetHotKey "
      L"|SetMousePos |SetMyPosOnDesktop |SetMyPosTopMost |SetSysWorkArea |ShowMouse "
      L"|ShowRecycleBin |StartScreenSaver |TaskBar |TrayIcon |**********Functions**********"
      L"|GetSystemFolders()|RetrieveFileTypeName()|SoundCardDetect()|TtoP()|PtoT()"
      L"|**********Properties**********|WorkAreaLeft, WorkAreaRight, WorkAreaTop, "
      L"WorkAreaBottom|MouseX, MouseY ";
  std::wstring want = L"\r\n";
  for (wchar_t c : items) want += c == L'|' ? std::wstring(L"\r\n") : std::wstring(1, c);
  FakePlatform p;
  CWinAPI api(p);
  api.ListFunc();
  ASSERT_EQ(p.runtime.boxes.size(), 1u);
  EXPECT_EQ(p.runtime.boxes[0].prompt, want);
  EXPECT_EQ(p.runtime.boxes[0].style, 0);
  EXPECT_FALSE(p.runtime.boxes[0].title.has_value());
}

}  // namespace
}  // namespace qc
