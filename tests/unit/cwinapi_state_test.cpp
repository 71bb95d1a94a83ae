#include <gtest/gtest.h>

#include "support/error_number.h"
#include "support/fake_platform.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

using test::FakePlatform;

TEST(CWinAPIConversions, TtoPRoundsBothOperandsThenTruncates) {
  FakePlatform p;
  CWinAPI api(p);
  auto ttop = [&](Variant v) { return CLng(api.TtoP(v)); };
  EXPECT_EQ(ttop(Variant::Long(100)), 6);
  EXPECT_EQ(ttop(Variant::Long(-100)), -6);
  EXPECT_EQ(ttop(Variant::Double(7.5)), 0);   // 7.5 is taken as 8
  EXPECT_EQ(ttop(Variant::Double(22.5)), 1);  // 22.5 is taken as 22
  EXPECT_EQ(ttop(Variant()), 0);
  p.runtime.twipsY = 12;
  Variant v = Variant::Long(100);
  Boolean y = kTrue;
  EXPECT_EQ(CLng(api.TtoP(v, y)), 8);
  Variant text = L"abc";
  EXPECT_THROW(api.TtoP(text), RuntimeError);
}

TEST(CWinAPIConversions, PtoTMultipliesByTheChosenAxisFactor) {
  FakePlatform p;
  p.runtime.twipsX = 15;
  p.runtime.twipsY = 12;
  CWinAPI api(p);
  Variant two = Variant::Long(2);
  EXPECT_DOUBLE_EQ(CDbl(api.PtoT(two)), 30);
  Boolean y = 1;  // any non-zero value chooses the vertical axis
  EXPECT_DOUBLE_EQ(CDbl(api.PtoT(two, y)), 24);
  Variant empty;
  EXPECT_DOUBLE_EQ(CDbl(api.PtoT(empty)), 0);
  Variant junk = L"x";
  EXPECT_EQ(test::ErrorNumberOf([&] { api.PtoT(junk); }), kErrTypeMismatch)
      << "text that is not a number must not multiply";
}

TEST(CWinAPIProperties, EachReadCapturesAfresh) {
  FakePlatform p;
  p.windows.workArea = {0, 30, 1024, 738};
  CWinAPI api(p);
  EXPECT_EQ(api.WorkAreaLeft(), 0);
  EXPECT_EQ(api.WorkAreaTop(), 450);
  EXPECT_EQ(api.WorkAreaRight(), 15360);
  p.windows.cursor = {10, 20};
  EXPECT_EQ(api.MouseX(), 150);
  p.windows.cursor = {11, 20};
  EXPECT_EQ(api.MouseX(), 165);
  EXPECT_EQ(api.MouseY(), 300);
  p.log.Clear();
  api.WorkAreaBottom();
  EXPECT_EQ(p.log.Calls(),
            (std::vector<std::string>{"SystemParametersInfo(48, 0, {0,30,1024,738}, 3)",
                                      "GetCursorPos()"}));
}

TEST(CWinAPIProperties, AValueBeyondSixteenBitsFailsOnlyTheReadThatNeedsIt) {
  FakePlatform p;
  p.windows.cursor = {5, 2185};  // 32775 twips down
  p.windows.workArea = {0, 0, 2185, 700};
  CWinAPI api(p);  // creation never fails
  EXPECT_EQ(api.MouseX(), 75);
  EXPECT_EQ(api.WorkAreaLeft(), 0);
  EXPECT_EQ(test::ErrorNumberOf([&] { api.MouseY(); }), kErrOverflow);
  EXPECT_THROW(api.WorkAreaRight(), RuntimeError);
  p.windows.cursor = {5, 2184};
  EXPECT_EQ(api.MouseY(), 32760);
}

TEST(CWinAPICatalogue, FortyFourItemsEachOnItsOwnLineAfterAnEmptyOne) {
  const std::wstring c = CWinAPI::Catalogue();
  ASSERT_EQ(c.substr(0, 2), L"\r\n");
  EXPECT_NE(c.substr(c.size() - 2), L"\r\n");
  size_t lines = 0;
  for (size_t pos = 0; (pos = c.find(L"\r\n", pos)) != std::wstring::npos; pos += 2) ++lines;
  EXPECT_EQ(lines, 44u);
  EXPECT_NE(c.find(L"\r\nPlayAudioCD \r\nPlayAvi \r\n"), std::wstring::npos);
  EXPECT_NE(c.find(L"\r\nRegistryDeleteKey \r\n"), std::wstring::npos);
  EXPECT_NE(c.find(L"\r\nTrayIcon \r\n**********Functions**********\r\nGetSystemFolders()"),
            std::wstring::npos);
  EXPECT_EQ(c.substr(c.size() - 17), L"\r\nMouseX, MouseY ");

  FakePlatform p;
  CWinAPI api(p);
  api.ListFunc();
  ASSERT_EQ(p.runtime.boxes.size(), 1u);
  EXPECT_EQ(p.runtime.boxes[0].prompt, c);
  EXPECT_EQ(p.runtime.boxes[0].style, 0);
  EXPECT_FALSE(p.runtime.boxes[0].title.has_value());
}

}  // namespace
}  // namespace qc
