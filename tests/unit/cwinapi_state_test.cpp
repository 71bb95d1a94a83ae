#include <gtest/gtest.h>

#include <tuple>

#include "platform/on_error.h"
#include "support/error_number.h"
#include "support/fake_platform.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

TEST(CWinAPIState, TwipsPixelsTheCursorReadAfreshAndTheCatalogue) {
  test::FakePlatform p;
  p.runtime.twipsX = 15;
  p.runtime.twipsY = 12;
  p.windows.cursor = {10, 2731};  // 32772 twips down
  CWinAPI api(p);                 // creation never fails
  const std::tuple<Variant, Boolean, const wchar_t*> rows[] = {
      {Variant::Long(100), kFalse, L"6"},    {Variant::Double(7.5), kFalse, L"0"},
      {Variant::Double(29.6), kFalse, L"2"}, {Variant(), kFalse, L"0"},
      {Variant::Long(100), kTrue, L"8"},     {Variant(L"abc"), kFalse, L"error"}};
  for (auto [twips, vertical, want] : rows) {
    std::wstring got = L"error";
    ResumeNext([&] { got = CStr(api.TtoP(twips, vertical)); });
    EXPECT_EQ(got, want) << CStr(twips);
  }
  Variant two = Variant::Long(2);
  Boolean vertical = 1;  // any non-zero value chooses the vertical axis
  EXPECT_EQ(std::make_pair(CDbl(api.PtoT(two)), CDbl(api.PtoT(two, vertical))),
            std::make_pair(30.0, 24.0));
  EXPECT_EQ(test::ErrorNumberOf([&] { api.MouseY(); }), kErrOverflow);
  p.windows.cursor = {11, 2730};
  EXPECT_EQ(api.MouseY(), 32760);
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
  api.ListFunc();
  const auto& box = p.runtime.boxes.at(0);  // no title: the application's is shown
  EXPECT_EQ(std::make_tuple(p.runtime.boxes.size(), box.prompt, box.style, box.title.has_value()),
            std::make_tuple(size_t{1}, want, 0, false));
}

}  // namespace
}  // namespace qc
