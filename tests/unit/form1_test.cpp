#include <gtest/gtest.h>

#include <iterator>

#include "app/form1.h"
#include "platform/win_constants.h"
#include "support/fake_platform.h"

namespace qc {
namespace {

using test::FakePlatform;

constexpr wchar_t kTimes[] = L"Times New Roman";
constexpr TextAlign kCenter = TextAlign::Center;

// The design table at 120 dots per inch (12 twips a pixel), where rounding decides: the window
// driven from outside checks the same controls at 96.
TEST(Form1Layout, DesignTableAtTwelveTwipsAPixel) {
  struct Want {
    int id;
    const wchar_t* caption;
    PixelRect rect;
    const wchar_t* face;
    double points;
    int weight;
    TextAlign align;
    uint32_t colour;
  };
  const uint32_t caption = SystemColour(win::COLOR_ACTIVECAPTION);
  const std::wstring credit = L"Quorin Cleaner 1.0 - removes the Quorin autorun worm";
  const Want want[] = {
      {kCommand1, L"Kill Virus", {10, 350, 261, 51}, kTimes, 15.75, 400, kCenter, kDefaultColour},
      {kLabel1, L"Label1", {10, 10, 521, 341}, kTimes, 12, 700, TextAlign::Left, kDefaultColour},
      {kLabel2, L"Label2", {20, 410, 468, 30}, kTimes, 15.75, 700, kCenter, kDefaultColour},
      {kLabel3, L"", {10, 440, 491, 41}, kTimes, 12, 700, kCenter, kDefaultColour},
      {kLabel4, credit.c_str(), {0, 490, 481, 61}, L"Book Antiqua", 11.25, 700, kCenter, caption},
      {kCommand2,
       L"Open Task manager",
       {280, 350, 211, 51},
       kTimes,
       14.25,
       400,
       kCenter,
       kDefaultColour},
  };
  const FormSpec f = Form1::Layout(12, 12);
  EXPECT_EQ(f.caption, L"Quorin Virus Cleaner");
  EXPECT_EQ(f.clientWidth, 544);   // 543.75
  EXPECT_EQ(f.clientHeight, 549);  // 548.75
  EXPECT_EQ(f.timerInterval, 100);
  ASSERT_EQ(f.controls.size(), std::size(want));
  for (size_t i = 0; i < std::size(want); ++i) {
    const ControlSpec& c = f.controls[i];
    const Want& w = want[i];
    EXPECT_EQ(c.id, w.id);
    EXPECT_EQ(c.tabIndex, static_cast<int>(i));
    EXPECT_EQ(c.caption, w.caption) << c.id;
    EXPECT_EQ(c.rect, w.rect) << c.id;
    EXPECT_EQ(c.font.face, w.face) << c.id;
    EXPECT_EQ(c.font.points, w.points) << c.id;
    EXPECT_EQ(c.font.weight, w.weight) << c.id;
    EXPECT_EQ(c.align, w.align) << c.id;
    EXPECT_EQ(c.foreColour, w.colour) << c.id;
  }
}

TEST(Form1, ShowUsesEachAxisOwnFactor) {
  FakePlatform p;
  p.runtime.twipsX = 12;
  p.runtime.twipsY = 15;
  Form1 form(p);
  form.Show();
  ASSERT_TRUE(p.forms.form.has_value());
  EXPECT_EQ(p.forms.form->clientWidth, 544);
  EXPECT_EQ(p.forms.form->clientHeight, 439);
}

TEST(Form1Command2, StartsTaskManagerWithRedirectionOffForThatCallOnly) {
  FakePlatform p;
  Form1 form(p);
  form.Show();
  p.log.Clear();
  p.forms.Click(kCommand2);
  EXPECT_EQ(p.log.Calls(), (std::vector<std::string>{
                               "Wow64DisableWow64FsRedirection()",
                               "Shell(\"c:\\windows\\system32\\taskmgr.exe\", 1)",
                               "Wow64RevertWow64FsRedirection(0)",
                           }));
  EXPECT_FALSE(p.files.redirectionOff);
}

TEST(Form1Command2, WithoutRedirectionNothingIsReverted) {
  FakePlatform p;
  p.files.wow64 = false;
  Form1 form(p);
  form.Command2_Click();
  EXPECT_EQ(p.runtime.started, std::vector<std::wstring>{L"c:\\windows\\system32\\taskmgr.exe"});
  EXPECT_TRUE(p.log.Matching("Wow64Revert").empty());
}

TEST(Form1Command2, AFailedStartSaysWhyOnceAndTheWindowKeepsRunning) {
  const std::pair<uint32_t, std::wstring> rows[] = {
      {740, L"it needs administrator rights (elevation required)."},
      {5, L"access is denied."},
      {2, L"c:\\windows\\system32\\taskmgr.exe was not found."},
  };
  FakePlatform p;
  p.runtime.shellFails = true;
  Form1 form(p);
  form.Show();
  for (const auto& [code, reason] : rows) {
    p.runtime.shellError = code;
    p.forms.Click(kCommand2);
    EXPECT_EQ(p.runtime.boxes.back().prompt, L"Task Manager could not be started: " + reason);
    EXPECT_EQ(p.runtime.boxes.back().style, win::MB_ICONEXCLAMATION);
  }
  EXPECT_EQ(p.runtime.boxes.size(), 3u);
  EXPECT_FALSE(p.files.redirectionOff) << "redirection must be restored on the error path";
  p.runtime.shellFails = false;
  p.forms.Click(kCommand2);  // still works afterwards
  EXPECT_EQ(p.runtime.started.size(), 1u);
}

}  // namespace
}  // namespace qc
