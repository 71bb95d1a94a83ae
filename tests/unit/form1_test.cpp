#include <gtest/gtest.h>

#include "app/form1.h"
#include "platform/win_constants.h"
#include "support/fake_platform.h"

namespace qc {
namespace {

using test::FakePlatform;

const ControlSpec& Control(const FormSpec& f, int id) {
  for (const auto& c : f.controls)
    if (c.id == id) return c;
  throw std::out_of_range("no control");
}

TEST(Form1Layout, PixelsAt96DotsPerInch) {
  const FormSpec f = Form1::Layout(15, 15);
  EXPECT_EQ(f.caption, L"Quorin Virus Cleaner");
  EXPECT_EQ(f.clientWidth, 435);
  EXPECT_EQ(f.clientHeight, 439);
  EXPECT_EQ(f.timerInterval, 100);
  EXPECT_EQ(f.focusControl, kCommand1);
  EXPECT_EQ(Control(f, kCommand1).rect, (PixelRect{8, 280, 209, 41}));
  EXPECT_EQ(Control(f, kLabel1).rect, (PixelRect{8, 8, 417, 273}));
  EXPECT_EQ(Control(f, kLabel2).rect, (PixelRect{16, 328, 374, 24}));
  EXPECT_EQ(Control(f, kLabel3).rect, (PixelRect{8, 352, 393, 33}));
  EXPECT_EQ(Control(f, kLabel4).rect, (PixelRect{0, 392, 385, 49}));
  EXPECT_EQ(Control(f, kCommand2).rect, (PixelRect{224, 280, 169, 41}));
}

TEST(Form1Layout, PixelsAt120DotsPerInchRoundToNearest) {
  const FormSpec f = Form1::Layout(12, 12);
  EXPECT_EQ(f.clientWidth, 544);   // 6525 / 12 = 543.75
  EXPECT_EQ(f.clientHeight, 549);  // 548.75
  EXPECT_EQ(Control(f, kCommand1).rect, (PixelRect{10, 350, 261, 51}));
  EXPECT_EQ(Control(f, kCommand2).rect, (PixelRect{280, 350, 211, 51}));
  EXPECT_EQ(Control(f, kLabel4).rect, (PixelRect{0, 490, 481, 61}));
}

TEST(Form1Layout, CaptionsFontsTabOrderAndColours) {
  const FormSpec f = Form1::Layout(15, 15);
  ASSERT_EQ(f.controls.size(), 6u);
  const int order[] = {kCommand1, kLabel1, kLabel2, kLabel3, kLabel4, kCommand2};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(Control(f, order[i]).tabIndex, i);

  const ControlSpec& kill = Control(f, kCommand1);
  EXPECT_EQ(kill.kind, ControlKind::Button);
  EXPECT_EQ(kill.caption, L"Kill Virus");
  EXPECT_EQ(kill.font.face, L"Times New Roman");
  EXPECT_DOUBLE_EQ(kill.font.points, 15.75);
  EXPECT_EQ(kill.font.weight, 400);

  const ControlSpec& tm = Control(f, kCommand2);
  EXPECT_EQ(tm.caption, L"Open Task manager");
  EXPECT_DOUBLE_EQ(tm.font.points, 14.25);

  EXPECT_EQ(Control(f, kLabel1).caption, L"Label1");
  EXPECT_EQ(Control(f, kLabel1).align, TextAlign::Left);
  EXPECT_EQ(Control(f, kLabel1).font.weight, 700);
  EXPECT_EQ(Control(f, kLabel2).caption, L"Label2");
  EXPECT_EQ(Control(f, kLabel2).align, TextAlign::Center);
  EXPECT_EQ(Control(f, kLabel3).caption, L"");
  const ControlSpec& credit = Control(f, kLabel4);
  EXPECT_EQ(credit.font.face, L"Book Antiqua");
  EXPECT_DOUBLE_EQ(credit.font.points, 11.25);
  EXPECT_EQ(credit.foreColour, SystemColour(win::COLOR_ACTIVECAPTION));
  EXPECT_FALSE(credit.caption.empty());
  for (const auto& c : f.controls) {
    if (c.id != kLabel4) {
      EXPECT_EQ(c.foreColour, kDefaultColour) << test::CallLog::Narrow(c.name);
    }
  }
}

TEST(Form1, ShowCreatesTheFormAtTheDisplaysFactors) {
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
